// The headline figures of a design, one row per design, as a table for
// people and gnuplot, as CSV, or as JSON Lines.
#pragma once

#include "climber/study.hpp"

#include <cstdio>
#include <string>
#include <vector>

namespace explore {

enum class format { table, csv, json };

// A column before the figures: a swept parameter's name and unit.
struct lead_column {
    std::string name;
    std::string unit;
};

// Writes rows of figures in one format. The header names the lead columns
// (if any) and then the figures.
class figure_writer {
  public:
    figure_writer(format f, std::vector<lead_column> lead);
    // The header: for a table, a "#" line of names and one of units.
    std::string header() const;
    // One design's row: the lead values, then its figures.
    std::string row(const std::vector<double>& lead, const climber::study& s) const;

  private:
    format format_;
    std::vector<lead_column> lead_;
};

// The names of the figure columns, in order.
std::vector<std::string> figure_names();

}  // namespace explore
