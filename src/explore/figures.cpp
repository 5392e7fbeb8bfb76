#include "figures.hpp"

#include "settings.hpp"

#include <array>
#include <cmath>
#include <cstdio>

namespace explore {

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

constexpr int table_width = 16;  // 10 significant digits, sign and exponent

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

// A missing figure (NaN) in each format; numbers as the shortest text that
// reads back to the same binary64.
std::string machine_number(double v, format f)
{
    if (std::isnan(v)) {
        return f == format::json ? "null" : "";
    }
    return shortest(v);
}

}  // namespace

std::vector<std::string> figure_names()
{
    std::vector<std::string> names;
    names.reserve(figures.size());
    for (const figure& f : figures) {
        names.emplace_back(f.name);
    }
    return names;
}

figure_writer::figure_writer(format f, std::vector<lead_column> lead)
    : format_(f), lead_(std::move(lead))
{
}

std::string figure_writer::header() const
{
    std::vector<std::pair<std::string, std::string>> cols;
    cols.reserve(lead_.size() + figures.size());
    for (const lead_column& c : lead_) {
        cols.emplace_back(c.name, c.unit);
    }
    for (const figure& f : figures) {
        cols.emplace_back(f.name, f.unit);
    }
    std::string names;
    std::string units;
    switch (format_) {
    case format::table:
        for (const auto& [name, unit] : cols) {
            cell(names, name, true);
            cell(units, unit, true);
        }
        return names + "\n" + units + "\n";
    case format::csv:
        for (const auto& col : cols) {
            names += (names.empty() ? "" : ",") + col.first;
        }
        return names + "\n";
    case format::json:
        break;
    }
    return {};
}

std::string figure_writer::row(const std::vector<double>& lead, const climber::study& s) const
{
    std::vector<double> values = lead;
    for (const figure& f : figures) {
        values.push_back(f.value(s));
    }
    std::string line;
    std::size_t i = 0;
    auto name     = [this, &i]() -> std::string {
        return i < lead_.size() ? lead_[i].name : figures[i - lead_.size()].name;
    };
    for (; i < values.size(); ++i) {
        switch (format_) {
        case format::table:
            cell(line, table_number(values[i]));
            break;
        case format::csv:
            line += (i == 0 ? "" : ",") + machine_number(values[i], format_);
            break;
        case format::json:
            line += (i == 0 ? "{\"" : ",\"") + name() + "\":" + machine_number(values[i], format_);
            break;
        }
    }
    if (format_ == format::json) {
        line += '}';
    }
    return line + "\n";
}

}  // namespace explore
