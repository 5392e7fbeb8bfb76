#include "engine/answers/sensitivity.hpp"

#include "engine/threads/runner.hpp"
#include "engine/words/numbers.hpp"
#include "engine/words/settings.hpp"
#include "engine/words/vocabulary.hpp"

#include "climber/figures.hpp"
#include "climber/study.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <tuple>
#include <utility>

namespace engine {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
// The largest error of a figure found as a root (orbit_alt, uniform_top),
// relative to its size: the library's tolerance. Over the smallest step it
// is the noise that a difference cannot get below.
constexpr double figure_noise = 1e-12;

// Which side the steps may take from the design.
enum class side { both, above, below, none };

// One kind of figures and how they are differentiated: the request that
// computes them, their columns, the steps tried (relative to the
// parameter's size, the first first), the accuracy asked, the figures'
// noise (relative) and the run's stop request.
struct pass {
    climber::figures_request request;
    std::vector<std::size_t> selection;
    std::size_t modes;
    std::vector<double> steps;
    double accuracy;
    double noise;
    const std::atomic<int>* stop;
};

// A design's figures of a pass, or none where it cannot be computed; once
// the stop is set they mean nothing.
std::optional<std::vector<double>> figures_at(const pass& p, const tether::design& d)
{
    if (climber::check(d, false)) {
        return std::nullopt;
    }
    return figure_values(climber::compute_figures(d, p.request, p.stop), p.selection, p.modes);
}

// The design with parameter q moved by step, and the step as taken
// (x + step rounds).
std::pair<tether::design, double> moved(const tether::design& d, const tether::param& q,
                                        double step)
{
    tether::design e = d;
    const double x   = tether::value_of(d, q);
    q.field(e)       = x + step;
    return {e, q.field(e) - x};
}

side side_of(const tether::design& d, const tether::param& q, double h)
{
    const bool up   = !climber::check(moved(d, q, h).first, false);
    const bool down = !climber::check(moved(d, q, -h).first, false);
    return up && down ? side::both : up ? side::above : down ? side::below : side::none;
}

struct estimates {
    std::vector<double> value;
    std::vector<double> error;
};

// The differences of every figure of the pass by q at the steps h, h/2,
// ... (levels of them): central, or one-sided to side s; none where a step
// cannot be computed.
std::optional<std::vector<std::vector<double>>> differences(const pass& p, const tether::design& d,
                                                            const tether::param& q, double h,
                                                            side s, unsigned levels,
                                                            const std::vector<double>& base)
{
    const double sign = s == side::below ? -1 : 1;
    std::vector<std::vector<double>> table(levels);
    for (unsigned k = 0; k < levels; ++k) {
        const double hk      = std::ldexp(h, -static_cast<int>(k));
        const auto [up, dxu] = moved(d, q, sign * hk);
        const auto [down, dxd] =
            s == side::both ? moved(d, q, -hk) : std::pair<tether::design, double>{d, 0.0};
        const auto fu = figures_at(p, up);
        const auto fd = s == side::both ? figures_at(p, down) : std::optional(base);
        if (!fu || !fd) {
            return std::nullopt;
        }
        for (std::size_t j = 0; j < base.size(); ++j) {
            table[k].push_back(((*fu)[j] - (*fd)[j]) / (dxu - dxd));
        }
    }
    return table;
}

// Richardson's rule on differences at h, h/2, ... whose error is a series
// in powers of h^2 (central) or h: the extrapolated value and the
// difference from the previous level's at the finest steps.
std::pair<double, double> richardson(std::vector<double> r, bool central)
{
    const auto levels = static_cast<unsigned>(r.size());
    double previous   = nan;
    for (unsigned m = 1; m < levels; ++m) {
        previous            = r[levels - m];
        const double factor = std::ldexp(1.0, static_cast<int>(central ? 2 * m : m));
        for (unsigned k = 0; k + m < levels; ++k) {
            r[k] = (factor * r[k + 1] - r[k]) / (factor - 1);
        }
    }
    return {r[0], std::fabs(r[0] - previous)};
}

// The derivatives of every figure of the pass by q at the steps h, h/2, ...:
// central differences extrapolated by Richardson's rule in powers of h^2,
// or one-sided ones in powers of h.
estimates extrapolate(const pass& p, const tether::design& d, const tether::param& q, double h,
                      side s, const std::vector<double>& base)
{
    const std::size_t n   = base.size();
    const bool central    = s == side::both;
    const unsigned levels = central ? 3 : 4;
    estimates out{std::vector<double>(n, nan), std::vector<double>(n, nan)};
    const auto table = differences(p, d, q, h, s, levels, base);
    for (std::size_t j = 0; table && j < n; ++j) {
        std::vector<double> column;
        for (const std::vector<double>& level : *table) {
            column.push_back(level[j]);
        }
        std::tie(out.value[j], out.error[j]) = richardson(column, central);
    }
    return out;
}

// Whether the figures differentiated (computed by these modules) read
// parameter q of design d: the traffic's parameters move its figures alone,
// never differentiated, the ribbon's the survival figures alone and the
// modes' damping the swing's; a partner body's are read only with a
// partner, and then the day is the orbit's.
bool differentiated(const tether::param& q, const tether::design& d,
                    const std::vector<std::string>& modules)
{
    const std::string name  = q.name;
    const std::string group = q.group;
    const auto named        = [&](const char* module) {
        return std::find(modules.begin(), modules.end(), module) != modules.end();
    };
    if (group == "traffic" || group == "ribbon") {
        return group == "ribbon" && named("survival");
    }
    if (name == "damping") {
        return named("swing") || named("swing_stream");
    }
    if (q.of_partner || name == "partner_GM") {
        return tether::has_partner(d);
    }
    return name != "tsid" || !tether::has_partner(d);
}

// The design with its auto parameters set to their worked-out values, and
// the notes that say so.
tether::design held(const tether::design& d, const std::vector<std::string>& modules,
                    std::vector<std::string>& notes)
{
    tether::design out = d;
    for (const tether::param* q = tether::params_begin(); q != tether::params_end(); ++q) {
        if (differentiated(*q, d, modules) && q->can_be_auto &&
            tether::is_automatic(tether::value_of(d, *q))) {
            const double v = q->worked_out(d);
            q->field(out)  = v;
            notes.push_back(std::string(q->name) + " = auto is held at its worked-out value, " +
                            shortest(v) + unit_suffix(q->unit) + " (" +
                            balance_words(q->auto_rule, d) + "): the derivatives are taken with " +
                            q->name + " set to it");
        }
    }
    return out;
}

std::string side_note(const tether::param& q, double x, side s)
{
    const std::string at = std::string(q.name) + " = " + shortest(x) + unit_suffix(q.unit);
    if (s == side::none) {
        return at + ": a step either way leaves the designs allowed: no derivatives by " + q.name;
    }
    return at + " is at a bound of the designs allowed: the derivatives by " + q.name +
           " are one-sided (from " + (s == side::above ? "above" : "below") + ")";
}

// The side the steps take from d by q, and the steps (relative to its size)
// that go both ways where the first is one-sided: near a bound (ztop just
// below GEO, the period that puts it there) shorter steps may still.
std::pair<side, std::vector<double>> steps_by(const pass& p, const tether::design& d,
                                              const tether::param& q, double size)
{
    const side s = side_of(d, q, p.steps.front() * size);
    for (int k = 1; k <= 3 && s != side::both; ++k) {
        const double shorter = std::ldexp(p.steps.front(), -4 * k);
        if (side_of(d, q, shorter * size) == side::both) {
            return {side::both, {shorter, std::ldexp(shorter, -4)}};
        }
    }
    return {s, p.steps};
}

// The first estimate of each figure that settles over the steps, or NaN
// (error infinite) where none does.
estimates settle(const pass& p, const tether::design& d, const tether::param& q, double size,
                 side s, const std::vector<double>& steps, const std::vector<double>& base)
{
    const std::size_t n = base.size();
    estimates out{std::vector<double>(n, nan),
                  std::vector<double>(n, std::numeric_limits<double>::infinity())};
    std::vector<bool> done(n, s == side::none);
    for (std::size_t j = 0; j < n; ++j) {
        done[j] = done[j] || !std::isfinite(base[j]);
    }
    for (double step : steps) {
        if (std::all_of(done.begin(), done.end(), [](bool b) { return b; }) || stop_set(p.stop)) {
            break;
        }
        const double h        = step * size;
        const double smallest = std::ldexp(h, s == side::both ? -2 : -3);
        const estimates e     = extrapolate(p, d, q, h, s, base);
        for (std::size_t j = 0; j < n; ++j) {
            if (!done[j] &&
                settles(e.value[j], e.error[j], base[j], smallest, p.accuracy, p.noise)) {
                out.value[j] = e.value[j];
                out.error[j] = e.error[j];
                done[j]      = true;
            }
        }
    }
    return out;
}

// Every derivative of a pass's figures (base: their values at d), into out
// (whose figures and values the pass's columns follow from `first`); the
// figures that would not settle by each parameter, into unsettled. Ends
// early once the stop is set.
void differentiate(const pass& p, const tether::design& d, const std::vector<double>& base,
                   std::size_t first, sensitivities& out,
                   std::map<std::size_t, std::vector<std::string>>& unsettled)
{
    for (std::size_t i = 0; i < out.params.size() && !stop_set(p.stop); ++i) {
        const tether::param& q = *out.params[i];
        const double x         = out.at[i];
        const auto [s, steps]  = steps_by(p, d, q, std::fabs(x));
        if (s != side::both && first == 0) {
            out.notes.push_back(side_note(q, x, s));
        }
        const estimates e = settle(p, d, q, std::fabs(x), s, steps, base);
        for (std::size_t j = 0; j < base.size(); ++j) {
            const double f = base[j];
            if (std::isfinite(f) && s != side::none && std::isnan(e.value[j])) {
                unsettled[first + j].push_back(q.name);
            }
            const double el = std::isfinite(e.value[j]) && f != 0 ? x / f * e.value[j] : nan;
            out.slopes.push_back({first + j, i, e.value[j], el, e.error[j], s != side::both});
        }
    }
}

// The passes of the figures asked for (names; empty: the design's own and
// the periods): the tether's, the sums' and the whole tether's; the
// periods'; and the ribbon's named, whose module's request alone computes
// them. The traffic's figures are refused. Selections are columns of
// figure_columns(modes, true); the design's own precede the periods.
std::vector<pass> passes_of(const std::vector<std::string>& names, unsigned modes,
                            const std::atomic<int>* stop)
{
    const std::vector<std::size_t> asked = figure_selection(names, modes);
    const auto named                     = [&](std::vector<std::size_t> s) {
        const auto unasked = [&](std::size_t c) {
            return std::find(asked.begin(), asked.end(), c) == asked.end();
        };
        if (!names.empty()) {
            s.erase(std::remove_if(s.begin(), s.end(), unasked), s.end());
        }
        return s;
    };
    climber::figures_request r{climber::method::integral};
    r.modes = 0;
    std::vector<pass> passes{{r,
                              named(design_figure_selection(0)),
                              0,
                              {0x1p-10, 0x1p-14, 0x1p-6},
                              slope_accuracy,
                              figure_noise,
                              stop}};
    if (modes > 0) {
        climber::figures_request m{climber::method::integral};
        m.sums  = false;
        m.whole = false;
        m.modes = modes;
        // The periods are found to about 1e-10: longer steps keep that
        // noise below their accuracy.
        passes.push_back({m,
                          named(design_figure_selection(modes, true)),
                          modes,
                          {0x1p-5, 0x1p-3, 0x1p-8},
                          mode_slope_accuracy,
                          period_noise,
                          stop});
    }
    std::vector<std::size_t> rest;
    for (std::size_t c : names.empty() ? std::vector<std::size_t>{} : asked) {
        if (std::none_of(passes.begin(), passes.end(), [&](const pass& p) {
                return std::find(p.selection.begin(), p.selection.end(), c) != p.selection.end();
            })) {
            rest.push_back(c);
        }
    }
    const std::vector<column> shown = figure_columns(modes);
    for (std::size_t c : rest) {
        if (c < shown.size()) {  // shown by default, yet not a design's own
            throw usage_error("the traffic's figures have no derivatives (its interval = auto "
                              "is no stream, and anchor = 0 no step): not " +
                              shown[c].name);
        }
    }
    if (!rest.empty()) {
        // Closed forms of the model (the survival figures): the tether's
        // steps and accuracy, their noise the model's roots'.
        climber::figures_request o{climber::method::integral};
        o.modes = modes;
        passes.push_back({request_for(o, rest),
                          rest,
                          modes,
                          {0x1p-10, 0x1p-14, 0x1p-6},
                          slope_accuracy,
                          figure_noise,
                          stop});
    }
    passes.erase(std::remove_if(passes.begin(), passes.end(),
                                [](const pass& p) { return p.selection.empty(); }),
                 passes.end());
    return passes;
}

// The figures, their values and the slopes in the order named.
void order_as(const std::vector<std::string>& names, sensitivities& out)
{
    std::vector<std::size_t> place;
    for (const column& c : out.figures) {
        place.push_back(static_cast<std::size_t>(std::find(names.begin(), names.end(), c.name) -
                                                 names.begin()));
    }
    sensitivities in = out;
    for (std::size_t j = 0; j < place.size(); ++j) {
        out.figures[place[j]] = in.figures[j];
        out.values[place[j]]  = in.values[j];
    }
    for (slope& s : out.slopes) {
        s.figure = place[s.figure];
    }
}

}  // namespace

bool settles(double value, double error, double figure, double smallest, double accuracy,
             double noise)
{
    return std::isfinite(value) &&
           error <= accuracy * std::fabs(value) + 8 * noise * std::fabs(figure) / smallest;
}

sensitivities compute_sensitivities(const tether::design& d, unsigned modes,
                                    const std::atomic<int>* stop,
                                    const std::vector<std::string>& names)
{
    if (const auto fault = design_error(d, false)) {
        throw usage_error(fault->message);
    }
    const std::vector<pass> passes = passes_of(names, modes, stop);
    std::vector<std::string> modules;
    for (const pass& p : passes) {
        const std::vector<std::string> m = modules_of(p.selection, p.modes);
        modules.insert(modules.end(), m.begin(), m.end());
    }
    sensitivities out;
    const tether::design h = held(d, modules, out.notes);
    for (const tether::param* q = tether::params_begin(); q != tether::params_end(); ++q) {
        if (!differentiated(*q, d, modules)) {
            continue;
        }
        out.params.push_back(q);
        out.at.push_back(tether::value_of(h, *q));
    }
    const std::vector<column> all = figure_columns(modes, true);
    for (const pass& p : passes) {
        for (std::size_t j : p.selection) {
            out.figures.push_back(all[j]);
        }
    }
    std::map<std::size_t, std::vector<std::string>> unsettled;
    for (const pass& p : passes) {
        const std::size_t first                               = out.values.size();
        const std::optional<std::vector<double>> held_figures = figures_at(p, h);
        if (!held_figures) {  // the auto values worked out refused as set values
            throw usage_error("the design's auto values, set as numbers, are refused");
        }
        const std::vector<double>& base = *held_figures;
        out.values.insert(out.values.end(), base.begin(), base.end());
        differentiate(p, h, base, first, out, unsettled);
        if (stop_set(stop)) {
            out.stopped = true;
            return out;
        }
    }
    for (const auto& [figure, by] : unsettled) {
        out.notes.push_back(out.figures[figure].name + " is not smooth near the design as " +
                            joined(by, "and") +
                            " change (the estimates at successive steps disagree: it jumps, "
                            "bends or is missing there): its derivatives by them are empty");
    }
    if (!names.empty()) {
        order_as(names, out);
    }
    // Figure by figure, every parameter in order.
    std::stable_sort(out.slopes.begin(), out.slopes.end(),
                     [](const slope& a, const slope& b) { return a.figure < b.figure; });
    return out;
}

std::vector<column> sensitivity_columns()
{
    return {{"figure", "-", "the figure", true},
            {"parameter", "-", "the parameter", true},
            {"derivative", "-", "d figure / d parameter, in the figure's unit per the parameter's"},
            {"elasticity", "1", "(parameter / figure) x derivative"}};
}

std::vector<std::string> slope_labels(const sensitivities& s, const slope& row)
{
    return {s.figures.at(row.figure).name, s.params.at(row.parameter)->name};
}

std::vector<double> slope_numbers(const slope& row)
{
    return {row.derivative, row.elasticity};
}

table sensitivity_table(const tether::design& d, unsigned modes, const std::atomic<int>* stop,
                        const std::vector<std::string>& names)
{
    const sensitivities s = compute_sensitivities(d, modes, stop, names);
    table out{sensitivity_columns()};
    out.index   = 2;
    out.stopped = s.stopped;
    out.planned = static_cast<std::uint64_t>(s.figures.size() * s.params.size());
    for (const slope& row : s.slopes) {
        out.rows.push_back({slope_numbers(row), slope_labels(s, row)});
    }
    for (const std::string& n : s.notes) {
        out.notes.push_back({"note", n});
    }
    return out;
}

}  // namespace engine
