// Rows of numbers under named columns: a table for people and gnuplot, CSV,
// or JSON Lines.
#pragma once

#include <string>
#include <vector>

namespace engine {

enum class format { table, csv, json };

struct column {
    std::string name;
    std::string unit;
    std::string meaning = {};
    bool text           = false;  // holds text (a figure's name, a reason), not a number
};

class row_writer {
  public:
    row_writer(format f, std::vector<column> columns);
    // The header: for a table, a "#" line of names and one of units; for
    // CSV, one row of names; for JSON Lines, nothing.
    std::string header() const;
    // One row of values, one per column. A NaN is a missing value: "NaN" in
    // a table, empty in CSV, null in JSON. In CSV and JSON every number is
    // the shortest text that reads back to the same binary64.
    std::string row(const std::vector<double>& values) const;
    // One row where some columns hold text: the numbers in order for the
    // columns of numbers, the texts in order for those of text. Text is
    // quoted in CSV where it holds a comma, a quote or a line end (RFC
    // 4180), a JSON string in JSON, and as it is in a table ("-" where empty).
    std::string row(const std::vector<double>& values, const std::vector<std::string>& texts) const;

  private:
    // Column i's cell of a row, appended to line.
    void put_number(std::string& line, std::size_t i, double v) const;
    void put_text(std::string& line, std::size_t i, const std::string& t) const;

    format format_;
    std::vector<column> columns_;
};

// The columns' names, in order.
std::vector<std::string> column_names(const std::vector<column>& columns);

}  // namespace engine
