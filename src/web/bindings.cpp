// The study for the web page: the library and the explorer's reading of a
// design, compiled to WebAssembly. Every function takes the design as
// "name=value" lines, applied in order as tether-explore applies --set
// (a "planet=" line first sets GM, RE and tsid), and answers in JSON, with
// every number as the shortest text that reads back to the same binary64.
#include "figures.hpp"
#include "numbers.hpp"
#include "settings.hpp"
#include "sweep.hpp"

#include "climber/study.hpp"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::string quoted(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

// A number in JSON: the shortest text, or null where it is missing.
std::string number(double v)
{
    return v == v ? explore::shortest(v) : "null";
}

struct reading {
    explore::described design;
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
        const std::string name = line.substr(0, eq);
        try {
            explore::apply(r.design, name, line.substr(eq + 1));
        }
        catch (const explore::usage_error& e) {
            r.errors.emplace_back(name, name + " = " + line.substr(eq + 1) + ": " + e.what());
        }
    }
    return r;
}

std::string errors_json(const std::vector<std::pair<std::string, std::string>>& errors)
{
    std::string out = "[";
    for (const auto& [name, message] : errors) {
        out += (out.size() > 1 ? "," : "") + std::string("{\"name\":") + quoted(name) +
               ",\"message\":" + quoted(message) + "}";
    }
    return out + "]";
}

// The reading, and the library's fault with the design if it reads.
reading checked(const std::string& lines, bool with_rows)
{
    reading r = read(lines);
    if (r.errors.empty()) {
        if (const auto fault = explore::design_error(r.design, with_rows)) {
            r.errors.emplace_back(fault->name, fault->message);
        }
    }
    return r;
}

}  // namespace

// The climber at every row of the last design evaluated, row after row,
// each with the values of explore::ascent_columns.
std::vector<double> ascent_rows;

// {"errors":[...], "figures":[{"name","unit","value"}...], "columns":[...]}:
// the headline figures; the climber at every row of the ascent table waits
// in ascentRows().
std::string evaluate(const std::string& lines)
{
    ascent_rows.clear();
    const reading r                           = checked(lines, true);
    const std::vector<explore::column> ascent = explore::ascent_columns();
    std::string columns                       = "[";
    for (const explore::column& c : ascent) {
        columns += (columns.size() > 1 ? "," : "") + quoted(c.name);
    }
    columns += "]";
    if (!r.errors.empty()) {
        return "{\"errors\":" + errors_json(r.errors) + ",\"figures\":[],\"columns\":" + columns +
               "}";
    }
    const tether::design d = explore::resolve(r.design);
    const climber::study s =
        climber::compute_study(d, [](const climber::drive_point& p, double time) {
            for (double v : explore::ascent_values(p, time)) {
                ascent_rows.push_back(v);
            }
        });

    std::string out                          = "{\"errors\":[],\"figures\":[";
    const std::vector<explore::column> names = explore::figure_columns();
    const std::vector<double> values         = explore::figure_values(s);
    for (std::size_t i = 0; i < names.size(); ++i) {
        out += (i == 0 ? "" : ",") + std::string("{\"name\":") + quoted(names[i].name) +
               ",\"unit\":" + quoted(names[i].unit) + ",\"value\":" +
               (values[i] == values[i] ? quoted(explore::shortest(values[i])) : "null") + "}";
    }
    return out + "],\"columns\":" + columns + "}";
}

// The rows of the last evaluate(), as a view of the module's memory that
// the caller copies before its next call.
emscripten::val ascent_rows_view()
{
    return emscripten::val(emscripten::typed_memory_view(ascent_rows.size(), ascent_rows.data()));
}

// The ascent rows as tether-explore --ascent --format csv writes them, or
// an empty text for a design that cannot be computed.
std::string ascent_csv(const std::string& lines)
{
    const reading r = checked(lines, true);
    if (!r.errors.empty()) {
        return {};
    }
    const tether::design d = explore::resolve(r.design);
    const explore::row_writer out(explore::format::csv, explore::ascent_columns());
    std::string text = out.header();
    climber::compute_study(d, [&](const climber::drive_point& p, double time) {
        text += out.row(explore::ascent_values(p, time));
    });
    return text;
}

// The design as a design file that tether-explore --config reads, or an
// empty text for a design that cannot be computed.
std::string design_file(const std::string& lines)
{
    const reading r = checked(lines, false);
    return r.errors.empty() ? explore::listing(r.design) : std::string();
}

// {"errors":[...], "x":[...], "y":[...]}: one figure of every design of a
// sweep ("NAME=FROM:TO:N" or a list, as --sweep takes it).
std::string sweep(const std::string& lines, const std::string& sweep_text,
                  const std::string& figure)
{
    reading r = read(lines);
    std::string x;
    std::string y;
    if (r.errors.empty()) {
        try {
            const explore::grid g({explore::parse_sweep(sweep_text)});
            if (g.size() > 1000) {
                throw explore::usage_error("at most 1000 designs on this page");
            }
            const std::vector<explore::column> columns = explore::grid_columns(g);
            std::size_t col                            = 1;
            while (col < columns.size() && columns[col].name != figure) {
                ++col;
            }
            if (col == columns.size()) {
                throw explore::usage_error("no figure named " + figure);
            }
            for (std::uint64_t i = 0; i < g.size(); ++i) {
                if (const auto fault = explore::design_error(g.design_at(r.design, i), false)) {
                    throw explore::usage_error(g.sweeps()[0].param->name + std::string("=") +
                                               explore::shortest(g.values_at(i)[0]) + ": " +
                                               fault->message);
                }
            }
            for (std::uint64_t i = 0; i < g.size(); ++i) {
                const std::vector<double> row = explore::grid_row(g, r.design, i);
                x += (i == 0 ? "" : ",") + number(row[0]);
                y += (i == 0 ? "" : ",") + number(row[col]);
            }
        }
        catch (const explore::usage_error& e) {
            r.errors.emplace_back("sweep", e.what());
            x.clear();
            y.clear();
        }
    }
    return "{\"errors\":" + errors_json(r.errors) + ",\"x\":[" + x + "],\"y\":[" + y + "]}";
}

// [{"group","name","unit","meaning","value","auto"}...]: every parameter
// with the study's value, and whether "auto" is allowed.
std::string parameters()
{
    const tether::design d{};
    std::string out = "[";
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        const double v   = tether::value_of(d, *p);
        const bool autos = explore::may_be_auto(*p);
        out += (out.size() > 1 ? "," : "") + std::string("{\"group\":") + quoted(p->group) +
               ",\"name\":" + quoted(p->name) + ",\"unit\":" + quoted(p->unit) +
               ",\"meaning\":" + quoted(p->meaning) +
               ",\"value\":" + quoted(tether::is_automatic(v) ? "auto" : explore::readable(v)) +
               ",\"auto\":" + (autos ? "true" : "false") + "}";
    }
    return out + "]";
}

// {"earth":{"GM":...,"RE":...,"tsid":...},"mars":{...}}: the planet presets.
std::string presets()
{
    std::string out = "{";
    for (const char* name : {"earth", "mars"}) {
        const tether::planet p = *tether::planet_named(name);
        out += (out.size() > 1 ? "," : "") + quoted(name) +
               ":{\"GM\":" + quoted(explore::readable(p.GM)) +
               ",\"RE\":" + quoted(explore::readable(p.RE)) +
               ",\"tsid\":" + quoted(explore::readable(p.tsid)) + "}";
    }
    return out + "}";
}

EMSCRIPTEN_BINDINGS(tether)
{
    emscripten::function("presets", &presets);
    emscripten::function("evaluate", &evaluate);
    emscripten::function("ascentRows", &ascent_rows_view);
    emscripten::function("ascentCsv", &ascent_csv);
    emscripten::function("designFile", &design_file);
    emscripten::function("sweep", &sweep);
    emscripten::function("parameters", &parameters);
}
