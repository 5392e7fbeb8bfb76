// One shape for every table-shaped answer of the engine (one design's modes,
// its derivatives, its tensions, its ascent; a summary or the indices of
// draws): the columns with their names, units and kinds, the rows, what
// names a row, the notes said after the rows, each after its lead, why some
// of its numbers are NaN, and what the answer was (the draws' seed...). A
// face has one converter of it: the command line writes any table in any
// format, Python makes one DataFrame, the page one JavaScript value.
#pragma once

#include "engine/words/rows.hpp"

#include "tether/miss.hpp"
#include "tether/note.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace engine {

// A value of a table's metadata: a number, a count, a text, or a list or a
// map of values (a map's items in order, each named).
struct meta_value {
    enum class kind { number, count, text, list, map };
    kind is             = kind::map;
    double number       = 0;
    std::uint64_t count = 0;
    std::string text{};
    std::vector<std::pair<std::string, meta_value>> items{};  // names empty in a list

    static meta_value of_number(double v);
    static meta_value of_count(std::uint64_t n);
    static meta_value of_text(std::string t);
    static meta_value list();
    // Appends v, named (in a map) or not (in a list); returns this value.
    meta_value& add(std::string name, meta_value v);
    meta_value& add(meta_value v);
    bool empty() const
    {
        return items.empty() && (is == kind::map || is == kind::list);
    }
};

// The value as JSON text: a number as its shortest text (NaN: null).
std::string json_text(const meta_value& v);
// Metadata as one JSON line before rows of JSON: {"metadata":VALUE}.
std::string metadata_line(const meta_value& v);

// A row: the numbers in order for the columns of numbers, the texts in order
// for those of text.
struct table_row {
    std::vector<double> values;
    std::vector<std::string> texts{};
};

// A note said after a table's rows: "LEAD: TEXT" (lead "warning" or
// "note"); where it is one of the library's notes, that note, whose kind
// tells a face where to look.
struct table_note {
    std::string lead;
    std::string text;
    std::optional<tether::note> note = std::nullopt;
};

struct table {
    std::vector<column> columns;
    std::vector<table_row> rows{};
    std::size_t index = 0;            // the leading columns that name a row, as an index
    std::vector<table_note> notes{};  // in order, after the rows
    tether::miss missed{};            // why some numbers are NaN (the answer missed)
    std::string consequence{};        // what that makes of the numbers, or empty
    meta_value metadata{};            // what the answer was: a map, empty where nothing
    std::string rows_are  = "rows";   // what a row is, in messages: "rows", "modes"
    bool stopped          = false;    // a stop request ended it: no row means anything
    std::uint64_t planned = 0;        // the rows it would have had, where stopped

    // Why the answer missed, with its consequence: "WHY; CONSEQUENCE".
    std::string missed_text() const;
    // Where rows of numbers alone: their values, one row after another.
    std::vector<double> flat() const;
};

// Rows of numbers alone as a table's rows.
std::vector<table_row> rows_of(std::vector<std::vector<double>> rows);

}  // namespace engine
