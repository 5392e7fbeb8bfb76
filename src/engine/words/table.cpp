#include "engine/words/table.hpp"

#include "engine/words/numbers.hpp"
#include "engine/words/text.hpp"

#include <cmath>

namespace engine {

meta_value meta_value::of_number(double v)
{
    meta_value out;
    out.is     = kind::number;
    out.number = v;
    return out;
}

meta_value meta_value::of_count(std::uint64_t n)
{
    meta_value out;
    out.is    = kind::count;
    out.count = n;
    return out;
}

meta_value meta_value::of_text(std::string t)
{
    meta_value out;
    out.is   = kind::text;
    out.text = std::move(t);
    return out;
}

meta_value meta_value::list()
{
    meta_value out;
    out.is = kind::list;
    return out;
}

meta_value& meta_value::add(std::string name, meta_value v)
{
    items.emplace_back(std::move(name), std::move(v));
    return *this;
}

meta_value& meta_value::add(meta_value v)
{
    return add({}, std::move(v));
}

std::string json_text(const meta_value& v)
{
    switch (v.is) {
    case meta_value::kind::number:
        return std::isnan(v.number) ? "null" : shortest(v.number);
    case meta_value::kind::count:
        return std::to_string(v.count);
    case meta_value::kind::text:
        return json_string(v.text);
    case meta_value::kind::list:
    case meta_value::kind::map:
        break;
    }
    const bool map  = v.is == meta_value::kind::map;
    std::string out = map ? "{" : "[";
    for (const auto& [name, item] : v.items) {
        out += out.size() == 1 ? "" : ",";
        out += map ? json_string(name) + ":" : "";
        out += json_text(item);
    }
    return out + (map ? "}" : "]");
}

std::string metadata_line(const meta_value& v)
{
    return "{\"metadata\":" + json_text(v) + "}\n";
}

std::string table::missed_text() const
{
    return consequence.empty() || missed.why.empty() ? missed.why : missed.why + "; " + consequence;
}

std::vector<double> table::flat() const
{
    std::vector<double> out;
    for (const table_row& row : rows) {
        out.insert(out.end(), row.values.begin(), row.values.end());
    }
    return out;
}

std::vector<table_row> rows_of(std::vector<std::vector<double>> rows)
{
    std::vector<table_row> out;
    out.reserve(rows.size());
    for (std::vector<double>& row : rows) {
        out.push_back({std::move(row)});
    }
    return out;
}

}  // namespace engine
