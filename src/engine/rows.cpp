#include "engine/rows.hpp"

#include "engine/numbers.hpp"
#include "engine/text.hpp"

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
            cell(line, ten_digits(values[i]));
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

std::string row_writer::row(const std::vector<std::string>& labels,
                            const std::vector<double>& values) const
{
    std::string line;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        switch (format_) {
        case format::table:
            cell(line, labels[i]);
            break;
        case format::csv:
            line += (i == 0 ? "" : ",") + labels[i];
            break;
        case format::json:
            line += (i == 0 ? "{\"" : ",\"") + columns_[i].name + "\":\"" + labels[i] + "\"";
            break;
        }
    }
    if (labels.empty()) {
        return row(values);
    }
    const row_writer rest(
        format_, {columns_.begin() + static_cast<std::ptrdiff_t>(labels.size()), columns_.end()});
    std::string numbers = rest.row(values);
    switch (format_) {
    case format::table:
        return line + numbers;
    case format::csv:
        return line + (values.empty() ? "" : ",") + numbers;
    case format::json:
        return line + (values.empty() ? "}\n" : "," + numbers.substr(1));
    }
    return line + numbers;
}

}  // namespace engine
