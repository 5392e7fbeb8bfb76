#include "engine/solve.hpp"

#include "engine/figures.hpp"
#include "engine/numbers.hpp"

#include "climber/study.hpp"

#include <boost/math/tools/toms748_solve.hpp>

#include <cmath>
#include <cstdint>
#include <vector>

namespace engine {

using tether::message_number;

std::size_t figure_column(const std::string& name)
{
    const std::vector<column> columns = figure_columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name == name) {
            return i;
        }
    }
    throw usage_error("unknown figure '" + printable(name) +
                      "' (the columns of tether-explore --format csv)");
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
std::string with_unit(double v, const std::string& unit)
{
    return message_number(v, 5) + unit_suffix(unit);
}

// A reason the search ends without an answer, said as the user's mistake.
struct no_answer {
    std::string why;
    std::optional<design_fault> fault = std::nullopt;  // where a design is refused
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
        throw usage_error("unknown parameter '" + printable(name) +
                          "' (tether-explore --list shows them)");
    }
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

solution solve(const tether::design& base, const goal& g, const std::atomic<int>* stop)
{
    const column figure     = figure_columns()[g.figure];
    const std::string param = g.param->name;
    const std::string punit = g.param->unit;
    unsigned evaluations    = 0;
    const auto design_at    = [&](double x) {
        tether::design d  = base;
        g.param->field(d) = x;
        return d;
    };
    // The figure at x, less the target; `where` says which design it is.
    const auto at = [&](double x, const char* where, climber::design_figures* keep) {
        if (++evaluations > max_goal_evaluations) {
            throw out_of_evaluations{};
        }
        const tether::design d = design_at(x);
        if (const auto fault = design_error(d, false)) {
            throw no_answer{fault->message + " (" + where + ")", fault};
        }
        const climber::design_figures st =
            climber::compute_figures(d, {climber::method::integral}, stop);
        const double v = figure_values(st)[g.figure];
        if (std::isnan(v)) {
            throw no_answer{figure.name + " has no value at " + param + " = " +
                            with_unit(x, punit) + " (" + where + ")"};
        }
        if (keep != nullptr) {
            *keep = st;
        }
        return v - g.value;
    };

    solution out;
    try {
        climber::design_figures low_study{};
        climber::design_figures high_study{};
        const double flow  = at(g.low, "the bracket's low end", &low_study);
        const double fhigh = at(g.high, "the bracket's high end", &high_study);
        if (flow == 0 || fhigh == 0) {
            out.value = flow == 0 ? g.low : g.high;
            out.study = flow == 0 ? low_study : high_study;
            return out;
        }
        if ((flow < 0) == (fhigh < 0)) {
            out.problem = figure.name + " = " + with_unit(flow + g.value, figure.unit) + " at " +
                          param + " = " + with_unit(g.low, punit) + " and " +
                          with_unit(fhigh + g.value, figure.unit) + " at " + param + " = " +
                          with_unit(g.high, punit) + ": " + with_unit(g.value, figure.unit) +
                          " is not between them";
            return out;
        }
        std::uintmax_t iterations = max_goal_evaluations;
        const auto inside         = [&](double x) { return at(x, "inside the bracket", nullptr); };
        const auto narrow         = [](double a, double b) {
            return std::fabs(b - a) <= 1e-12 * std::fmax(std::fabs(a), std::fabs(b));
        };
        const auto [a, b] = boost::math::tools::toms748_solve(inside, g.low, g.high, flow, fhigh,
                                                              narrow, iterations);
        if (!narrow(a, b)) {
            out.missed = true;
            return out;
        }
        out.value = a + (b - a) / 2;
        out.study =
            climber::compute_figures(design_at(out.value), {climber::method::integral}, stop);
        if (out.study.missed()) {
            out.missed = true;
        }
    }
    catch (const no_answer& e) {
        out.problem = e.why;
        out.fault   = e.fault;
    }
    catch (const out_of_evaluations&) {
        out.missed = true;
    }
    return out;
}

std::vector<column> solve_columns(const grid& g, const goal& goal)
{
    std::vector<column> columns;
    for (const sweep& s : g.sweeps()) {
        columns.push_back({s.param->name, s.param->unit, s.param->meaning});
    }
    columns.push_back({goal.param->name, goal.param->unit, goal.param->meaning});
    for (column& c : figure_columns()) {
        columns.push_back(std::move(c));
    }
    return columns;
}

std::vector<double> solved_values(const solution& s)
{
    std::vector<double> values{s.value};
    for (double v : figure_values(s.study)) {
        values.push_back(s.solved() ? v : std::nan(""));
    }
    return values;
}

std::string unsolved_reason(const solution& s)
{
    return s.missed ? "no answer within " + std::to_string(max_goal_evaluations) +
                          " designs to 1e-12 of the value"
                    : s.problem;
}

}  // namespace engine
