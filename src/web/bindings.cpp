// The study for the web page: the library and the explorer's reading of a
// design, compiled to WebAssembly. Every function takes the design as
// "name=value" lines, applied in order as tether-explore applies --set
// (a "planet=" line first sets GM, RE and tsid), and answers with
// JavaScript values built here (objects, arrays, strings, typed arrays of
// doubles), never JSON text. Figures keep their text as the explorer writes
// it (the shortest that reads back to the same binary64).
#include "engine/answers/evaluation.hpp"
#include "engine/answers/loads.hpp"
#include "engine/answers/mode_table.hpp"
#include "engine/answers/sensitivity.hpp"
#include "engine/answers/solve.hpp"
#include "engine/run/requests.hpp"
#include "engine/run/run.hpp"
#include "engine/run/sayings.hpp"
#include "engine/run/spread.hpp"
#include "engine/run/sweep.hpp"
#include "engine/words/numbers.hpp"
#include "engine/words/settings.hpp"
#include "engine/words/table.hpp"
#include "engine/words/tables.hpp"
#include "engine/words/vocabulary.hpp"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

using emscripten::val;

namespace {

using error_list = std::vector<std::pair<std::string, std::string>>;  // name, message

struct reading {
    tether::design design;
    error_list errors;
};

// Applies each line; a line that cannot be applied is an error of its own
// parameter, and the rest still apply. With with_rows given, the library's
// fault with the design, if it reads, is one too.
reading read(const std::string& lines, std::optional<bool> with_rows = std::nullopt)
{
    reading r;
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const std::string name  = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        try {
            engine::apply(r.design, name, value);
        }
        catch (const engine::usage_error& e) {
            r.errors.emplace_back(name, engine::printable(name) + " = " +
                                            engine::printable(engine::trim(value)) + ": " +
                                            e.what());
        }
    }
    const auto fault =
        r.errors.empty() && with_rows ? engine::design_error(r.design, *with_rows) : std::nullopt;
    if (fault) {
        r.errors.emplace_back(fault->name, fault->message);
    }
    return r;
}

// f(), or none with its usage_error an error of r named field.
template <class F> auto given(reading& r, const char* field, F&& f) -> std::optional<decltype(f())>
{
    try {
        return f();
    }
    catch (const engine::usage_error& e) {
        r.errors.emplace_back(field, e.what());
        return std::nullopt;
    }
}

val object(std::initializer_list<std::pair<const char*, val>> fields)
{
    val out = val::object();
    for (const auto& [name, value] : fields) {
        out.set(name, value);
    }
    return out;
}

// [f(x) for x in items]
template <class T, class F> val array(const T& items, F&& f)
{
    val out = val::array();
    for (const auto& x : items) {
        out.call<void>("push", f(x));
    }
    return out;
}

// [f(x) for x in items], as a vector.
template <class T, class F> auto each(const T& items, F&& f)
{
    std::vector<std::decay_t<decltype(f(*std::begin(items)))>> out;
    for (const auto& x : items) {
        out.push_back(f(x));
    }
    return out;
}

template <class T> val texts(const std::vector<T>& v)
{
    return array(v, [](const T& s) { return val(s); });
}

// Each number as the explorer's CSV writes it: the shortest text that reads
// back to it, or empty for NaN.
std::vector<std::string> cells(const std::vector<double>& v)
{
    return each(v, [](double x) { return std::isnan(x) ? std::string() : engine::shortest(x); });
}

val doubles(const std::vector<double>& v)
{
    val out = val::global("Float64Array").new_(v.size());
    out.call<void>("set", val(emscripten::typed_memory_view(v.size(), v.data())));
    return out;
}

val errors_of(const error_list& errors)
{
    return array(errors, [](const auto& e) {
        return object({{"name", val(e.first)}, {"message", val(e.second)}});
    });
}

std::vector<std::string> texts_of(const std::vector<climber::note>& notes)
{
    return each(notes, [](const climber::note& n) { return n.text; });
}

val column_of(const engine::column& c)
{
    return object({{"name", val(c.name)}, {"unit", val(c.unit)}, {"meaning", val(c.meaning)}});
}

val columns_of(const std::vector<engine::column>& columns)
{
    return array(columns, column_of);
}

// The page's words on how to act on a note, as tether-explore adds its
// option.
std::string where_to_look(const climber::note& n)
{
    return climber::advises_integral(n) ? " (choose the integral method)" : "";
}

// A note's text with the page's words on how to act on it.
std::string page_text(const climber::note& n)
{
    return n.text + where_to_look(n);
}

// [{on: "parameter" or "figure", name, text}]: the notes, each placed by
// the field of what it concerns, in the page's words.
val notes_of(const std::vector<climber::note>& notes, const char* on)
{
    return array(notes, [on](const climber::note& n) {
        return object({{"on", val(on)}, {"name", val(n.concerns)}, {"text", val(page_text(n))}});
    });
}

// A table's rows, each its cells in the columns' order: a text as it is, a
// number as the explorer's CSV writes it.
std::vector<std::vector<std::string>> cells_of(const engine::table& t)
{
    return each(t.rows, [&t](const engine::table_row& row) {
        std::vector<std::string> out;
        const std::vector<std::string> numbers = cells(row.values);
        auto number                            = numbers.begin();
        auto text                              = row.texts.begin();
        for (const engine::column& c : t.columns) {
            out.push_back(c.text ? *text++ : *number++);
        }
        return out;
    });
}

// Any table of the engine as tether-explore --format csv writes it.
std::string csv_of(const engine::table& t)
{
    const engine::row_writer out(engine::format::csv, t.columns);
    std::string text = out.header();
    for (const engine::table_row& row : t.rows) {
        text += out.row(row.values, row.texts);
    }
    return text;
}

// Any table of the engine as the page takes it, set on `to`: columns
// [{name, unit, meaning}], rows a Float64Array of its numbers row after row
// (rows of texts too where a column holds text), notes [{on, name, text}],
// why its numbers are NaN (with what that makes of them) or null.
void set_table(val& to, const engine::table& t)
{
    to.set("columns", columns_of(t.columns));
    to.set("rows", doubles(t.flat()));
    if (std::any_of(t.columns.begin(), t.columns.end(), [](const auto& c) { return c.text; })) {
        to.set("texts",
               array(t.rows, [](const engine::table_row& row) { return texts(row.texts); }));
    }
    to.set("notes", array(t.notes, [](const engine::table_note& n) {
               return object({{"on", val("figure")},
                              {"name", val(n.note ? n.note->concerns : std::string())},
                              {"text", val(n.text + (n.note ? where_to_look(*n.note) : ""))}});
           }));
    to.set("why", t.missed.why.empty() ? val::null() : val(t.missed.why));
}

// Each column of a table set on `to` by its name: its texts, or its
// numbers as a Float64Array.
void set_by_name(val& to, const engine::table& t)
{
    std::size_t number = 0;
    std::size_t text   = 0;
    for (const engine::column& c : t.columns) {
        const std::size_t k = c.text ? text++ : number++;
        if (c.text) {
            to.set(c.name, texts(each(t.rows, [k](const auto& row) { return row.texts[k]; })));
        }
        else {
            to.set(c.name, doubles(each(t.rows, [k](const auto& row) { return row.values[k]; })));
        }
    }
}

// The page's answer on the design read: out, as it is where the design
// cannot be computed, filled by f(design, out) where it can; its errors the
// reading's and f's usage_error, named field. Memory exhausted is an error.
template <class F> val answer(reading r, const char* field, val out, F&& f)
{
    try {
        if (r.errors.empty()) {
            given(r, field, [&] { return (f(r.design, out), 0); });
        }
        out.set("errors", errors_of(r.errors));
        return out;
    }
    catch (const std::bad_alloc&) {
        return object({{"errors", errors_of({{"", "The computation ran out of memory: try fewer "
                                                  "designs or a larger dz."}})}});
    }
}

// f(design) for the design read, or an empty text where it cannot be
// computed.
template <class F> std::string text_or_empty(const reading& r, F&& f)
{
    try {
        return r.errors.empty() ? f(r.design) : std::string();
    }
    catch (const engine::usage_error&) {
        return {};
    }
}

// A CSV text as tether-explore --format csv writes it: the header, then
// each row that rows hands to its argument.
template <class F> std::string csv(std::vector<engine::column> columns, F&& rows)
{
    const engine::row_writer out(engine::format::csv, std::move(columns));
    std::string text = out.header();
    rows([&](const std::vector<double>& row) { text += out.row(row); });
    return text;
}

// The method of a name in the library's table; throws usage_error, worded
// as the design's readers word theirs.
climber::method method_named(const std::string& name)
{
    if (const auto how = engine::named_value(engine::methods(), name)) {
        return *how;
    }
    throw engine::usage_error("method = " + engine::printable(name) +
                              ": unknown method; known: " + engine::names_of(engine::methods()));
}

std::string name_of(climber::method how)
{
    return engine::named_name(engine::methods(), how);
}

// The most designs a sweep, map or draws on the page may have, by method.
std::uint64_t page_limit(climber::method how)
{
    return how == climber::method::integral ? 250000 : 1000;
}

// The most points of a solved curve on the page: each seeks its goal over
// some twenty designs.
constexpr std::uint64_t solved_limit = 2000;

// The in-plane shapes drawn, and at how many evenly spaced altitudes.
constexpr unsigned drawn_shapes    = 3;
constexpr unsigned shape_altitudes = 201;

// A run from the design by the method, within the page's limit for it,
// giving the figures named (none: every one).
engine::run_request page_request(const tether::design& d, climber::method how,
                                 std::vector<std::string> figures)
{
    engine::run_request r;
    r.base    = d;
    r.figures = {how};
    r.names   = std::move(figures);
    r.limit   = page_limit(how);
    r.where   = "on this page by the " + name_of(how) + " method";
    return r;
}

// The run of the sweeps ("NAME=FROM:TO:N[:log]") of the request, read by
// the engine; throws usage_error, naming the sweep at fault as
// tether-explore --sweep does, and an unknown figure as the page's form.
engine::run run_of(engine::run_request r, const std::vector<std::string>& sweeps)
{
    const std::vector<std::string> figures = r.names;
    for (const std::string& s : sweeps) {
        r.axes.push_back({s});
    }
    try {
        return engine::run(std::move(r));
    }
    catch (const engine::grid_error& e) {
        throw engine::grid_error(
            std::nullopt,
            (e.axis ? engine::printable(sweeps[*e.axis]) + ": " : std::string()) + e.what());
    }
    catch (const engine::usage_error& e) {
        if (e.unknown != engine::names::figures) {
            throw;
        }
        throw engine::usage_error("no figure named " + engine::printable(figures.at(0)));
    }
}

// Every row of the run from begin to end (none: to the last), in order,
// on this thread; what they say, tallied.
engine::run_summary each_row(const engine::run& r, const std::function<void(engine::run_row&)>& f,
                             std::uint64_t begin              = 0,
                             std::optional<std::uint64_t> end = std::nullopt)
{
    engine::run_settings s;
    s.jobs = 0;
    return r.execute(
        begin, end.value_or(r.size()),
        [&f](std::uint64_t, engine::run_row& row) {
            f(row);
            return true;
        },
        s);
}

// f(), a goal's error said of the text at fault, "NAME=LOW:HIGH" or
// "FIGURE=VALUE", as tether-explore names its option's.
template <class F>
auto goal_said(const std::string& solve_text, const std::string& for_text, F&& f) -> decltype(f())
{
    try {
        return f();
    }
    catch (const engine::goal_error& e) {
        throw engine::usage_error(engine::printable(e.target ? for_text : solve_text), e);
    }
}

}  // namespace

// {errors, columns, figures: [{name, unit, value}], notes, rows}: the
// headline figures by the method (value: the explorer's text, or null), the
// library's notes on the design and its figures ({on, name, text}), and, by
// the march, the climber at every row of the ascent table as a Float64Array
// of rows of the columns.
val evaluate(const std::string& lines, const std::string& method)
{
    reading r      = read(lines, true);
    const auto how = given(r, "method", [&] { return method_named(method); });
    val out        = object({{"columns", texts(engine::column_names(engine::ascent_columns()))},
                             {"figures", val::array()},
                             {"notes", val::array()}});
    return answer(std::move(r), "method", out, [&](const tether::design& d, val& to) {
        const engine::evaluation e = engine::evaluate(d, *how, true);
        std::size_t i              = 0;
        to.set("figures", array(engine::figure_columns(), [&](const engine::column& c) {
                   const double v = e.figures[i++];
                   return object(
                       {{"name", val(c.name)},
                        {"unit", val(c.unit)},
                        {"value", std::isnan(v) ? val::null() : val(engine::shortest(v))}});
               }));
        to.set("notes", notes_of(e.design_notes, "parameter")
                            .call<val>("concat", notes_of(e.figure_notes, "figure")));
        to.set("rows", doubles(e.ascent));
    });
}

// The ascent rows as tether-explore --ascent --format csv writes them, or
// an empty text for a design that cannot be computed.
std::string ascent_csv(const std::string& lines)
{
    return text_or_empty(read(lines, true),
                         [](const tether::design& d) { return csv_of(engine::ascent_table(d)); });
}

// The design as a design file that tether-explore --config reads, or an
// empty text for a design that cannot be computed.
std::string design_file(const std::string& lines)
{
    return text_or_empty(read(lines, false), engine::listing);
}

namespace {

// sweep()'s answer for one sweep, map()'s for two: each axis's values, then
// the figure's; a sweep's designs checked first, a map's each. Of the
// grid's designs in order, in `parts` runs of (nearly) equal length, the
// figure of run `part` alone.
val figure_grid(const std::string& lines, const std::vector<std::string>& sweeps,
                const std::string& figure, const std::string& method, const char* field,
                std::uint64_t part = 0, std::uint64_t parts = 1)
{
    const bool map            = sweeps.size() == 2;
    const char* const keys[3] = {"x", "y", "z"};
    val out                   = val::object();
    for (std::size_t k = 0; k <= sweeps.size(); ++k) {
        out.set(keys[k], doubles({}));
    }
    if (map) {
        out.set("refused", 0.0);
    }
    return answer(read(lines), field, out, [&](const tether::design& d, val& to) {
        engine::run_request r = page_request(d, method_named(method), {figure});
        r.each_checked        = map;
        const engine::run run = run_of(std::move(r), sweeps);
        if (const auto fault = map ? std::nullopt : run.check([] { return false; })) {
            throw engine::usage_error(fault->message);
        }
        std::vector<double> values;
        double refused = 0;
        // At most 250000 designs (page_limit) times 2^32 parts: no overflow.
        each_row(
            run,
            [&](engine::run_row& row) {
                values.push_back(row.values.back());
                refused += row.fault ? 1 : 0;
            },
            run.size() * part / parts, run.size() * (part + 1) / parts);
        for (std::size_t k = 0; k < sweeps.size(); ++k) {
            to.set(keys[k], doubles(run.designs().sweeps()[k].values));
        }
        to.set(keys[sweeps.size()], doubles(values));
        if (map) {
            to.set("refused", refused);
        }
    });
}

}  // namespace

// {errors, x, y}: one figure of every design of a sweep, as the explorer
// computes it by the method; every design checked first.
val sweep(const std::string& lines, const std::string& sweep_text, const std::string& figure,
          const std::string& method)
{
    return figure_grid(lines, {sweep_text}, figure, method, "sweep");
}

// {errors, x, y, z, refused}: a map of one figure over a grid of two
// sweeps, the first the x axis (outermost): z[i * ny + j] is the figure at
// x[i], y[j], NaN where the design is refused (refused counts those) or
// the figure has no value.
val map(const std::string& lines, const std::string& first, const std::string& second,
        const std::string& figure, const std::string& method)
{
    return figure_grid(lines, {first, second}, figure, method, "map");
}

// map()'s answer for part `part` (from 0) of `parts`: z the figure of the
// grid's designs from size * part / parts up to size * (part + 1) / parts,
// in the map's order, and refused those of them refused; so that a map is
// computed in turns, or by several workers, as the same numbers. A part
// outside 0 to parts - 1 is an error named "map".
val map_part(const std::string& lines, const std::string& first, const std::string& second,
             const std::string& figure, const std::string& method, unsigned part, unsigned parts)
{
    if (part >= parts) {
        return object(
            {{"errors",
              errors_of({{"map", "a map in " + std::to_string(parts) + " parts has none numbered " +
                                     std::to_string(part) + " (they are numbered from 0)"}})}});
    }
    return figure_grid(lines, {first, second}, figure, method, "map", part, parts);
}

// The map's grid as tether-explore --method M --sweep FIRST --sweep SECOND
// --format csv prints it, or an empty text where a design is refused.
std::string map_csv(const std::string& lines, const std::string& first, const std::string& second,
                    const std::string& method)
{
    return text_or_empty(read(lines), [&](const tether::design& d) {
        const engine::run run = run_of(page_request(d, method_named(method), {}), {first, second});
        if (run.check([] { return false; })) {
            return std::string();
        }
        return csv(run.columns(), [&run](const auto& put) {
            each_row(run, [&put](engine::run_row& row) { put(row.values); });
        });
    });
}

namespace {

// The run that seeks the goal ("NAME=LOW:HIGH", "FIGURE=VALUE") at the
// design, or at every design of the sweeps; a goal's error said of its text.
engine::run goal_run(const tether::design& d, const std::string& solve_text,
                     const std::string& for_text, const std::vector<std::string>& sweeps)
{
    engine::run_request r;
    r.base  = d;
    r.limit = solved_limit;
    r.where = "on this page for a solved curve";
    return goal_said(solve_text, for_text, [&] {
        r.sought = engine::read_goal(solve_text, for_text);
        return run_of(std::move(r), sweeps);
    });
}

}  // namespace

// {errors, value, problem, notes, method}: the value of a parameter,
// between two ends, at which a figure of the integral method equals a
// target, for the design (tether-explore --solve NAME=LOW:HIGH --for
// FIGURE=VALUE): value the shortest text that reads back to it, or null and
// the problem saying why there is none; notes the texts of the notes on the
// solved design, as the explorer says them; method the one that seeks it.
// A goal that cannot be read is an error named "solve".
val solve(const std::string& lines, const std::string& solve_text, const std::string& for_text)
{
    val out = object({{"value", val::null()},
                      {"problem", val(std::string())},
                      {"notes", val::array()},
                      {"method", val(name_of(climber::method::integral))}});
    return answer(read(lines), "solve", out, [&](const tether::design& d, val& to) {
        const engine::run run          = goal_run(d, solve_text, for_text, {});
        const engine::run_summary said = each_row(run, [&](engine::run_row& row) {
            if (row.solved->solved()) {
                to.set("value", engine::shortest(row.solved->value));
            }
            else {
                to.set("problem", row.why);
            }
        });
        to.set("notes", texts(texts_of(run.led(said.notes))));
    });
}

// {errors, x, y, xText, yText, problems, notes, method}: a solved curve, the
// goal sought for every design of a sweep (tether-explore --solve ... --for
// ... --sweep ...): y the solved value at x, NaN (and yText empty) where
// there is none; xText and yText as the explorer's CSV writes them;
// problems [{at, text}] the points without an answer and why; notes the
// texts of the notes on the solved designs, once per kind, as the
// explorer says them.
val solve_sweep(const std::string& lines, const std::string& sweep_text,
                const std::string& solve_text, const std::string& for_text)
{
    val out = object({{"method", val(name_of(climber::method::integral))},
                      {"x", doubles({})},
                      {"y", doubles({})},
                      {"xText", val::array()},
                      {"yText", val::array()},
                      {"problems", val::array()},
                      {"notes", val::array()}});
    return answer(read(lines), "sweep", out, [&](const tether::design& d, val& to) {
        const engine::run run = goal_run(d, solve_text, for_text, {sweep_text});
        std::vector<double> x;
        std::vector<double> y;
        val problems                   = val::array();
        const engine::run_summary said = each_row(run, [&](engine::run_row& row) {
            const bool solved = row.solved->solved();
            x.push_back(row.values[0]);
            y.push_back(solved ? row.values[1] : std::nan(""));
            if (!solved) {
                problems.call<void>("push", object({{"at", val(engine::shortest(x.back()))},
                                                    {"text", val(row.why)}}));
            }
        });
        to.set("x", doubles(x));
        to.set("y", doubles(y));
        to.set("xText", texts(cells(x)));
        to.set("yText", texts(cells(y)));
        to.set("problems", problems);
        to.set("notes", texts(texts_of(run.led(said.notes))));
    });
}

// {errors, families, periods: {in, out}, note, shapes: {alt, shape_1, ...}}:
// the design's first n oscillation modes (n as text, a whole number from 1
// to 100; an error named "modes" otherwise), as tether-explore --modes N
// gives them: families the period families [{name, unit, meaning}], in and
// out of plane; periods Float64Arrays of n, NaN where missed or unstable,
// and note why (null where every period is found); shapes the first three
// in-plane shapes at 201 evenly spaced altitudes from the foot to the top
// (alt, km), each scaled to a largest |Y| of 1.
val modes(const std::string& lines, const std::string& n_text)
{
    reading r    = read(lines, false);
    const auto n = given(r, "modes", [&] { return engine::modes_count(n_text); });
    val out      = object({{"families", columns_of(engine::figure_families())},
                           {"periods", object({{"in", doubles({})}, {"out", doubles({})}})},
                           {"note", val::null()},
                           {"shapes", val::object()}});
    return answer(std::move(r), "modes", out, [&](const tether::design& d, val& to) {
        const engine::drawn_modes m = engine::modes_drawn(d, *n, drawn_shapes, shape_altitudes);
        to.set("periods",
               object({{"in", doubles(m.found.in_plane)}, {"out", doubles(m.found.out_of_plane)}}));
        if (!m.why.empty()) {
            to.set("note", m.why);
        }
        val shapes = val::object();
        set_by_name(shapes, m.shapes);
        to.set("shapes", shapes);
    });
}

// The library's tables, for the page to build itself from:
//   parameters  [{group, name, unit, meaning, value, auto, autoRule}]: every
//               parameter with the study's value (text) and, where "auto" is
//               allowed, what it gives
//   presets     {NAME: {PARAMETER: value text}}: the planets, in order, with
//               the parameters each sets
//   figures     [{name, unit, meaning, methods, named}]: the headline
//               figures, with the names of the methods that compute each;
//               named: given only where a sweep or map asks for it by name
//   ascent      [{name, unit, meaning}]: the ascent table's columns
//   plots       [{title, columns}]: the climb's plots, columns of the ascent
//               table against its first
//   methods     [{name, meaning}], the first the default
//   examples    [{sweep, figure}]: sweeps worth offering first
//   families    [{name, unit, meaning}]: the families of figures a mode
//               each, the oscillation periods in and out of plane
val tables()
{
    val presets = val::object();
    for (const engine::preset& p : engine::presets()) {
        val values = val::object();
        for (const auto& [name, value] : p.values) {
            values.set(name, value);
        }
        presets.set(p.name, values);
    }
    return object({
        {"parameters", array(engine::parameter_rows(),
                             [](const engine::parameter_row& p) {
                                 return object({{"group", val(p.group)},
                                                {"name", val(p.name)},
                                                {"unit", val(p.unit)},
                                                {"meaning", val(p.meaning)},
                                                {"value", val(p.value)},
                                                {"auto", val(p.can_be_auto)},
                                                {"autoRule", val(p.auto_rule)}});
                             })},
        {"presets", presets},
        {"figures", array(engine::figure_rows(),
                          [](const engine::figure_row& f) {
                              val e = column_of(f.figure);
                              e.set("methods", texts(f.methods));
                              e.set("named", val(f.named));
                              return e;
                          })},
        {"ascent", columns_of(engine::ascent_columns())},
        {"plots", array(engine::ascent_plots(),
                        [](const engine::plot& p) {
                            return object({{"title", val(p.title)}, {"columns", texts(p.columns)}});
                        })},
        {"methods", array(engine::methods(),
                          [](const auto& m) {
                              return object({{"name", val(m.name)}, {"meaning", val(m.meaning)}});
                          })},
        {"examples", array(engine::example_sweeps(),
                           [](const engine::example_sweep& x) {
                               return object({{"sweep", val(x.sweep)}, {"figure", val(x.figure)}});
                           })},
        {"families", columns_of(engine::figure_families())},
    });
}

namespace {

// The run of the draws "NAME=DIST" (one a line) from the design, within the
// page's limit for the method; throws usage_error naming the line at fault.
engine::run draws_run_of(const tether::design& d, const std::string& vary_lines,
                         const std::string& samples, const std::string& key, climber::method how)
{
    engine::draw_texts t;
    std::istringstream in(vary_lines);
    for (std::string line; std::getline(in, line);) {
        if (!(line = engine::trim(line)).empty()) {
            t.vary.push_back(line);
        }
    }
    if (t.vary.empty()) {
        throw engine::usage_error("give a distribution to at least one parameter");
    }
    t.count               = samples;
    engine::run_request r = page_request(d, how, {});
    try {
        r.drawn = engine::read_draws(t);
    }
    catch (const engine::draw_error& e) {
        const bool vary = e.part == engine::draw_part::vary;
        throw engine::usage_error(vary ? engine::printable(t.vary[e.index]) : "draws", e);
    }
    if (r.drawn->count > r.limit) {
        throw engine::usage_error("draws: at most " + std::to_string(r.limit) + " " + r.where);
    }
    try {  // the seed after the limit, whose error comes first
        r.drawn->key = engine::parse_key(key);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error("seed", e);
    }
    return engine::run(std::move(r));
}

}  // namespace

// {errors, columns, rows, csv, values, notes, method}: the draws' summary
// of every figure as tether-explore --vary ... --summary gives it (rows of
// texts: the figure's name, then each number as the explorer's CSV writes
// it; csv, its very bytes), the chosen figure's value at each draw (NaN
// where the draw gave none), and the shares said beside it.
val spread(const std::string& lines, const std::string& vary_lines, const std::string& samples,
           const std::string& key, const std::string& method, const std::string& figure)
{
    return answer(read(lines, false), "spread", val::object(),
                  [&](const tether::design& d, val& to) {
                      const climber::method how = method_named(method);
                      const engine::run run     = draws_run_of(d, vary_lines, samples, key, how);
                      const auto column         = run.figure_index(figure);
                      if (!column) {
                          throw engine::usage_error("no figure named " + engine::printable(figure));
                      }
                      std::vector<double> values;
                      engine::run_settings s;
                      s.jobs                           = 0;
                      const engine::spread_summary sum = engine::summarize(
                          run, s, std::nullopt, [&](std::uint64_t, const engine::run_row& row) {
                              values.push_back(row.values[*column]);
                          });
                      const engine::table t = engine::summary_table(run, sum);
                      std::vector<std::string> notes;
                      if (sum.unbuilt.met > 0) {
                          notes.push_back(engine::share_text(sum.unbuilt) + " are no design.");
                      }
                      for (const engine::note_share& n : sum.notes) {
                          notes.push_back(engine::note_share_text(run, n) + where_to_look(n.note));
                      }
                      if (sum.missed.met > 0) {
                          notes.push_back(engine::missed_share(run, sum) + ".");
                      }
                      to.set("columns", texts(engine::column_names(t.columns)));
                      to.set("rows", array(cells_of(t), texts<std::string>));
                      to.set("csv", csv_of(t));
                      to.set("values", doubles(values));
                      to.set("notes", texts(notes));
                      to.set("method", name_of(how));
                  });
}

// {errors, notes, figure, parameter, derivative, elasticity}: the design's
// derivatives by the integral method, a row for each figure and parameter
// (tether-explore --sensitivity's rows; the numbers as Float64Arrays), and
// the notes on them (auto parameters held, one-sided steps, jumps).
val sensitivity(const std::string& lines)
{
    val out = object({{"figure", val::array()},
                      {"parameter", val::array()},
                      {"derivative", doubles({})},
                      {"elasticity", doubles({})},
                      {"notes", val::array()}});
    return answer(read(lines, false), "sensitivity", out, [](const tether::design& d, val& to) {
        const engine::table t = engine::sensitivity_table(d);
        set_by_name(to, t);
        std::vector<std::string> notes = texts_of(climber::design_notes(d));
        for (const engine::table_note& n : t.notes) {
            notes.push_back(n.text);
        }
        to.set("notes", texts(notes));
    });
}

// {errors, columns: [{name, unit, meaning}], rows, notes, why, spacing}: the tension
// along the tether at the traffic's worst moment, as tether-explore --load
// gives it (rows a Float64Array of rows of the columns), the notes on the
// traffic's figures ({on, name, text}) and why the tensions are NaN (or
// null), and the parameter that spaces the rows (spacing): a design it gives
// too many rows is an error named by it.
val load(const std::string& lines)
{
    const char* spacing = engine::load_spacing().name;
    val out             = object({{"columns", columns_of(engine::load_columns())},
                                  {"rows", doubles({})},
                                  {"notes", val::array()},
                                  {"why", val::null()},
                                  {"spacing", val(spacing)}});
    return answer(read(lines, false), spacing, out,
                  [](const tether::design& d, val& to) { set_table(to, engine::loads_table(d)); });
}

// The load rows as tether-explore --load --format csv writes them, or an
// empty text for a design that cannot be computed.
std::string load_csv(const std::string& lines)
{
    return text_or_empty(read(lines, false),
                         [](const tether::design& d) { return csv_of(engine::loads_table(d)); });
}

// {errors, columns, rows, notes, why}: the swing a climb sets off over
// time, as tether-explore --swing gives it (rows a Float64Array of rows of
// the columns; none where the foot cannot lift the climber).
val swing(const std::string& lines)
{
    val out = object({{"columns", columns_of(engine::swing_columns())},
                      {"rows", doubles({})},
                      {"notes", val::array()},
                      {"why", val::null()}});
    return answer(read(lines, true), "", out,
                  [](const tether::design& d, val& to) { set_table(to, engine::swing_table(d)); });
}

// The swing's rows as tether-explore --swing --format csv writes them, or
// an empty text for a design that cannot be computed.
std::string swing_csv(const std::string& lines)
{
    return text_or_empty(read(lines, true),
                         [](const tether::design& d) { return csv_of(engine::swing_table(d)); });
}

EMSCRIPTEN_BINDINGS(tether)
{
    emscripten::function("tables", &tables);
    emscripten::function("evaluate", &evaluate);
    emscripten::function("ascentCsv", &ascent_csv);
    emscripten::function("designFile", &design_file);
    emscripten::function("sweep", &sweep);
    emscripten::function("map", &map);
    emscripten::function("mapCsv", &map_csv);
    emscripten::function("mapPart", &map_part);
    emscripten::function("solve", &solve);
    emscripten::function("solveSweep", &solve_sweep);
    emscripten::function("modes", &modes);
    emscripten::function("spread", &spread);
    emscripten::function("sensitivity", &sensitivity);
    emscripten::function("load", &load);
    emscripten::function("loadCsv", &load_csv);
    emscripten::function("swing", &swing);
    emscripten::function("swingCsv", &swing_csv);
}
