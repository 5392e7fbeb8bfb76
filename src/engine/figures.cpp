#include "engine/figures.hpp"

#include "engine/settings.hpp"

#include <array>
#include <cmath>

namespace engine {

namespace {

// Bits of the methods that compute a figure.
constexpr unsigned by_march    = 1U << static_cast<unsigned>(climber::method::march);
constexpr unsigned by_integral = 1U << static_cast<unsigned>(climber::method::integral);
constexpr unsigned by_both     = by_march | by_integral;

using study = climber::design_figures;

// The module of a design's figures that computes a figure.
enum class module { tether_only, sums, whole, modes, traffic, departures };
constexpr module of_tether  = module::tether_only;
constexpr module of_sums    = module::sums;
constexpr module of_whole   = module::whole;
constexpr module of_modes   = module::modes;
constexpr module of_traffic = module::traffic;
constexpr module of_departs = module::departures;  // the traffic's shortest interval

// A figure, or a family of figures NAME_1 ... NAME_N (family: value takes
// the member's index from 0).
struct figure {
    const char* name;
    const char* unit;
    const char* meaning;
    unsigned methods;
    module by;
    double (*value)(const study&, std::size_t k);
    bool family = false;
};

// clang-format off
const std::array<figure, 30> figures{{
    {"rgeo",        "km",    "geostationary radius",                                            by_both, of_tether, [](const study& s, std::size_t) { return s.model.rgeo; }},
    {"yuri",        "MJ/kg", "specific strength of the material",                               by_both, of_tether, [](const study& s, std::size_t) { return s.model.yuri; }},
    {"taper_re",    "-",     "cross-section at the surface relative to GEO",                    by_both, of_tether, [](const study& s, std::size_t) { return s.model.taper_re; }},
    {"taper_apex",  "-",     "cross-section at the top end relative to GEO",                    by_both, of_tether, [](const study& s, std::size_t) { return s.model.taper_apex; }},
    {"cs_re",       "mm^2",  "cross-section at the surface",                                    by_both, of_tether, [](const study& s, std::size_t) { return s.positions.cs_re; }},
    {"cs_apex",     "mm^2",  "cross-section at the top end",                                    by_both, of_tether, [](const study& s, std::size_t) { return s.positions.cs_apex; }},
    {"mapex",       "t",     "counterweight at the top end",                                    by_both, of_tether, [](const study& s, std::size_t) { return s.positions.mapex; }},
    {"mre",         "t",     "mass the tether holds at the surface",                            by_both, of_tether, [](const study& s, std::size_t) { return s.positions.mre; }},
    {"tether_mass", "t",     "total_mass less the counterweight, as the report prints it",      by_both, of_sums,   [](const study& s, std::size_t) { return s.sums.total - s.positions.mapex; }},
    {"total_mass",  "t",     "tether mass from the surface to the top of the march",            by_both, of_sums,   [](const study& s, std::size_t) { return s.sums.total; }},
    {"time",        "h",     "travel time to the top of the march",                             by_both, of_sums,   [](const study& s, std::size_t) { return s.sums.time; }},
    {"cap_alt",     "km",    "lowest altitude where the top speed caps the climber (none: never)", by_both, of_sums,   [](const study& s, std::size_t) { return s.sums.cap_alt; }},
    {"lower_mass",  "t",     "tether mass from the foot to GEO",                                by_both, of_whole,  [](const study& s, std::size_t) { return s.whole.lower_mass; }},
    {"upper_mass",  "t",     "tether mass from GEO to the top end",                             by_both, of_whole,  [](const study& s, std::size_t) { return s.whole.upper_mass; }},
    {"system_mass", "t",     "lower_mass + upper_mass + the counterweight mapex",               by_both, of_whole,  [](const study& s, std::size_t) { return s.whole.system_mass; }},
    {"orbit_alt",   "km",    "lowest altitude from which a payload let go stays in orbit",      by_both, of_whole,  [](const study& s, std::size_t) { return s.whole.orbit_alt; }},
    {"escape_alt",  "km",    "lowest altitude from which a payload let go escapes",             by_both, of_whole,  [](const study& s, std::size_t) { return s.whole.escape_alt; }},
    {"apex_speed",  "km/s",  "speed of a payload let go at the top end",                        by_both, of_whole,  [](const study& s, std::size_t) { return s.whole.apex_speed; }},
    {"apex_vinf",   "km/s",  "speed it keeps far from the planet (none: it stays bound)",       by_both, of_whole,  [](const study& s, std::size_t) { return s.whole.apex_vinf; }},
    {"uniform_yuri","MJ/kg", "specific strength a tether of one cross-section needs to GEO",    by_both, of_whole,  [](const study& s, std::size_t) { return s.whole.uniform_yuri; }},
    {"uniform_top", "km",    "top of a free-standing tether of one cross-section",              by_both, of_whole,  [](const study& s, std::size_t) { return s.whole.uniform_top; }},
    {"period_in",   "h",     "period of the tether's k-th oscillation mode in the equatorial plane", by_both, of_modes,  [](const study& s, std::size_t k) { return s.modes.in_plane.at(k); }, true},
    {"period_out",  "h",     "period of the tether's k-th oscillation mode out of the plane",   by_both, of_modes,  [](const study& s, std::size_t k) { return s.modes.out_of_plane.at(k); }, true},
    {"load_capacity",  "kN",   "pull at the tether's foot with no climber on",                  by_integral, of_traffic, [](const study& s, std::size_t) { return s.traffic.load_capacity; }},
    {"peak_load",      "kN",   "anchor plus the climbers' largest pull on the foot",            by_integral, of_traffic, [](const study& s, std::size_t) { return s.traffic.peak_load; }},
    {"load_share",     "-",    "peak_load relative to load_capacity (above 1 the foot lifts)",  by_integral, of_traffic, [](const study& s, std::size_t) { return s.traffic.load_share; }},
    {"min_interval",   "h",    "shortest interval between departures that the foot holds",      by_integral, of_departs, [](const study& s, std::size_t) { return s.traffic.min_interval; }},
    {"on_tether",      "-",    "most climbers on the tether at once at min_interval",           by_integral, of_departs, [](const study& s, std::size_t) { return s.traffic.on_tether; }},
    {"max_throughput", "t/yr", "payload delivered in a year at min_interval",                   by_integral, of_departs, [](const study& s, std::size_t) { return s.traffic.max_throughput; }},
    {"throughput",     "t/yr", "payload delivered in a year at interval (none: no stream)",     by_integral, of_traffic, [](const study& s, std::size_t) { return s.traffic.throughput; }},
}};

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

std::vector<column> figure_columns(std::size_t modes)
{
    std::vector<column> columns;
    columns.reserve(figures.size() + 2 * modes);
    for (const figure& f : figures) {
        if (!f.family) {
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
        if (f.family) {
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
    values.reserve(figures.size() + 2 * modes);
    for (const figure& f : figures) {
        for (std::size_t k = 0; k < (f.family ? modes : 1); ++k) {
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
        for (std::size_t k = 0; k < (f.family ? count : 1); ++k) {
            out.emplace_back(&f, k);
        }
    }
    return out;
}

}  // namespace

std::vector<std::size_t> figure_selection(const std::vector<std::string>& names, std::size_t modes)
{
    const std::vector<column> columns = figure_columns(modes);
    std::vector<std::size_t> out;
    for (std::size_t i = 0; names.empty() && i < columns.size(); ++i) {
        out.push_back(i);
    }
    for (const std::string& name : names) {
        std::size_t i = 0;
        while (i < columns.size() && columns[i].name != name) {
            ++i;
        }
        if (i == columns.size()) {
            throw usage_error("unknown figure '" + printable(name) + "'", names::figures);
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
        const module m = each[c].first->by;
        if (m == of_modes || (!only_modes && (m == of_tether || m == of_sums || m == of_whole))) {
            out.push_back(c);
        }
    }
    return out;
}

std::optional<climber::note> method_note(const std::vector<std::size_t>& selection,
                                         std::size_t modes, climber::method how)
{
    const auto each                   = members(modes);
    const std::vector<column> columns = figure_columns(modes);
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
    std::array<bool, 6> wants{};
    for (std::size_t c : selection) {
        wants.at(static_cast<std::size_t>(each.at(c).first->by)) = true;
    }
    r.sums       = wants[static_cast<std::size_t>(of_sums)];
    r.whole      = wants[static_cast<std::size_t>(of_whole)];
    r.modes      = wants[static_cast<std::size_t>(of_modes)] ? r.modes : 0;
    r.departures = wants[static_cast<std::size_t>(of_departs)];
    r.traffic    = r.departures || wants[static_cast<std::size_t>(of_traffic)];
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
