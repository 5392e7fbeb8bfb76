// Goal seek: the value of a parameter, between two ends, at which a figure
// of the integral method (smooth in the parameters) equals a target.
#pragma once

#include "engine/words/rows.hpp"
#include "engine/words/settings.hpp"

#include "climber/figures.hpp"
#include "tether/design.hpp"

#include <atomic>
#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace engine {

struct goal {
    const tether::param* param;  // the parameter sought
    double low;                  // the bracket's ends, low < high
    double high;
    std::size_t figure;  // the figure's column in figure_columns(0, true)
    double value;        // the figure's target
};

inline constexpr unsigned max_goal_evaluations = 200;  // designs computed for one goal, at most

// Reads "NAME=LOW:HIGH", NAME any parameter of the table that takes a
// number; throws usage_error.
goal parse_solve(const std::string& text);
// The column of the named figure in figure_columns(0, true); throws usage_error
// for a name that is none of them (saying where they are listed) or an
// oscillation period, which cannot be sought.
std::size_t figure_column(const std::string& name);
// Reads "FIGURE=VALUE" into the goal, FIGURE any figure of the table;
// throws usage_error.
void parse_for(goal& g, const std::string& text);

// A mistake in one of a goal's two texts: in its target ("FIGURE=VALUE")
// or in what it seeks ("NAME=LOW:HIGH"), for the face to say where.
struct goal_error : usage_error {
    goal_error(bool in_target, const usage_error& e) : usage_error(e), target(in_target) {}
    bool target;
};
// The goal of "NAME=LOW:HIGH" and "FIGURE=VALUE"; throws goal_error.
goal read_goal(const std::string& seek, const std::string& target);

struct solution {
    double value = std::numeric_limits<double>::quiet_NaN();  // the parameter's solved value
    climber::design_figures study{};  // every figure there (meaningful where solved())
    std::string problem;  // why there is none: a refused design, no crossing, no value at an end
    std::optional<design_fault> fault;  // the refused design's fault, where that is the problem
    bool missed = false;                // max_goal_evaluations without the bracket's width
    // The figure jumps or steps over the target: where, and why where known.
    std::string jump;
    // Why there is none, without where: the refused design's reason, the
    // target against the figure's values at the ends, the jump or step, or
    // the figure without a value (where problem or jump is said).
    std::string reason;

    bool solved() const
    {
        return problem.empty() && jump.empty() && !missed;
    }
};

// Two figures of neighbouring designs closer than this, relative to the
// larger of them and the target, are one value: ten times the integral
// method's tolerance, for the error of each.
inline constexpr double goal_accuracy = 1e-11;
// The search ends on a bracket this narrow, relative to its larger end.
inline constexpr double bracket_width = 1e-12;

// Finds the parameter's value in [low, high] at which the figure equals
// the target: TOMS 748 on the bracket (on a log scale where the bracket is
// positive and spans more than three decades), stopping where its width is
// at most 1e-12 of the value or after max_goal_evaluations designs; an end
// exactly on the target is the answer. Where the figure is not monotonic in
// the bracket, the answer is one of its crossings. Where the figure at the
// final bracket's ends does not close on the target within goal_accuracy
// (halving the bracket down to neighbouring numbers), the figure jumps
// there and jump says so. A base design refused on another parameter than
// the one sought is refused before any search, in the check's own words.
solution solve(const tether::design& base, const goal& g, const std::atomic<int>* stop = nullptr);

// The notes on a solved design (its parameter set to the solved value): on
// the design itself, then on its figures; none where there is no answer.
std::vector<climber::note> solved_notes(const tether::design& base, const goal& g,
                                        const solution& s);

// The columns a goal adds to a row: the parameter sought, then the figures.
std::vector<column> goal_columns(const goal& goal);

// A solved row after the swept values: the parameter's value, then the
// figures there (NaN where there is no answer).
std::vector<double> solved_values(const solution& s, const goal& g);
// Why there is no answer: the problem, the jump, or the evaluations that
// ran out.
std::string unsolved_reason(const solution& s);

}  // namespace engine
