// The study for the web page: the library and the explorer's reading of a
// design, compiled to WebAssembly. Every function takes the design as
// "name=value" lines, applied in order as tether-explore applies --set
// (a "planet=" line first sets GM, RE and tsid), and answers with
// JavaScript values built here (objects, arrays, strings, typed arrays of
// doubles), never JSON text. Figures keep their text as the explorer writes
// it (the shortest that reads back to the same binary64).
#include "engine/figures.hpp"
#include "engine/numbers.hpp"
#include "engine/settings.hpp"
#include "engine/sweep.hpp"

#include "climber/integral.hpp"
#include "climber/study.hpp"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cmath>
#include <new>
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

climber::method method_named(const std::string& name)
{
    return name == "integral" ? climber::method::integral : climber::method::march;
}

// The most designs a sweep or map on the page may have, by method.
std::uint64_t page_limit(climber::method how)
{
    return how == climber::method::integral ? 250000 : 1000;
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

// {errors, warning, figures: [{name, unit, value}], columns, rows}: the
// headline figures by the method (value: the explorer's text, or null),
// and, by the march, the climber at every row of the ascent table as a
// Float64Array of rows of the columns.
val evaluate(const std::string& lines, const std::string& method)
{
    return guarded([&] {
        const reading r = checked(lines, true);
        val out         = val::object();
        out.set("errors", errors_of(r.errors));
        std::vector<std::string> columns;
        for (const engine::column& c : engine::ascent_columns()) {
            columns.push_back(c.name);
        }
        out.set("columns", strings(columns));
        val figures = val::array();
        out.set("figures", figures);
        out.set("warning", val::null());
        if (!r.errors.empty()) {
            return out;
        }
        for (const climber::note& n : climber::design_notes(r.design)) {
            out.set("warning", n.text);
        }
        const tether::design d          = r.design;
        const climber::push_params push = engine::ascent_push(d);
        const climber::push_params push = engine::ascent_push(d);
        std::vector<double> rows;
        const climber::study march =
            climber::compute_study(d, [&rows](const climber::drive_point& p, double time) {
                for (double v : engine::ascent_values(push, p, time)) {
                    rows.push_back(v);
                }
            });
        const std::vector<double> values =
            engine::figure_values(climber::compute_figures(d, method_named(method)));
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
    const tether::design d = r.design;
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

// The grid of up to two sweeps ("NAME=FROM:TO:N[:log]"), at most limit
// designs, and the column of the figure; throws usage_error, naming the
// sweep it cannot read as tether-explore --sweep does.
engine::grid grid_of(const std::vector<std::string>& sweeps, std::uint64_t limit)
{
    const auto reading = [](const std::string& s, auto&& f) {
        try {
            return f(s);
        }
        catch (const engine::usage_error& e) {
            throw engine::usage_error(engine::printable(s) + ": " + e.what());
        }
    };
    std::uint64_t count = 1;
    for (const std::string& s : sweeps) {
        count *= reading(s, engine::sweep_count);
        if (count > limit) {
            throw engine::usage_error("at most " + std::to_string(limit) +
                                      " designs on this page with this method");
        }
    }
    std::vector<engine::sweep> parsed;
    for (const std::string& s : sweeps) {
        parsed.push_back(reading(s, engine::parse_sweep));
    }
    return engine::grid(std::move(parsed));
}

std::size_t column_of(const engine::grid& g, const std::string& figure)
{
    const std::vector<engine::column> columns = engine::grid_columns(g);
    for (std::size_t c = g.sweeps().size(); c < columns.size(); ++c) {
        if (columns[c].name == figure) {
            return c;
        }
    }
    throw engine::usage_error("no figure named " + engine::printable(figure));
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
                const climber::method how = method_named(method);
                const engine::grid g      = grid_of({sweep_text}, page_limit(how));
                const std::size_t col     = column_of(g, figure);
                if (const auto fault = engine::grid_fault(g, r.design, [] { return false; })) {
                    throw engine::usage_error(fault->message);
                }
                for (std::uint64_t i = 0; i < g.size(); ++i) {
                    const std::vector<double> row = engine::grid_row(g, r.design, i, how);
                    x.push_back(row[0]);
                    y.push_back(row[col]);
                }
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
                const climber::method how = method_named(method);
                const engine::grid g      = grid_of({first, second}, page_limit(how));
                const std::size_t col     = column_of(g, figure);
                xs                        = g.sweeps()[0].values;
                ys                        = g.sweeps()[1].values;
                z.reserve(static_cast<std::size_t>(g.size()));
                for (std::uint64_t i = 0; i < g.size(); ++i) {
                    if (engine::design_error(g.design_at(r.design, i), false)) {
                        z.push_back(std::nan(""));
                        ++refused;
                        continue;
                    }
                    z.push_back(engine::grid_row(g, r.design, i, how)[col]);
                }
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
        const climber::method how = method_named(method);
        const engine::grid g      = grid_of({first, second}, page_limit(how));
        if (engine::grid_fault(g, r.design, [] { return false; })) {
            return {};
        }
        const engine::row_writer out(engine::format::csv, engine::grid_columns(g));
        std::string text = out.header();
        for (std::uint64_t i = 0; i < g.size(); ++i) {
            text += out.row(engine::grid_row(g, r.design, i, how));
        }
        return text;
    }
    catch (const engine::usage_error&) {
        return {};
    }
}

// [{group, name, unit, meaning, value, auto}]: every parameter with the
// study's value (text), and whether "auto" is allowed.
val parameters()
{
    const tether::design d{};
    val out = val::array();
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        const double v = tether::value_of(d, *p);
        val e          = val::object();
        e.set("group", std::string(p->group));
        e.set("name", std::string(p->name));
        e.set("unit", std::string(p->unit));
        e.set("meaning", std::string(p->meaning));
        e.set("value", tether::is_automatic(v) ? std::string("auto") : engine::readable(v));
        e.set("auto", p->can_be_auto);
        out.call<void>("push", e);
    }
    return out;
}

// {earth: {GM, RE, tsid}, mars: {...}}: the planet presets, as text.
val presets()
{
    val out = val::object();
    for (const char* name : {"earth", "mars"}) {
        const tether::planet p = *tether::planet_named(name);
        val e                  = val::object();
        e.set("GM", engine::readable(p.GM));
        e.set("RE", engine::readable(p.RE));
        e.set("tsid", engine::readable(p.tsid));
        out.set(name, e);
    }
    return out;
}

EMSCRIPTEN_BINDINGS(tether)
{
    emscripten::function("presets", &presets);
    emscripten::function("evaluate", &evaluate);
    emscripten::function("ascentCsv", &ascent_csv);
    emscripten::function("designFile", &design_file);
    emscripten::function("sweep", &sweep);
    emscripten::function("map", &map);
    emscripten::function("mapCsv", &map_csv);
    emscripten::function("parameters", &parameters);
}
