#include "engine/figures.hpp"

#include "engine/settings.hpp"

#include <array>
#include <cmath>
#include <cstdio>

namespace engine {

namespace {

struct figure {
    const char* name;
    const char* unit;
    double (*value)(const climber::study&);
};

// clang-format off
const std::array<figure, 12> figures{{
    {"rgeo",        "km",    [](const climber::study& s) { return s.model.rgeo; }},
    {"yuri",        "MJ/kg", [](const climber::study& s) { return s.model.yuri; }},
    {"taper_re",    "-",     [](const climber::study& s) { return s.model.taper_re; }},
    {"taper_apex",  "-",     [](const climber::study& s) { return s.model.taper_apex; }},
    {"cs_re",       "mm^2",  [](const climber::study& s) { return s.positions.cs_re; }},
    {"cs_apex",     "mm^2",  [](const climber::study& s) { return s.positions.cs_apex; }},
    {"mapex",       "t",     [](const climber::study& s) { return s.positions.mapex; }},
    {"mre",         "t",     [](const climber::study& s) { return s.positions.mre; }},
    {"tether_mass", "t",     [](const climber::study& s) { return s.sums.total - s.positions.mapex; }},
    {"total_mass",  "t",     [](const climber::study& s) { return s.sums.total; }},
    {"time",        "h",     [](const climber::study& s) { return s.sums.time; }},
    {"cap_alt",     "km",    [](const climber::study& s) { return s.sums.cap_alt; }},
}};
// clang-format on

constexpr std::size_t table_width = 16;  // 10 significant digits, sign and exponent

// A table cell: a blank, then the text right-aligned. The header's lines
// have "#" in place of their first blank.
void cell(std::string& line, const std::string& text, bool header = false)
{
    line += header && line.empty() ? '#' : ' ';
    if (text.size() < table_width) {
        line.append(table_width - text.size(), ' ');
    }
    line += text;
}

std::string table_number(double v)
{
    if (std::isnan(v)) {
        return "NaN";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

std::string machine_number(double v, format f)
{
    if (std::isnan(v)) {
        return f == format::json ? "null" : "";
    }
    return shortest(v);
}

}  // namespace

row_writer::row_writer(format f, std::vector<column> columns)
    : format_(f), columns_(std::move(columns))
{
}

std::string row_writer::header() const
{
    std::string names;
    std::string units;
    switch (format_) {
    case format::table:
        for (const column& c : columns_) {
            cell(names, c.name, true);
            cell(units, c.unit, true);
        }
        return names + "\n" + units + "\n";
    case format::csv:
        for (const column& c : columns_) {
            names += (names.empty() ? "" : ",") + c.name;
        }
        return names + "\n";
    case format::json:
        break;
    }
    return {};
}

std::string row_writer::row(const std::vector<double>& values) const
{
    std::string line;
    for (std::size_t i = 0; i < values.size(); ++i) {
        switch (format_) {
        case format::table:
            cell(line, table_number(values[i]));
            break;
        case format::csv:
            line += (i == 0 ? "" : ",") + machine_number(values[i], format_);
            break;
        case format::json:
            line += (i == 0 ? "{\"" : ",\"") + columns_[i].name +
                    "\":" + machine_number(values[i], format_);
            break;
        }
    }
    if (format_ == format::json) {
        line += '}';
    }
    return line + "\n";
}

std::vector<column> figure_columns()
{
    std::vector<column> columns;
    columns.reserve(figures.size());
    for (const figure& f : figures) {
        columns.push_back({f.name, f.unit});
    }
    return columns;
}

std::vector<double> figure_values(const climber::study& s)
{
    std::vector<double> values;
    values.reserve(figures.size());
    for (const figure& f : figures) {
        values.push_back(f.value(s));
    }
    return values;
}

std::vector<column> ascent_columns()
{
    return {{"alt", "km"},    {"taper", "-"}, {"grav", "m/s^2"}, {"power", "MW"},
            {"speed", "m/s"}, {"time", "h"},  {"surplus", "MW"}};
}

std::vector<double> ascent_values(const climber::drive_point& p, double time)
{
    // Power in MW as the report shows it: the power used, and the surplus.
    return {p.alt, p.taper, p.grav, p.pused / 1000000, p.speed, time, p.surplus / 1000000};
}

}  // namespace engine
