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
    // A row whose first columns hold names (a figure's, a parameter's),
    // written as they are (quoted in JSON), then the values.
    std::string row(const std::vector<std::string>& labels,
                    const std::vector<double>& values) const;

  private:
    format format_;
    std::vector<column> columns_;
};

}  // namespace engine
