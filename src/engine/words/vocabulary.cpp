#include "engine/words/vocabulary.hpp"

#include "engine/words/settings.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <stdexcept>
#include <string>

namespace engine {

namespace {

// Bits of the methods that compute a figure.
constexpr unsigned by_march    = 1U << static_cast<unsigned>(climber::method::march);
constexpr unsigned by_integral = 1U << static_cast<unsigned>(climber::method::integral);
constexpr unsigned by_both     = by_march | by_integral;

using study = climber::design_figures;

// Which columns a figure has: one; one for each mode asked for (a family
// NAME_1 ... NAME_N, whose value takes the member's index from 0); or one
// only where asked for by name (never among the default columns). The
// figures shown by name come last in the table.
enum class shown { always, per_mode, by_name };

// A figure, computed by the module of that name (climber::modules()).
struct figure {
    const char* name;
    const char* unit;
    const char* meaning;
    unsigned methods;
    const char* by;
    double (*value)(const study&, std::size_t k);
    shown as = shown::always;
};

// clang-format off
const figure figures[] = {
    {"rgeo",        "km",    "geostationary radius",                                            by_both, "tether", [](const study& s, std::size_t) { return s.model.rgeo; }},
    {"yuri",        "MJ/kg", "specific strength of the material",                               by_both, "tether", [](const study& s, std::size_t) { return s.model.yuri; }},
    {"taper_re",    "-",     "cross-section at the surface relative to GEO",                    by_both, "tether", [](const study& s, std::size_t) { return s.model.taper_re; }},
    {"taper_apex",  "-",     "cross-section at the top end relative to GEO",                    by_both, "tether", [](const study& s, std::size_t) { return s.model.taper_apex; }},
    {"cs_re",       "mm^2",  "cross-section at the surface",                                    by_both, "tether", [](const study& s, std::size_t) { return s.positions.cs_re; }},
    {"cs_apex",     "mm^2",  "cross-section at the top end",                                    by_both, "tether", [](const study& s, std::size_t) { return s.positions.cs_apex; }},
    {"mapex",       "t",     "counterweight at the top end",                                    by_both, "tether", [](const study& s, std::size_t) { return s.positions.mapex; }},
    {"mre",         "t",     "mass the tether holds at the surface",                            by_both, "tether", [](const study& s, std::size_t) { return s.positions.mre; }},
    {"tether_mass", "t",     "total_mass less the counterweight, as the report prints it",      by_both, "sums",   [](const study& s, std::size_t) { return s.sums.total - s.positions.mapex; }},
    {"total_mass",  "t",     "tether mass from the surface to the top of the march",            by_both, "sums",   [](const study& s, std::size_t) { return s.sums.total; }},
    {"time",        "h",     "travel time to the top of the march",                             by_both, "sums",   [](const study& s, std::size_t) { return s.sums.time; }},
    {"cap_alt",     "km",    "lowest altitude where the top speed caps the climber (none: never)", by_both, "sums",   [](const study& s, std::size_t) { return s.sums.cap_alt; }},
    {"lower_mass",  "t",     "tether mass from the foot to GEO",                                by_both, "whole",  [](const study& s, std::size_t) { return s.whole.lower_mass; }},
    {"upper_mass",  "t",     "tether mass from GEO to the top end",                             by_both, "whole",  [](const study& s, std::size_t) { return s.whole.upper_mass; }},
    {"system_mass", "t",     "lower_mass + upper_mass + the counterweight mapex",               by_both, "whole",  [](const study& s, std::size_t) { return s.whole.system_mass; }},
    {"orbit_alt",   "km",    "lowest altitude from which a payload let go stays in orbit",      by_both, "whole",  [](const study& s, std::size_t) { return s.whole.orbit_alt; }},
    {"escape_alt",  "km",    "lowest altitude from which a payload let go escapes",             by_both, "whole",  [](const study& s, std::size_t) { return s.whole.escape_alt; }},
    {"apex_speed",  "km/s",  "speed of a payload let go at the top end",                        by_both, "whole",  [](const study& s, std::size_t) { return s.whole.apex_speed; }},
    {"apex_vinf",   "km/s",  "speed it keeps far from the planet (none: it stays bound)",       by_both, "whole",  [](const study& s, std::size_t) { return s.whole.apex_vinf; }},
    {"uniform_yuri","MJ/kg", "specific strength a tether of one cross-section needs to GEO",    by_both, "whole",  [](const study& s, std::size_t) { return s.whole.uniform_yuri; }},
    {"uniform_top", "km",    "top of a free-standing tether of one cross-section",              by_both, "whole",  [](const study& s, std::size_t) { return s.whole.uniform_top; }},
    {"period_in",   "h",     "period of the tether's k-th oscillation mode in the equatorial plane", by_both, "modes",  [](const study& s, std::size_t k) { return s.modes.in_plane.at(k); }, shown::per_mode},
    {"period_out",  "h",     "period of the tether's k-th oscillation mode out of the plane",   by_both, "modes",  [](const study& s, std::size_t k) { return s.modes.out_of_plane.at(k); }, shown::per_mode},
    {"load_capacity",  "kN",   "pull at the tether's foot with no climber on",                  by_integral, "traffic", [](const study& s, std::size_t) { return s.traffic.load_capacity; }},
    {"peak_load",      "kN",   "anchor plus the climbers' largest pull on the foot",            by_integral, "traffic", [](const study& s, std::size_t) { return s.traffic.peak_load; }},
    {"load_share",     "-",    "peak_load relative to load_capacity (above 1 the foot lifts)",  by_integral, "traffic", [](const study& s, std::size_t) { return s.traffic.load_share; }},
    {"min_interval",   "h",    "shortest interval between departures that the foot holds",      by_integral, "departures", [](const study& s, std::size_t) { return s.traffic.min_interval; }},
    {"on_tether",      "-",    "most climbers on the tether at once at min_interval",           by_integral, "departures", [](const study& s, std::size_t) { return s.traffic.on_tether; }},
    {"max_throughput", "t/yr", "payload delivered in a year at min_interval",                   by_integral, "departures", [](const study& s, std::size_t) { return s.traffic.max_throughput; }},
    {"throughput",     "t/yr", "payload delivered in a year at interval (none: no stream)",     by_integral, "traffic", [](const study& s, std::size_t) { return s.traffic.throughput; }},
    {"debris_cuts",      "1/yr", "expected cuts a year by orbital debris (none: not the Earth)",  by_both, "survival", [](const study& s, std::size_t) { return s.survival.debris_cuts; }, shown::by_name},
    {"meteoroid_cuts",   "1/yr", "expected cuts a year by meteoroids",                            by_both, "survival", [](const study& s, std::size_t) { return s.survival.meteoroid_cuts; }, shown::by_name},
    {"untracked_cuts",   "1/yr", "debris cuts by objects too small to be tracked (below 10 cm)",   by_both, "survival", [](const study& s, std::size_t) { return s.survival.untracked_cuts; }, shown::by_name},
    {"survival",         "-",    "chance that the ribbon is not cut in a year",                   by_both, "survival", [](const study& s, std::size_t) { return s.survival.survival; }, shown::by_name},
    {"survival_dodging", "-",    "the same, every tracked object dodged",                         by_both, "survival", [](const study& s, std::size_t) { return s.survival.survival_dodging; }, shown::by_name},
    {"dodges",           "1/yr", "tracked objects a year that would strike the ribbon",           by_both, "survival", [](const study& s, std::size_t) { return s.survival.dodges; }, shown::by_name},
    {"swing_top",      "km", "largest sideways displacement of the top end during the climb",      by_integral, "swing", [](const study& s, std::size_t) { return s.swing.top; }, shown::by_name},
    {"swing_geo",      "km", "largest sideways displacement of the balance point during the climb", by_integral, "swing", [](const study& s, std::size_t) { return s.swing.geo; }, shown::by_name},
    {"swing_left_top", "km", "slowest mode's swing left at the top end when the climber stops",   by_integral, "swing", [](const study& s, std::size_t) { return s.swing.left_top; }, shown::by_name},
    {"swing_left_geo", "km", "slowest mode's swing left at the balance point when it stops",      by_integral, "swing", [](const study& s, std::size_t) { return s.swing.left_geo; }, shown::by_name},
    {"swing_stream",   "km", "largest displacement of the top end in a steady stream (none: no stream or no damping)", by_integral, "swing_stream", [](const study& s, std::size_t) { return s.swing.stream; }, shown::by_name},
};

struct ascent_column {
    const char* name;
    const char* unit;
    const char* meaning;
    double (*value)(const climber::push_params&, const climber::drive_point&, double time);
};

using climber::drive_point;
using climber::push_params;

// Power in MW as the report shows it: the power used, and the surplus.
const std::array<ascent_column, 9> ascent_table{{
    {"alt",      "km",    "altitude",                                     [](const push_params&, const drive_point& p, double) { return p.alt; }},
    {"taper",    "-",     "cross-section relative to the surface",        [](const push_params&, const drive_point& p, double) { return p.taper; }},
    {"grav",     "m/s^2", "effective gravity",                            [](const push_params&, const drive_point& p, double) { return p.grav; }},
    {"power",    "MW",    "power used",                                   [](const push_params&, const drive_point& p, double) { return p.pused / 1000000; }},
    {"speed",    "m/s",   "climb speed",                                  [](const push_params&, const drive_point& p, double) { return p.speed; }},
    {"time",     "h",     "travel time so far",                           [](const push_params&, const drive_point&, double time) { return time; }},
    {"surplus",  "MW",    "power delivered beyond what the climber uses", [](const push_params&, const drive_point& p, double) { return p.surplus / 1000000; }},
    {"coriolis", "N",     "Coriolis force of the climb on the tether, toward the west", [](const push_params& q, const drive_point& p, double) { return climber::sideways_at(q, p).coriolis; }},
    {"tilt",     "deg",   "angle by which the tether bends at the climber", [](const push_params& q, const drive_point& p, double) { return climber::sideways_at(q, p).tilt; }},
}};
// clang-format on

}  // namespace

std::vector<column> figure_columns(std::size_t modes, bool named)
{
    std::vector<column> columns;
    columns.reserve(std::size(figures) + 2 * modes);
    for (const figure& f : figures) {
        if (f.as == shown::by_name && !named) {
            continue;
        }
        if (f.as != shown::per_mode) {
            columns.push_back({f.name, f.unit, f.meaning});
            continue;
        }
        for (std::size_t k = 1; k <= modes; ++k) {
            columns.push_back({f.name + std::string("_") + std::to_string(k), f.unit, f.meaning});
        }
    }
    return columns;
}

std::vector<column> figure_families()
{
    std::vector<column> out;
    for (const figure& f : figures) {
        if (f.as == shown::per_mode) {
            out.push_back({f.name, f.unit, f.meaning});
        }
    }
    return out;
}

bool computed_by(const std::string& name, climber::method how)
{
    for (const figure& f : figures) {
        if (name == f.name) {
            return (f.methods & (1U << static_cast<unsigned>(how))) != 0;
        }
    }
    return false;
}

std::vector<double> figure_values(const climber::design_figures& s)
{
    const std::size_t modes = s.modes.in_plane.size();
    std::vector<double> values;
    values.reserve(std::size(figures) + 2 * modes);
    for (const figure& f : figures) {
        for (std::size_t k = 0; f.as != shown::by_name && k < (f.as == shown::per_mode ? modes : 1);
             ++k) {
            values.push_back(f.value(s, k));
        }
    }
    return values;
}

namespace {

// The figure of each column of figure_columns(count), and the member's index.
std::vector<std::pair<const figure*, std::size_t>> members(std::size_t count)
{
    std::vector<std::pair<const figure*, std::size_t>> out;
    for (const figure& f : figures) {
        for (std::size_t k = 0; k < (f.as == shown::per_mode ? count : 1); ++k) {
            out.emplace_back(&f, k);
        }
    }
    return out;
}

// The module that computes a figure.
const climber::module& module_of(const figure& f)
{
    for (const climber::module& m : climber::modules()) {
        if (std::string(f.by) == m.name) {
            return m;
        }
    }
    throw std::logic_error(std::string("the figure ") + f.name + " names no module");
}

}  // namespace

std::vector<std::size_t> figure_selection(const std::vector<std::string>& names, std::size_t modes)
{
    const std::vector<column> columns = figure_columns(modes, true);
    std::vector<std::size_t> out;
    for (std::size_t i = 0; names.empty() && i < figure_columns(modes).size(); ++i) {
        out.push_back(i);
    }
    for (auto name = names.begin(); name != names.end(); ++name) {
        std::size_t i = 0;
        while (i < columns.size() && columns[i].name != *name) {
            ++i;
        }
        if (i == columns.size() && tether::find_param(*name) != nullptr) {
            throw usage_error("'" + *name +
                              "' is a parameter, not a figure: a swept parameter has its own "
                              "column, and any other is the same in every row");
        }
        if (i == columns.size()) {
            throw usage_error("unknown figure '" + printable(*name) + "'", names::figures);
        }
        if (std::find(names.begin(), name, *name) != name) {
            throw usage_error("figure '" + *name + "' is named twice: name it once");
        }
        out.push_back(i);
    }
    return out;
}

std::vector<std::size_t> design_figure_selection(std::size_t modes, bool only_modes)
{
    const auto each = members(modes);
    std::vector<std::size_t> out;
    for (std::size_t c = 0; c < each.size(); ++c) {
        const climber::module& m = module_of(*each[c].first);
        if (only_modes ? std::string(m.name) == "modes" : m.own) {
            out.push_back(c);
        }
    }
    return out;
}

std::vector<std::string> modules_of(const std::vector<std::size_t>& selection, std::size_t modes)
{
    const auto each = members(modes);
    std::vector<std::string> out;
    out.reserve(selection.size());
    for (std::size_t c : selection) {
        out.emplace_back(each.at(c).first->by);
    }
    return out;
}

std::vector<std::size_t> goal_selection(std::size_t figure)
{
    std::vector<std::size_t> out = figure_selection({}, 0);
    if (figure >= out.size()) {
        out.push_back(figure);
    }
    return out;
}

std::optional<climber::note> method_note(const std::vector<std::size_t>& selection,
                                         std::size_t modes, climber::method how)
{
    const auto each                   = members(modes);
    const std::vector<column> columns = figure_columns(modes, true);
    std::vector<std::string> empty;
    for (std::size_t c : selection) {
        if ((each.at(c).first->methods & (1U << static_cast<unsigned>(how))) == 0) {
            empty.push_back(columns.at(c).name);
        }
    }
    if (empty.empty()) {
        return std::nullopt;
    }
    const bool one = empty.size() == 1;
    return climber::note{climber::note_kind::integral_only,
                         joined(empty, "and") + (one ? " is" : " are") + " empty by the " +
                             named_name(methods(), how) + ": the " +
                             named_name(methods(), climber::method::integral) +
                             " method alone computes " + (one ? "it" : "them"),
                         empty.front()};
}

climber::figures_request request_for(climber::figures_request r,
                                     const std::vector<std::size_t>& selection)
{
    const auto each = members(r.modes);
    for (const climber::module& m : climber::modules()) {
        const bool wanted = std::any_of(selection.begin(), selection.end(), [&](std::size_t c) {
            return &module_of(*each.at(c).first) == &m;
        });
        if (m.ask != nullptr) {
            m.ask(r, wanted);
        }
    }
    return r;
}

std::vector<double> figure_values(const climber::design_figures& s,
                                  const std::vector<std::size_t>& selection, std::size_t modes)
{
    const auto each = members(modes);
    std::vector<double> values;
    values.reserve(selection.size());
    for (std::size_t c : selection) {
        values.push_back(each.at(c).first->value(s, each.at(c).second));
    }
    return values;
}

std::vector<column> ascent_columns()
{
    std::vector<column> columns;
    columns.reserve(ascent_table.size());
    for (const ascent_column& c : ascent_table) {
        columns.push_back({c.name, c.unit, c.meaning});
    }
    return columns;
}

std::vector<double> ascent_values(const climber::push_params& push, const climber::drive_point& p,
                                  double time)
{
    std::vector<double> values;
    values.reserve(ascent_table.size());
    for (const ascent_column& c : ascent_table) {
        values.push_back(c.value(push, p, time));
    }
    return values;
}

climber::push_params ascent_push(const tether::design& d)
{
    const tether::model m = tether::compute_model(d);
    return climber::compute_push_params(d, m, tether::compute_positions(d, m));
}

std::vector<column> swing_columns()
{
    return {{"time", "h", "time since departure"},
            {"alt", "km", "the climber's altitude"},
            {"top", "km", "eastward displacement of the top end"},
            {"balance", "km", "eastward displacement of the balance point"}};
}

const std::vector<plot>& ascent_plots()
{
    static const std::vector<plot> plots{
        {"climb speed", {"speed"}},
        {"power used and surplus", {"power", "surplus"}},
        {"taper and effective gravity", {"taper", "grav"}},
        {"travel time", {"time"}},
        {"the climber's sideways push and the tether's tilt", {"coriolis", "tilt"}},
    };
    return plots;
}

const std::vector<example_sweep>& example_sweeps()
{
    static const std::vector<example_sweep> sweeps{
        {"vmax=10:200:30:log", "time"},
        {"strength=27:130:30", "time"},
    };
    return sweeps;
}

const std::vector<named<climber::method>>& methods()
{
    static const std::vector<named<climber::method>> table{
        {"march", climber::method::march, "the sums over the march's points"},
        {"integral", climber::method::integral, "the integrals those sums approximate"},
    };
    return table;
}

const std::vector<named<format>>& formats()
{
    static const std::vector<named<format>> table{
        {"table", format::table, "a table for people and gnuplot"},
        {"csv", format::csv, "CSV with one header row"},
        {"json", format::json, "JSON Lines, one object a row"},
    };
    return table;
}

climber::study ascent_rows(const tether::design& d,
                           const std::function<void(const std::vector<double>&)>& row,
                           const std::atomic<int>* stop)
{
    const climber::push_params push = ascent_push(d);
    return climber::compute_study(
        d,
        [&](const climber::drive_point& p, double time) {
            // The march hears a stop only every so many points: no row is
            // made for nothing meanwhile.
            if (stop == nullptr || stop->load() == 0) {
                row(ascent_values(push, p, time));
            }
        },
        stop);
}

}  // namespace engine
