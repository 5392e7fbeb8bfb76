#include "engine/words/rows.hpp"

#include "engine/words/numbers.hpp"
#include "engine/words/text.hpp"

#include <cmath>

namespace engine {

namespace {

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

// A number for machines, appended to line: the shortest text that reads
// back to it, or for NaN nothing in CSV and null in JSON.
void put_machine_number(std::string& line, double v, format f)
{
    if (std::isnan(v)) {
        line += f == format::json ? "null" : "";
        return;
    }
    char text[number_size];
    line.append(text, shortest_to(text, v));
}

std::string csv_text(const std::string& t)
{
    if (t.find_first_of(",\"\r\n") == std::string::npos) {
        return t;
    }
    std::string out = "\"";
    for (char c : t) {
        out += c == '"' ? "\"\"" : std::string(1, c);
    }
    return out + "\"";
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
    return row(values, {});
}

std::string row_writer::row(const std::vector<double>& values,
                            const std::vector<std::string>& texts) const
{
    std::string line;
    std::size_t number = 0;
    std::size_t text   = 0;
    for (std::size_t i = 0; i < values.size() + texts.size(); ++i) {
        const bool is_text = i < columns_.size() && columns_[i].text;
        if (is_text) {
            put_text(line, i, texts[text++]);
        }
        else {
            put_number(line, i, values[number++]);
        }
    }
    if (format_ == format::json) {
        line += '}';
    }
    line += '\n';
    return line;
}

void row_writer::put_number(std::string& line, std::size_t i, double v) const
{
    switch (format_) {
    case format::table:
        cell(line, ten_digits(v));
        break;
    case format::csv:
        line += i == 0 ? "" : ",";
        put_machine_number(line, v, format_);
        break;
    case format::json:
        line += i == 0 ? "{\"" : ",\"";
        line += columns_[i].name;
        line += "\":";
        put_machine_number(line, v, format_);
        break;
    }
}

void row_writer::put_text(std::string& line, std::size_t i, const std::string& t) const
{
    switch (format_) {
    case format::table:
        cell(line, t.empty() ? "-" : t);
        break;
    case format::csv:
        line += (i == 0 ? "" : ",") + csv_text(t);
        break;
    case format::json:
        line += (i == 0 ? "{\"" : ",\"") + columns_[i].name + "\":" + json_string(t);
        break;
    }
}

std::vector<std::string> column_names(const std::vector<column>& columns)
{
    std::vector<std::string> names;
    names.reserve(columns.size());
    for (const column& c : columns) {
        names.push_back(c.name);
    }
    return names;
}

}  // namespace engine
