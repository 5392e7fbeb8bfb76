// The vocabularies every face reads: the figures of a design, the columns
// of the ascent table, the methods and the output formats, the plots of a
// climb. A face names none of these itself.
#pragma once

#include "engine/words/rows.hpp"
#include "engine/words/text.hpp"

#include "climber/drive.hpp"
#include "climber/study.hpp"

#include "climber/figures.hpp"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace engine {

// A name that a user gives, the value it stands for, and what it means.
template <class T> struct named {
    const char* name;
    T value;
    const char* meaning;
};

// The methods: "march" (the default) and "integral".
const std::vector<named<climber::method>>& methods();
// The output formats: "table" (the default), "csv" and "json".
const std::vector<named<format>>& formats();
// The value of a name in one of these tables, or none.
template <class T>
std::optional<T> named_value(const std::vector<named<T>>& table, const std::string& name)
{
    for (const named<T>& n : table) {
        if (name == n.name) {
            return n.value;
        }
    }
    return std::nullopt;
}
// The name of a value in one of these tables ("" where it has none).
template <class T> const char* named_name(const std::vector<named<T>>& table, T value)
{
    for (const named<T>& n : table) {
        if (n.value == value) {
            return n.name;
        }
    }
    return "";
}
// The names of a table, "a, b or c".
template <class T> std::string names_of(const std::vector<named<T>>& table)
{
    std::vector<std::string> names;
    names.reserve(table.size());
    for (const named<T>& n : table) {
        names.emplace_back(n.name);
    }
    return joined(names);
}

// A design's headline figures: rgeo, yuri, ..., time, cap_alt, each with
// its unit and meaning, and the methods that compute it.
// A family of figures (period_in: period_in_1 ... period_in_N) has as many
// columns as the modes asked for. The figures shown only where asked for by
// name (the ribbon's survival) come last, where named.
std::vector<column> figure_columns(std::size_t modes = 0, bool named = false);
// The families, by their names without a member's number.
std::vector<column> figure_families();
// The values of figure_columns()'s columns.
std::vector<double> figure_values(const climber::design_figures& s);
// The columns of figure_columns(modes, true) of these names, in this order
// (every column of figure_columns(modes) where names is empty); throws
// usage_error for an unknown name, a parameter's or a name given twice.
std::vector<std::size_t> figure_selection(const std::vector<std::string>& names,
                                          std::size_t modes = 0);
// The columns a goal's row shows: every figure of figure_columns(), and the
// one sought (a column of figure_columns(0, true)) where it is shown only by
// name.
std::vector<std::size_t> goal_selection(std::size_t figure);
// The request with only the modules that compute the selected columns of
// figure_columns(r.modes).
climber::figures_request request_for(climber::figures_request r,
                                     const std::vector<std::size_t>& selection);
// The selected columns' values, of a design's figures with `modes` modes.
std::vector<double> figure_values(const climber::design_figures& s,
                                  const std::vector<std::size_t>& selection, std::size_t modes);
// The figures a design has without settings beyond its own: the tether's,
// the sums', the whole tether's and (modes > 0) the modes' periods, as
// columns of figure_columns(modes); with only_modes, the periods alone.
std::vector<std::size_t> design_figure_selection(std::size_t modes, bool only_modes = false);
// The modules (climber::modules()'s names) that compute the selected
// columns of figure_columns(modes, true).
std::vector<std::string> modules_of(const std::vector<std::size_t>& selection, std::size_t modes);
// Whether a method computes the figure of that name.
bool computed_by(const std::string& name, climber::method how);
// The note on the selected columns of figure_columns(modes) that the method
// does not compute, which are empty by it: they are the integral method's
// alone (climber::note_kind::integral_only); none where it computes them all.
std::optional<climber::note> method_note(const std::vector<std::size_t>& selection,
                                         std::size_t modes, climber::method how);

// The climber at one point of the ascent: altitude, taper, gravity, power
// used, speed, travel time so far, surplus power, and its sideways push on
// the tether; push is the design's (climber::compute_push_params, or
// ascent_push).
std::vector<column> ascent_columns();
std::vector<double> ascent_values(const climber::push_params& push, const climber::drive_point& p,
                                  double time);
climber::push_params ascent_push(const tether::design& d);
// The ascent table's rows as the march makes them, each handed to row;
// none once *stop is set. Returns the march's study.
climber::study ascent_rows(const tether::design& d,
                           const std::function<void(const std::vector<double>&)>& row,
                           const std::atomic<int>* stop);

// The swing table's columns: the time since departure (h), the climber's
// altitude (km), the eastward displacement of the top end and of the
// balance point (km); engine::swing_table's rows.
std::vector<column> swing_columns();
// A plot of the climb: columns of the ascent table against altitude (the
// first column), under a title. Columns of different units take an axis each.
struct plot {
    const char* title;
    std::vector<const char*> columns;
};
const std::vector<plot>& ascent_plots();

// Sweeps that show a design's trade-offs, NAME=FROM:TO:N[:log], each with
// the figure worth drawing against it: what a face offers before the user
// has chosen.
struct example_sweep {
    const char* sweep;
    const char* figure;
};
const std::vector<example_sweep>& example_sweeps();

}  // namespace engine
