#include "engine/answers/solve.hpp"

#include "engine/words/numbers.hpp"
#include "engine/words/vocabulary.hpp"

#include "climber/study.hpp"
#include "tether/pmath.hpp"
#include "tether/positions.hpp"

#include <boost/math/tools/toms748_solve.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace engine {

using tether::message_number;

std::size_t figure_column(const std::string& name)
{
    const std::vector<column> columns = figure_columns(0, true);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name == name) {
            return i;
        }
    }
    for (const column& family : figure_families()) {
        if (name.rfind(family.name, 0) == 0) {
            throw usage_error("'" + printable(name) +
                                  "' is an oscillation period, which goal seek cannot seek: it "
                                  "seeks the figures",
                              names::figures);
        }
    }
    throw usage_error("unknown figure '" + printable(name) + "'", names::figures);
}

goal read_goal(const std::string& seek, const std::string& target)
{
    goal g{};
    try {
        g = parse_solve(seek);
    }
    catch (const usage_error& e) {
        throw goal_error(false, e);
    }
    try {
        parse_for(g, target);
    }
    catch (const usage_error& e) {
        throw goal_error(true, e);
    }
    return g;
}

namespace {

double number_of(const std::string& text, const char* what)
{
    std::string why;
    const auto v = parse_number(text, &why);
    if (!v) {
        throw usage_error(std::string(what) + " '" + printable(trim(text)) + "' " + why);
    }
    return *v;
}

// "VALUE UNIT", or "VALUE" where the unit is a pure number.
std::string with_unit(double v, const std::string& unit, int digits = 5)
{
    return message_number(v, digits) + unit_suffix(unit);
}

// A parameter's value as it reads back, with its unit.
std::string exactly(double v, const std::string& unit)
{
    return readable(v) + unit_suffix(unit);
}

// The fewest significant digits, from 5, at which numbers that differ read
// differently, so that a message never says "42164 km ... 42164 km".
int digits_apart(std::initializer_list<double> values)
{
    for (int digits = 5; digits < 17; ++digits) {
        bool apart = true;
        for (const double* a = values.begin(); a != values.end(); ++a) {
            for (const double* b = a + 1; b != values.end(); ++b) {
                apart =
                    apart && (*a == *b || message_number(*a, digits) != message_number(*b, digits));
            }
        }
        if (apart) {
            return digits;
        }
    }
    return 17;
}

// A reason the search ends without an answer, said as the user's mistake.
struct no_answer {
    std::string why;
    std::optional<design_fault> fault = std::nullopt;  // where a design is refused
    std::string reason                = why;           // why, without where
};
// The evaluations ran out.
struct out_of_evaluations {};

}  // namespace

goal parse_solve(const std::string& text)
{
    const auto eq = text.find('=');
    if (eq == std::string::npos) {
        throw usage_error("expected NAME=LOW:HIGH");
    }
    const std::string name = trim(text.substr(0, eq));
    goal g{tether::find_param(name), 0, 0, 0, 0};
    if (g.param == nullptr) {
        throw usage_error("unknown parameter '" + printable(name) + "'", names::parameters);
    }
    check_spanned(*g.param, "goal seek");
    const std::string range = text.substr(eq + 1);
    const auto colon        = range.find(':');
    if (colon == std::string::npos || range.find(':', colon + 1) != std::string::npos) {
        throw usage_error("expected NAME=LOW:HIGH");
    }
    g.low  = number_of(range.substr(0, colon), "LOW");
    g.high = number_of(range.substr(colon + 1), "HIGH");
    if (!(g.low < g.high)) {
        throw usage_error("LOW must be less than HIGH");
    }
    return g;
}

void parse_for(goal& g, const std::string& text)
{
    const auto eq = text.find('=');
    if (eq == std::string::npos) {
        throw usage_error("expected FIGURE=VALUE");
    }
    g.figure = figure_column(trim(text.substr(0, eq)));
    g.value  = number_of(text.substr(eq + 1), "VALUE");
}

namespace {

// A design of the search: where it is, and its figure (not less the target).
struct point {
    double x;
    double figure;
};

// Why the figure jumps between two neighbouring designs, where it is known:
// ztop = auto puts the top of the march at a whole km, or a capped stretch
// of the climb appears or vanishes. Empty where neither.
std::string why_jump(const tether::design& a, const tether::design& b)
{
    const climber::design_figures sa = climber::compute_figures(a, {climber::method::integral});
    const climber::design_figures sb = climber::compute_figures(b, {climber::method::integral});
    const double top_a               = tether::top_of_march(a, sa.model);
    const double top_b               = tether::top_of_march(b, sb.model);
    if (tether::is_automatic(a.march.ztop) && top_a != top_b) {
        return "ztop = auto moves the top of the march by whole km, from " +
               message_number(top_a, 17) + " km to " + message_number(top_b, 17) +
               " km there: set ztop";
    }
    const double cap_a = sa.sums.cap_alt;
    const double cap_b = sb.sums.cap_alt;
    if (std::isnan(cap_a) != std::isnan(cap_b) ||
        std::fabs(cap_a - cap_b) > goal_accuracy * std::fmax(std::fabs(cap_a), std::fabs(cap_b))) {
        return "a capped stretch of the climb appears or vanishes there";
    }
    return {};
}

// Whether a bracket is as narrow as the search goes.
bool narrow(double a, double b)
{
    return std::fabs(b - a) <= bracket_width * std::fmax(std::fabs(a), std::fabs(b));
}

// One goal's search on one base design: the designs it computes, counted.
class search {
  public:
    search(const tether::design& base, const goal& g, const std::atomic<int>* stop)
        : base_(base), g_(g), stop_(stop), figure_(figure_columns(0, true)[g.figure]),
          integral_(request_for({climber::method::integral}, goal_selection(g.figure))),
          sought_(request_for(integral_, {g.figure}))
    {
    }

    solution run();

  private:
    tether::design design_at(double x) const
    {
        tether::design d   = base_;
        g_.param->field(d) = x;
        return d;
    }
    // The figure at x; `where` says which design it is. Throws no_answer
    // or out_of_evaluations.
    double at(double x, const char* where, climber::design_figures* keep = nullptr);
    // The figure at x, computed once.
    double figure_of(double x)
    {
        for (auto p = seen_.rbegin(); p != seen_.rend(); ++p) {
            if (p->x == x) {
                return p->figure;
            }
        }
        return at(x, "inside the bracket");
    }
    // The figure's side of the target.
    bool below(double f) const
    {
        return f < g_.value;
    }
    // Two figures that are one value, to their accuracy.
    bool close(double fa, double fb) const
    {
        return std::fabs(fa - fb) <=
               goal_accuracy *
                   std::fmax(std::fmax(std::fabs(fa), std::fabs(fb)), std::fabs(g_.value));
    }
    // Neither end reaches the target: said with both, as out's problem.
    void not_between(double flow, double fhigh, solution& out) const;
    // TOMS 748 between the ends: the final bracket.
    std::pair<double, double> toms748(double flow, double fhigh);
    // Halves [a, b] until the figure at its ends closes on the target or
    // they are neighbouring numbers; a == b where a design gives it exactly.
    void halve(double& a, double& b);
    // Whether the figure jumps in [a, b]: a smooth figure's change over a
    // bracket 129 times as wide is about 129 times as large, a jump's about
    // the same.
    bool jumps(double a, double b)
    {
        const double w  = b - a;
        const double fl = figure_of(std::fmax(g_.low, a - 64 * w));
        const double fr = figure_of(std::fmin(g_.high, b + 64 * w));
        return std::fabs(fr - fl) < 8 * std::fabs(figure_of(b) - figure_of(a));
    }
    // The figure jumps or steps over the target in [a, b]: out's jump.
    void say_jump(double a, double b, solution& out);

    const tether::design& base_;
    const goal& g_;
    const std::atomic<int>* stop_;
    const column figure_;
    const climber::figures_request integral_;  // every figure the goal's row shows
    const climber::figures_request sought_;    // the figure's module alone
    unsigned evaluations_ = 0;
    std::vector<point> seen_;
};

double search::at(double x, const char* where, climber::design_figures* keep)
{
    if (++evaluations_ > max_goal_evaluations) {
        throw out_of_evaluations{};
    }
    const tether::design d = design_at(x);
    if (const auto fault = design_error(d, false)) {
        throw no_answer{fault->message + " (" + where + ")", fault, fault->reason};
    }
    // Inside the bracket only the module of the figure sought; at an end,
    // which may be the answer, every figure.
    const climber::design_figures st =
        climber::compute_figures(d, keep != nullptr ? integral_ : sought_, stop_);
    const double v         = figure_values(st, {g_.figure}, 0)[0];
    const std::string at_x = std::string(g_.param->name) + " = " + with_unit(x, g_.param->unit);
    if (std::isnan(v) && !climber::lifts(st)) {
        throw no_answer{"at " + at_x + " (" + where + ") the foot cannot lift the climber (" +
                        climber::foot_and_climber(st) + "), so " + figure_.name +
                        " has no value there"};
    }
    if (std::isnan(v)) {
        throw no_answer{figure_.name + " has no value at " + at_x + " (" + where + ")"};
    }
    if (keep != nullptr) {
        *keep = st;
    }
    seen_.push_back({x, v});
    return v;
}

void search::not_between(double flow, double fhigh, solution& out) const
{
    const std::string& param = g_.param->name;
    const int fd             = digits_apart({flow, fhigh, g_.value});
    out.reason               = with_unit(g_.value, figure_.unit, fd) + " is not between them";
    out.problem = figure_.name + " = " + with_unit(flow, figure_.unit, fd) + " at " + param +
                  " = " + exactly(g_.low, g_.param->unit) + " and " +
                  with_unit(fhigh, figure_.unit, fd) + " at " + param + " = " +
                  exactly(g_.high, g_.param->unit) + ": " + out.reason;
}

std::pair<double, double> search::toms748(double flow, double fhigh)
{
    // A positive bracket of many decades is searched in the logarithm of
    // the value, where a power law is a straight line; its ends are kept
    // exact.
    const bool logarithmic = g_.low > 0 && g_.high > 1000 * g_.low;
    const double ulow      = logarithmic ? tether::pmath::log(g_.low) : g_.low;
    const double uhigh     = logarithmic ? tether::pmath::log(g_.high) : g_.high;
    const auto x_of        = [&](double u) {
        if (u == ulow || u == uhigh) {
            return u == ulow ? g_.low : g_.high;
        }
        return logarithmic ? std::clamp(tether::pmath::exp(u), g_.low, g_.high) : u;
    };
    std::uintmax_t iterations = max_goal_evaluations;
    const auto [ua, ub]       = boost::math::tools::toms748_solve(
        [&](double u) { return at(x_of(u), "inside the bracket") - g_.value; }, ulow, uhigh,
        flow - g_.value, fhigh - g_.value,
        [&](double u, double v) { return narrow(x_of(u), x_of(v)); }, iterations);
    return {x_of(ua), x_of(ub)};
}

void search::halve(double& a, double& b)
{
    double fa = figure_of(a);
    double fb = figure_of(b);
    while (!close(fa, fb)) {
        const double m = a + (b - a) / 2;
        if (!(a < m && m < b)) {
            return;
        }
        const double fm = at(m, "inside the bracket");
        if (fm == g_.value) {
            a = b = m;
            return;
        }
        const bool left  = below(fm) == below(fa);
        (left ? a : b)   = m;
        (left ? fa : fb) = fm;
    }
}

void search::say_jump(double a, double b, solution& out)
{
    const std::string why = why_jump(design_at(a), design_at(b));
    const double fa       = figure_of(a);
    const double fb       = figure_of(b);
    const int fd          = digits_apart({fa, fb, g_.value});
    const std::string& u  = g_.param->unit;
    out.reason = "it " + std::string(why.rfind("ztop", 0) == 0 ? "steps" : "jumps") + " from " +
                 with_unit(fa, figure_.unit, fd) + " at " + g_.param->name + " = " + exactly(a, u) +
                 " to " + with_unit(fb, figure_.unit, fd) + " at " + g_.param->name + " = " +
                 exactly(b, u) + (why.empty() ? "" : " (" + why + ")");
    out.jump = "no value gives " + figure_.name + " = " + with_unit(g_.value, figure_.unit, fd) +
               ": " + out.reason;
}

solution search::run()
{
    solution out;
    // A base refused on another parameter is the user's design at fault,
    // whatever the bracket.
    const auto base_fault = design_error(base_, false);
    if (base_fault && base_fault->name != g_.param->name && base_fault->other != g_.param->name) {
        out.problem = base_fault->message;
        out.reason  = base_fault->reason;
        out.fault   = base_fault;
        return out;
    }
    climber::design_figures low_study{};
    climber::design_figures high_study{};
    const double flow  = at(g_.low, "the bracket's low end", &low_study);
    const double fhigh = at(g_.high, "the bracket's high end", &high_study);
    if (flow == g_.value || fhigh == g_.value) {
        out.value = flow == g_.value ? g_.low : g_.high;
        out.study = flow == g_.value ? low_study : high_study;
        return out;
    }
    if (below(flow) == below(fhigh)) {
        not_between(flow, fhigh, out);
        return out;
    }
    // The base design's own value, inside the bracket and giving the target
    // exactly, is the answer: the design asked about is kept.
    tether::design own_design = base_;
    const double own          = g_.param->field(own_design);
    if (!base_fault && g_.low < own && own < g_.high) {
        ++evaluations_;
        climber::design_figures st = climber::compute_figures(base_, integral_, stop_);
        if (figure_values(st, {g_.figure}, 0)[0] == g_.value) {
            out.value = own;
            out.study = std::move(st);
            return out;
        }
    }
    auto [a, b] = toms748(flow, fhigh);
    if (!narrow(a, b)) {
        out.missed = true;
        return out;
    }
    // The figure must close on the target as the bracket narrows.
    if (a != b) {
        halve(a, b);
    }
    if (a != b && !close(figure_of(a), figure_of(b)) && jumps(a, b)) {
        say_jump(a, b, out);
        return out;
    }
    out.value  = a + (b - a) / 2;
    out.study  = climber::compute_figures(design_at(out.value), integral_, stop_);
    out.missed = out.study.missed();
    return out;
}

}  // namespace

solution solve(const tether::design& base, const goal& g, const std::atomic<int>* stop)
{
    solution out;
    try {
        out = search(base, g, stop).run();
    }
    catch (const no_answer& e) {
        out.problem = e.why;
        out.fault   = e.fault;
        out.reason  = e.reason;
    }
    catch (const out_of_evaluations&) {
        out.missed = true;
    }
    return out;
}

std::vector<climber::note> solved_notes(const tether::design& base, const goal& g,
                                        const solution& s)
{
    if (!s.solved()) {
        return {};
    }
    tether::design d               = base;
    g.param->field(d)              = s.value;
    std::vector<climber::note> out = climber::design_notes(d);
    for (climber::note& n : climber::notes(s.study, false)) {
        out.push_back(std::move(n));
    }
    return out;
}

std::vector<column> goal_columns(const goal& goal)
{
    std::vector<column> columns{{goal.param->name, goal.param->unit, goal.param->meaning}};
    const std::vector<column> all = figure_columns(0, true);
    for (std::size_t c : goal_selection(goal.figure)) {
        columns.push_back(all[c]);
    }
    return columns;
}

std::vector<double> solved_values(const solution& s, const goal& g)
{
    std::vector<double> values{s.value};
    for (double v : figure_values(s.study, goal_selection(g.figure), 0)) {
        values.push_back(s.solved() ? v : std::nan(""));
    }
    return values;
}

std::string unsolved_reason(const solution& s)
{
    if (s.missed) {
        return "no answer within " + std::to_string(max_goal_evaluations) + " designs to " +
               tether::compact_number(bracket_width) + " of the value";
    }
    return s.jump.empty() ? s.problem : s.jump;
}

}  // namespace engine
