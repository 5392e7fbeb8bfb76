// Rows of numbers under named columns, as a table for people and gnuplot,
// as CSV, or as JSON Lines; and the two kinds of row the explorer writes:
// a design's headline figures, and the climber at one point of its ascent.
#pragma once

#include "climber/drive.hpp"
#include "climber/study.hpp"

#include <string>
#include <vector>

namespace engine {

enum class format { table, csv, json };

struct column {
    std::string name;
    std::string unit;
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

  private:
    format format_;
    std::vector<column> columns_;
};

// A design's headline figures: rgeo, yuri, ..., time, cap_alt.
std::vector<column> figure_columns();
std::vector<double> figure_values(const climber::study& s);

// The climber at one point of the ascent: altitude, taper, gravity, power
// used, speed, travel time so far, surplus power.
std::vector<column> ascent_columns();
std::vector<double> ascent_values(const climber::drive_point& p, double time);

}  // namespace engine
