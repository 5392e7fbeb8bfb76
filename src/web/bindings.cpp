// The study for the web page: the library and the explorer's reading of a
// design, compiled to WebAssembly. Every function takes the design as
// "name=value" lines, applied in order as tether-explore applies --set
// (a "planet=" line first sets GM, RE and tsid), and answers with
// JavaScript values built here (objects, arrays, strings, typed arrays of
// doubles), never JSON text. Figures keep their text as the explorer writes
// it (the shortest that reads back to the same binary64).
#include "engine/figures.hpp"
#include "engine/loads.hpp"
#include "engine/modes.hpp"
#include "engine/numbers.hpp"
#include "engine/run.hpp"
#include "engine/sensitivity.hpp"
#include "engine/settings.hpp"
#include "engine/solve.hpp"
#include "engine/spread.hpp"
#include "engine/sweep.hpp"

#include "climber/figures.hpp"
#include "climber/study.hpp"
#include "tether/modes.hpp"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using emscripten::val;

namespace {

struct reading {
    tether::design design;
    std::vector<std::pair<std::string, std::string>> errors;  // name, message
};

// Applies each line; a line that cannot be applied is an error of its own
// parameter, and the rest still apply.
reading read(const std::string& lines)
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
    return r;
}

val errors_of(const std::vector<std::pair<std::string, std::string>>& errors)
{
    val out = val::array();
    for (const auto& [name, message] : errors) {
        val e = val::object();
        e.set("name", name);
        e.set("message", message);
        out.call<void>("push", e);
    }
    return out;
}

// The reading, and the library's fault with the design if it reads.
reading checked(const std::string& lines, bool with_rows)
{
    reading r = read(lines);
    if (r.errors.empty()) {
        if (const auto fault = engine::design_error(r.design, with_rows)) {
            r.errors.emplace_back(fault->name, fault->message);
        }
    }
    return r;
}

val doubles(const std::vector<double>& v)
{
    val out = val::global("Float64Array").new_(v.size());
    out.call<void>("set", val(emscripten::typed_memory_view(v.size(), v.data())));
    return out;
}

val strings(const std::vector<std::string>& v)
{
    val out = val::array();
    for (const std::string& s : v) {
        out.call<void>("push", s);
    }
    return out;
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
    for (const auto& m : engine::methods()) {
        if (m.value == how) {
            return m.name;
        }
    }
    return {};
}

// The most designs a sweep or map on the page may have, by method.
std::uint64_t page_limit(climber::method how)
{
    return how == climber::method::integral ? 250000 : 1000;
}

// The most points of a solved curve on the page: each seeks its goal over
// some twenty designs.
constexpr std::uint64_t solved_limit = 2000;

// {on: "parameter" or "figure", name, text}: a note, placed by the field of
// what it concerns, with the page's words on how to act on it, as
// tether-explore adds its option.
val note_of(const climber::note& n, const char* on)
{
    val out = val::object();
    out.set("on", std::string(on));
    out.set("name", n.concerns);
    out.set("text",
            n.text + (n.kind == climber::note_kind::coarse_march ? " (choose the integral method)"
                                                                 : ""));
    return out;
}

// Runs f, turning an exhausted memory into the page's message.
template <class F> val guarded(F&& f)
{
    try {
        return f();
    }
    catch (const std::bad_alloc&) {
        val out = val::object();
        out.set("errors", errors_of({{"", "The computation ran out of memory: try fewer designs "
                                          "or a larger dz."}}));
        return out;
    }
}

}  // namespace

// {errors, notes, figures: [{name, unit, value}], columns, rows}: the
// headline figures by the method (value: the explorer's text, or null), the
// library's notes on the design and its figures ({on, name, text}), and, by
// the march, the climber at every row of the ascent table as a Float64Array
// of rows of the columns.
val evaluate(const std::string& lines, const std::string& method)
{
    return guarded([&] {
        reading r = checked(lines, true);
        val out   = val::object();
        std::optional<climber::method> how;
        try {
            how = method_named(method);
        }
        catch (const engine::usage_error& e) {
            r.errors.emplace_back("method", e.what());
        }
        out.set("errors", errors_of(r.errors));
        std::vector<std::string> columns;
        for (const engine::column& c : engine::ascent_columns()) {
            columns.push_back(c.name);
        }
        out.set("columns", strings(columns));
        val figures = val::array();
        out.set("figures", figures);
        val notes = val::array();
        out.set("notes", notes);
        if (!r.errors.empty()) {
            return out;
        }
        for (const climber::note& n : climber::design_notes(r.design)) {
            notes.call<void>("push", note_of(n, "parameter"));
        }
        const tether::design d          = r.design;
        const climber::push_params push = engine::ascent_push(d);
        std::vector<double> rows;
        const climber::study march =
            climber::compute_study(d, [&rows, &push](const climber::drive_point& p, double time) {
                for (double v : engine::ascent_values(push, p, time)) {
                    rows.push_back(v);
                }
            });
        const bool by_march = *how == climber::method::march;
        climber::design_figures study{};
        if (by_march) {
            static_cast<climber::study&>(study) = march;
            study.whole = tether::compute_whole(d, study.model, study.positions);
        }
        else {
            study = climber::compute_figures(d, {climber::method::integral});
        }
        for (const climber::note& n : climber::notes(study, by_march)) {
            notes.call<void>("push", note_of(n, "figure"));
        }
        for (const climber::note& n : climber::field_notes(study, {})) {
            notes.call<void>("push", note_of(n, "figure"));
        }
        const std::vector<double> values        = engine::figure_values(study);
        const std::vector<engine::column> names = engine::figure_columns();
        for (std::size_t i = 0; i < names.size(); ++i) {
            val f = val::object();
            f.set("name", names[i].name);
            f.set("unit", names[i].unit);
            f.set("value", std::isnan(values[i]) ? val::null() : val(engine::shortest(values[i])));
            figures.call<void>("push", f);
        }
        out.set("rows", doubles(rows));
        return out;
    });
}

// The ascent rows as tether-explore --ascent --format csv writes them, or
// an empty text for a design that cannot be computed.
std::string ascent_csv(const std::string& lines)
{
    const reading r = checked(lines, true);
    if (!r.errors.empty()) {
        return {};
    }
    const tether::design d          = r.design;
    const climber::push_params push = engine::ascent_push(d);
    const engine::row_writer out(engine::format::csv, engine::ascent_columns());
    std::string text = out.header();
    climber::compute_study(d, [&](const climber::drive_point& p, double time) {
        text += out.row(engine::ascent_values(push, p, time));
    });
    return text;
}

// The design as a design file that tether-explore --config reads, or an
// empty text for a design that cannot be computed.
std::string design_file(const std::string& lines)
{
    const reading r = checked(lines, false);
    return r.errors.empty() ? engine::listing(r.design) : std::string();
}

namespace {

// The run of the sweeps ("NAME=FROM:TO:N[:log]") from the design, at most
// limit designs, read by the engine; throws usage_error, naming the sweep
// at fault as tether-explore --sweep does.
engine::run run_of(engine::run_request r, const std::vector<std::string>& sweeps)
{
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
}

// The run of the sweeps by the method, within the page's limit for it,
// giving the figures named (none: every one).
engine::run run_of(const tether::design& d, const std::vector<std::string>& sweeps,
                   climber::method how, const std::vector<std::string>& figures,
                   bool each_checked = false)
{
    engine::run_request r;
    r.each_checked = each_checked;
    r.base         = d;
    r.figures      = {how};
    r.names        = figures;
    r.limit        = page_limit(how);
    r.where        = "on this page by the " + name_of(how) + " method";
    try {
        return run_of(std::move(r), sweeps);
    }
    catch (const engine::grid_error&) {
        throw;
    }
    catch (const engine::usage_error&) {
        throw engine::usage_error("no figure named " + engine::printable(figures.at(0)));
    }
}

// Every row of the run, in order, on this thread; what they say, tallied.
engine::run_summary each_row(const engine::run& r,
                             const std::function<void(std::uint64_t, engine::run_row&)>& f)
{
    engine::run_settings s;
    s.jobs = 0;
    return r.execute(
        0, r.size(),
        [&f](std::uint64_t i, engine::run_row& row) {
            f(i, row);
            return true;
        },
        s);
}

// The goal of "NAME=LOW:HIGH" and "FIGURE=VALUE"; throws usage_error,
// naming the text at fault as tether-explore names its option's.
engine::goal goal_of(const std::string& solve_text, const std::string& for_text)
{
    engine::goal g{};
    try {
        g = engine::parse_solve(solve_text);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(engine::printable(solve_text) + ": " + e.what());
    }
    try {
        engine::parse_for(g, for_text);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(engine::printable(for_text) + ": " + e.what());
    }
    return g;
}

}  // namespace

// {errors, x, y}: one figure of every design of a sweep, as the explorer
// computes it by the method; every design checked first.
val sweep(const std::string& lines, const std::string& sweep_text, const std::string& figure,
          const std::string& method)
{
    return guarded([&] {
        reading r = read(lines);
        val out   = val::object();
        std::vector<double> x;
        std::vector<double> y;
        if (r.errors.empty()) {
            try {
                const engine::run run =
                    run_of(r.design, {sweep_text}, method_named(method), {figure});
                if (const auto fault = run.check([] { return false; })) {
                    throw engine::usage_error(fault->message);
                }
                each_row(run, [&](std::uint64_t, engine::run_row& row) {
                    x.push_back(row.values[0]);
                    y.push_back(row.values[1]);
                });
            }
            catch (const engine::usage_error& e) {
                r.errors.emplace_back("sweep", e.what());
            }
        }
        out.set("errors", errors_of(r.errors));
        out.set("x", doubles(x));
        out.set("y", doubles(y));
        return out;
    });
}

// {errors, x, y, z, refused}: a map of one figure over a grid of two
// sweeps, the first the x axis (outermost): z[i * ny + j] is the figure at
// x[i], y[j], NaN where the design is refused (refused counts those) or
// the figure has no value.
val map(const std::string& lines, const std::string& first, const std::string& second,
        const std::string& figure, const std::string& method)
{
    return guarded([&] {
        reading r = read(lines);
        val out   = val::object();
        std::vector<double> xs;
        std::vector<double> ys;
        std::vector<double> z;
        double refused = 0;
        if (r.errors.empty()) {
            try {
                const engine::run run =
                    run_of(r.design, {first, second}, method_named(method), {figure}, true);
                xs = run.designs().sweeps()[0].values;
                ys = run.designs().sweeps()[1].values;
                z.reserve(static_cast<std::size_t>(run.size()));
                each_row(run, [&](std::uint64_t, engine::run_row& row) {
                    z.push_back(row.values[2]);
                    refused += row.fault ? 1 : 0;
                });
            }
            catch (const engine::usage_error& e) {
                r.errors.emplace_back("map", e.what());
            }
        }
        out.set("errors", errors_of(r.errors));
        out.set("x", doubles(xs));
        out.set("y", doubles(ys));
        out.set("z", doubles(z));
        out.set("refused", refused);
        return out;
    });
}

// The map's grid as tether-explore --method M --sweep FIRST --sweep SECOND
// --format csv prints it, or an empty text where a design is refused.
std::string map_csv(const std::string& lines, const std::string& first, const std::string& second,
                    const std::string& method)
{
    const reading r = read(lines);
    if (!r.errors.empty()) {
        return {};
    }
    try {
        const engine::run run = run_of(r.design, {first, second}, method_named(method), {});
        if (run.check([] { return false; })) {
            return {};
        }
        const engine::row_writer out(engine::format::csv, run.columns());
        std::string text = out.header();
        each_row(run, [&](std::uint64_t, engine::run_row& row) { text += out.row(row.values); });
        return text;
    }
    catch (const engine::usage_error&) {
        return {};
    }
}

// {errors, value, problem, method}: the value of a parameter, between two
// ends, at which a figure of the integral method equals a target, for the
// design (tether-explore --solve NAME=LOW:HIGH --for FIGURE=VALUE): value
// the shortest text that reads back to it, or null and the problem saying
// why there is none; method the one that seeks it. A goal that cannot be
// read is an error named "solve".
val solve(const std::string& lines, const std::string& solve_text, const std::string& for_text)
{
    return guarded([&] {
        reading r = read(lines);
        val out   = val::object();
        out.set("value", val::null());
        out.set("problem", std::string());
        out.set("method", name_of(climber::method::integral));
        if (r.errors.empty()) {
            try {
                const engine::goal g     = goal_of(solve_text, for_text);
                const engine::solution s = engine::solve(r.design, g);
                if (s.solved()) {
                    out.set("value", engine::shortest(s.value));
                }
                else {
                    out.set("problem", engine::unsolved_reason(s));
                }
            }
            catch (const engine::usage_error& e) {
                r.errors.emplace_back("solve", e.what());
            }
        }
        out.set("errors", errors_of(r.errors));
        return out;
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
    return guarded([&] {
        reading r = read(lines);
        val out   = val::object();
        std::vector<double> x;
        std::vector<double> y;
        val x_text   = val::array();
        val y_text   = val::array();
        val problems = val::array();
        val notes    = val::array();
        out.set("method", name_of(climber::method::integral));
        if (r.errors.empty()) {
            try {
                engine::run_request request;
                request.base          = r.design;
                request.sought        = goal_of(solve_text, for_text);
                request.limit         = solved_limit;
                request.where         = "on this page for a solved curve";
                const engine::run run = run_of(std::move(request), {sweep_text});
                const engine::run_summary said =
                    each_row(run, [&](std::uint64_t, engine::run_row& row) {
                        const double at   = row.values[0];
                        const bool solved = row.solved->solved();
                        x.push_back(at);
                        y.push_back(solved ? row.values[1] : std::nan(""));
                        x_text.call<void>("push", engine::shortest(at));
                        y_text.call<void>("push", solved ? engine::shortest(row.values[1]) : "");
                        if (!solved) {
                            val p = val::object();
                            p.set("at", engine::shortest(at));
                            p.set("text", row.why);
                            problems.call<void>("push", p);
                        }
                    });
                for (const climber::note& n : run.led(said.notes)) {
                    notes.call<void>("push", n.text);
                }
            }
            catch (const engine::goal_error& e) {
                // The parameter sought is swept too: said of the goal's text.
                r.errors.emplace_back("sweep", engine::printable(solve_text) + ": " + e.what());
            }
            catch (const engine::usage_error& e) {
                r.errors.emplace_back("sweep", e.what());
            }
        }
        out.set("errors", errors_of(r.errors));
        out.set("x", doubles(x));
        out.set("y", doubles(y));
        out.set("xText", x_text);
        out.set("yText", y_text);
        out.set("problems", problems);
        out.set("notes", notes);
        return out;
    });
}

namespace {

val columns_of(const std::vector<engine::column>& columns)
{
    val out = val::array();
    for (const engine::column& c : columns) {
        val e = val::object();
        e.set("name", c.name);
        e.set("unit", c.unit);
        e.set("meaning", c.meaning);
        out.call<void>("push", e);
    }
    return out;
}

// Whether a parameter is a member of the design's planet, which a preset sets.
bool of_planet(const tether::param& p)
{
    tether::design d{};
    const auto* at    = reinterpret_cast<const char*>(&p.field(d));
    const auto* first = reinterpret_cast<const char*>(&d.planet);
    return at >= first && at < first + sizeof d.planet;
}

}  // namespace

namespace {

// The in-plane shapes drawn, and at how many evenly spaced altitudes.
constexpr unsigned drawn_shapes    = 3;
constexpr unsigned shape_altitudes = 201;

// The first n of the modes found, for the shapes of those alone.
tether::modes first_modes(const tether::modes& found, std::size_t n)
{
    tether::modes out = found;
    for (auto* v :
         {&out.in_plane, &out.out_of_plane, &out.lambda2_in, &out.lambda2_out, &out.error}) {
        v->resize(std::min(v->size(), n));
    }
    return out;
}

}  // namespace

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
    return guarded([&] {
        reading r = checked(lines, false);
        val out   = val::object();
        out.set("families", columns_of(engine::figure_families()));
        unsigned n = 0;
        try {
            n = engine::modes_count(n_text);
        }
        catch (const engine::usage_error& e) {
            r.errors.emplace_back("modes", e.what());
        }
        out.set("errors", errors_of(r.errors));
        val periods = val::object();
        out.set("periods", periods);
        out.set("note", val::null());
        val shapes = val::object();
        out.set("shapes", shapes);
        if (!r.errors.empty()) {
            periods.set("in", doubles({}));
            periods.set("out", doubles({}));
            return out;
        }
        const tether::design& d   = r.design;
        const tether::model m     = tether::compute_model(d);
        const tether::positions p = tether::compute_positions(d, m);
        const tether::modes found = tether::compute_modes(m, p, n);
        periods.set("in", doubles(found.in_plane));
        periods.set("out", doubles(found.out_of_plane));
        if (found.unstable || found.missed) {
            out.set("note", found.why);
        }
        const tether::modes drawn = n >= drawn_shapes ? first_modes(found, drawn_shapes)
                                                      : tether::compute_modes(m, p, drawn_shapes);
        std::vector<double> altitudes(shape_altitudes);
        for (unsigned i = 0; i < shape_altitudes; ++i) {
            // Evenly spaced, the top end exactly.
            altitudes[i] =
                i + 1 == shape_altitudes
                    ? m.rapex - m.RE
                    : (m.rapex - m.RE) * (static_cast<double>(i) / (shape_altitudes - 1));
        }
        const auto each = tether::mode_shapes(m, p, drawn, altitudes);
        shapes.set("alt", doubles(altitudes));
        for (std::size_t k = 0; k < each.size(); ++k) {
            shapes.set("shape_" + std::to_string(k + 1), doubles(each[k]));
        }
        return out;
    });
}

// The library's tables, for the page to build itself from:
//   parameters  [{group, name, unit, meaning, value, auto, autoRule}]: every
//               parameter with the study's value (text) and, where "auto" is
//               allowed, what it gives
//   presets     {NAME: {PARAMETER: value text}}: the planets, in order, with
//               the parameters each sets
//   figures     [{name, unit, meaning, methods}]: the headline figures, with
//               the names of the methods that compute each
//   ascent      [{name, unit, meaning}]: the ascent table's columns
//   plots       [{title, columns}]: the climb's plots, columns of the ascent
//               table against its first
//   methods     [{name, meaning}], the first the default
//   examples    [{sweep, figure}]: sweeps worth offering first
//   families    [{name, unit, meaning}]: the families of figures a mode
//               each, the oscillation periods in and out of plane
val tables()
{
    const tether::design d{};
    val parameters = val::array();
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        const double v = tether::value_of(d, *p);
        val e          = val::object();
        e.set("group", std::string(p->group));
        e.set("name", std::string(p->name));
        e.set("unit", std::string(p->unit));
        e.set("meaning", std::string(p->meaning));
        e.set("value", tether::is_automatic(v) ? std::string("auto") : engine::readable(v));
        e.set("auto", p->can_be_auto);
        e.set("autoRule", std::string(p->auto_rule));
        parameters.call<void>("push", e);
    }
    val presets = val::object();
    for (const std::string& name : tether::planet_names()) {
        tether::design planet{};
        planet.planet = *tether::planet_named(name);
        val e         = val::object();
        for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
            if (of_planet(*p)) {
                const double v = tether::value_of(planet, *p);
                e.set(p->name, tether::is_automatic(v) ? std::string("auto") : engine::readable(v));
            }
        }
        presets.set(name, e);
    }
    val plots = val::array();
    for (const engine::plot& p : engine::ascent_plots()) {
        val e       = val::object();
        val columns = val::array();
        for (const char* c : p.columns) {
            columns.call<void>("push", std::string(c));
        }
        e.set("title", std::string(p.title));
        e.set("columns", columns);
        plots.call<void>("push", e);
    }
    val methods = val::array();
    for (const auto& m : engine::methods()) {
        val e = val::object();
        e.set("name", std::string(m.name));
        e.set("meaning", std::string(m.meaning));
        methods.call<void>("push", e);
    }
    val examples = val::array();
    for (const engine::example_sweep& x : engine::example_sweeps()) {
        val e = val::object();
        e.set("sweep", std::string(x.sweep));
        e.set("figure", std::string(x.figure));
        examples.call<void>("push", e);
    }
    val out = val::object();
    out.set("parameters", parameters);
    out.set("presets", presets);
    val figures = columns_of(engine::figure_columns());
    for (int i = 0; i < figures["length"].as<int>(); ++i) {
        val by = val::array();
        for (const auto& m : engine::methods()) {
            if (engine::computed_by(figures[i]["name"].as<std::string>(), m.value)) {
                by.call<void>("push", std::string(m.name));
            }
        }
        figures[i].set("methods", by);
    }
    out.set("figures", figures);
    out.set("ascent", columns_of(engine::ascent_columns()));
    out.set("plots", plots);
    out.set("methods", methods);
    out.set("examples", examples);
    out.set("families", columns_of(engine::figure_families()));
    return out;
}

namespace {

// The run of the draws "NAME=DIST" (one a line) from the design, within the
// page's limit for the method; throws usage_error naming the line at fault.
engine::run draws_run_of(const tether::design& d, const std::string& vary_lines,
                         const std::string& samples, const std::string& key, climber::method how)
{
    std::vector<std::string> texts;
    for (std::size_t from = 0; from <= vary_lines.size();) {
        const auto end         = std::min(vary_lines.find('\n', from), vary_lines.size());
        const std::string line = engine::trim(vary_lines.substr(from, end - from));
        if (!line.empty()) {
            texts.push_back(line);
        }
        from = end + 1;
    }
    engine::run_request r;
    r.base    = d;
    r.figures = {how};
    engine::draw_request drawn;
    try {
        drawn.vary = engine::read_varied(texts);
    }
    catch (const engine::varied_error& e) {
        throw engine::usage_error(engine::printable(texts[e.index]) + ": " + e.what());
    }
    if (drawn.vary.empty()) {
        throw engine::usage_error("give a distribution to at least one parameter");
    }
    try {
        drawn.count = engine::parse_draw_count(samples);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(std::string("draws: ") + e.what());
    }
    if (drawn.count > page_limit(how)) {
        throw engine::usage_error("draws: at most " + std::to_string(page_limit(how)) +
                                  " on this page by the " + name_of(how) + " method");
    }
    try {
        drawn.key = engine::parse_key(key);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(std::string("key: ") + e.what());
    }
    r.drawn = std::move(drawn);
    return engine::run(std::move(r));
}

}  // namespace

// {errors, columns, rows, csv, values, notes}: the draws' summary of every
// figure as tether-explore --vary ... --summary gives it (rows of texts: the
// figure's name, then each number as the explorer's CSV writes it; csv, its
// very bytes), the chosen figure's value at each draw (NaN where the draw
// gave none), and the shares said beside it.
val spread(const std::string& lines, const std::string& vary_lines, const std::string& samples,
           const std::string& key, const std::string& method, const std::string& figure)
{
    return guarded([&] {
        reading r = checked(lines, false);
        val out   = val::object();
        out.set("errors", errors_of(r.errors));
        if (!r.errors.empty()) {
            return out;
        }
        try {
            const engine::run run =
                draws_run_of(r.design, vary_lines, samples, key, method_named(method));
            const std::vector<engine::column> shown = run.figures_shown();
            const auto at                           = std::find_if(shown.begin(), shown.end(),
                                                                   [&](const engine::column& c) { return c.name == figure; });
            if (at == shown.end()) {
                throw engine::usage_error("no figure named " + engine::printable(figure));
            }
            const std::size_t column =
                run.columns().size() - shown.size() + static_cast<std::size_t>(at - shown.begin());
            std::vector<double> values;
            engine::run_settings s;
            s.jobs                           = 0;
            const engine::spread_summary sum = engine::summarize(
                run, s, std::nullopt, [&](std::uint64_t, const engine::run_row& row) {
                    values.push_back(row.values[column]);
                });
            const std::vector<engine::column> columns = engine::spread_summary::columns();
            const engine::row_writer csv(engine::format::csv, columns);
            std::string text = csv.header();
            val rows         = val::array();
            for (const engine::labelled_row& row : sum.rows()) {
                text += csv.row(row.values, row.texts);
                std::vector<std::string> cells = row.texts;
                for (double v : row.values) {
                    cells.push_back(std::isnan(v) ? std::string() : engine::shortest(v));
                }
                rows.call<void>("push", strings(cells));
            }
            std::vector<std::string> names;
            for (const engine::column& c : columns) {
                names.push_back(c.name);
            }
            out.set("columns", strings(names));
            out.set("rows", rows);
            out.set("csv", text);
            out.set("values", doubles(values));
            std::vector<std::string> notes;
            if (sum.unbuilt.met > 0) {
                notes.push_back(engine::share_text(sum.unbuilt) + " are no design.");
            }
            for (const engine::note_share& n : sum.notes) {
                notes.push_back(engine::share_text(n.of) + ": " + n.note.text);
            }
            out.set("notes", strings(notes));
            out.set("method", name_of(method_named(method)));
        }
        catch (const engine::usage_error& e) {
            out.set("errors", errors_of({{"spread", e.what()}}));
        }
        return out;
    });
}

// {errors, notes, figure, parameter, derivative, elasticity}: the design's
// derivatives by the integral method, a row for each figure and parameter
// (tether-explore --sensitivity's rows; the numbers as Float64Arrays), and
// the notes on them (auto parameters held, one-sided steps, jumps).
val sensitivity(const std::string& lines)
{
    return guarded([&] {
        const reading r = checked(lines, false);
        val out         = val::object();
        out.set("errors", errors_of(r.errors));
        std::vector<std::string> figure;
        std::vector<std::string> parameter;
        std::vector<double> derivative;
        std::vector<double> elasticity;
        std::vector<std::string> notes;
        if (r.errors.empty()) {
            const engine::sensitivities s = engine::compute_sensitivities(r.design);
            for (const engine::slope& row : s.slopes) {
                const std::vector<std::string> labels = engine::slope_labels(s, row);
                const std::vector<double> numbers     = engine::slope_numbers(row);
                figure.push_back(labels[0]);
                parameter.push_back(labels[1]);
                derivative.push_back(numbers[0]);
                elasticity.push_back(numbers[1]);
            }
            for (const climber::note& n : climber::design_notes(r.design)) {
                notes.push_back(n.text);
            }
            notes.insert(notes.end(), s.notes.begin(), s.notes.end());
        }
        out.set("figure", strings(figure));
        out.set("parameter", strings(parameter));
        out.set("derivative", doubles(derivative));
        out.set("elasticity", doubles(elasticity));
        out.set("notes", strings(notes));
        return out;
    });
}

namespace {

// The design's load table as tether-explore --load gives it, or the
// reason it has none (usage_error, naming the parameter at fault).
engine::load_table load_table_of(reading& r)
{
    if (r.errors.empty()) {
        try {
            return engine::loads_of(r.design);
        }
        catch (const engine::usage_error& e) {
            r.errors.emplace_back("rowdz", e.what());
        }
    }
    return {};
}

}  // namespace

// {errors, columns: [{name, unit, meaning}], rows, notes, why}: the tension
// along the tether at the traffic's worst moment, as tether-explore --load
// gives it (rows a Float64Array of rows of the columns), the notes on the
// traffic's figures ({on, name, text}) and why the tensions are NaN (or
// null).
val load(const std::string& lines)
{
    return guarded([&] {
        reading r                  = checked(lines, false);
        const engine::load_table t = load_table_of(r);
        val out                    = val::object();
        out.set("errors", errors_of(r.errors));
        out.set("columns", columns_of(engine::load_columns()));
        std::vector<double> rows;
        for (const std::vector<double>& row : t.rows) {
            rows.insert(rows.end(), row.begin(), row.end());
        }
        out.set("rows", doubles(rows));
        val notes = val::array();
        for (const climber::note& n : t.notes) {
            notes.call<void>("push", note_of(n, "figure"));
        }
        out.set("notes", notes);
        out.set("why", t.why.empty() ? val::null() : val(t.why));
        return out;
    });
}

// The load rows as tether-explore --load --format csv writes them, or an
// empty text for a design that cannot be computed.
std::string load_csv(const std::string& lines)
{
    reading r                  = checked(lines, false);
    const engine::load_table t = load_table_of(r);
    if (!r.errors.empty()) {
        return {};
    }
    const engine::row_writer out(engine::format::csv, engine::load_columns());
    std::string text = out.header();
    for (const std::vector<double>& row : t.rows) {
        text += out.row(row);
    }
    return text;
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
    emscripten::function("solve", &solve);
    emscripten::function("solveSweep", &solve_sweep);
    emscripten::function("modes", &modes);
    emscripten::function("spread", &spread);
    emscripten::function("sensitivity", &sensitivity);
    emscripten::function("load", &load);
    emscripten::function("loadCsv", &load_csv);
}
