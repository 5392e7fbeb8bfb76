// Summaries of a figure over many draws, in memory that does not grow with
// their number beyond a few hundred kilobytes: the count, mean, standard
// deviation, percentiles and range, and the share of draws that meet a
// condition with its 95 % confidence interval.
#pragma once

#include "engine/words/settings.hpp"
#include "engine/words/vocabulary.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// The values of a sample, kept exactly up to `capacity` of them and beyond
// that in a compacting summary: values are held in levels, a value of level
// h standing for 2^h of the sample's; when a level holds `capacity` values
// they are sorted and every other one, starting alternately from the first
// and the second, moves up a level. Each such step moves the count of kept
// weight at or below any value by at most 2^h, and level h takes at most
// n / (capacity 2^h) of them, so after n values the rank of any value is
// off by at most E = L n / capacity, L = floor(log2(n / capacity)) + 1 the
// levels that have moved values up (rank_error() gives the error that the
// steps taken bound, never more than that). It holds at most
// capacity (L + 1) values.
class quantile_sketch {
  public:
    // capacity: even, at least 2.
    explicit quantile_sketch(std::size_t capacity = 8192);
    void add(double v);
    std::uint64_t count() const;
    // The p-quantile (0 <= p <= 1) as NumPy's and pandas' default defines it
    // for a sample: with the values sorted x_0 <= ... <= x_(n-1), and
    // h = p (n - 1), x_floor(h) + (h - floor(h)) (x_ceil(h) - x_floor(h)).
    // Exact while count() <= capacity; beyond, it lies between the sample's
    // x_(floor(h) - E) and x_(ceil(h) + E). p = 0 and 1 give the least and
    // the greatest value exactly. NaN for an empty sample.
    double quantile(double p) const;
    // The bound E on the rank of any value that the steps taken give.
    std::uint64_t rank_error() const;
    // The values held now, for checking that memory stays bounded.
    std::size_t held() const;

  private:
    void compact(std::size_t level);
    std::size_t capacity_;
    std::vector<std::vector<double>> levels_;
    std::vector<bool> odd_;  // each level's next compaction keeps the odd positions
    double min_               = 0;
    double max_               = 0;
    std::uint64_t count_      = 0;
    std::uint64_t rank_error_ = 0;
};

// A figure over the draws. Values that are not finite (a draw that is no
// design, a figure missing) are not counted.
struct figure_summary {
    std::uint64_t computed = 0;  // the draws that gave the figure
    double mean;
    double sd;  // with n - 1: NaN for fewer than 2 values
    double p5;
    double p50;
    double p95;
    double min;
    double max;
};

class summary_tally {
  public:
    explicit summary_tally(std::size_t capacity = 8192);
    void add(double v);
    figure_summary result() const;

  private:
    quantile_sketch sketch_;
    double mean_ = 0;
    double m2_   = 0;  // the sum of squared deviations from the mean (Welford)
};

// FIGURE<VALUE or FIGURE>VALUE: a figure's value strictly below or above a
// number.
struct bound {
    std::string figure;
    std::size_t at;  // the figure's index in the columns it was read against
    bool below;
    double value;
    // Whether a value meets it; NaN never does.
    bool met_by(double v) const;
};

// Bounds that must all be met.
struct condition {
    std::vector<bound> all;
    // Whether the figures' values, in the order of the columns the condition
    // was read against, meet every bound.
    bool met_by(const double* figures) const;
};

// Parses "FIGURE<VALUE" or "FIGURE>VALUE" (blanks allowed around either
// side), or several separated by commas, FIGURE one of the columns' names.
// Throws usage_error.
condition parse_condition(const std::string& text, const std::vector<column>& figures);

// The share of draws that meet a condition, of every draw counted (a draw
// that gave no value does not meet it), with its 95 % Wilson score interval.
struct share {
    std::uint64_t met   = 0;
    std::uint64_t total = 0;
    double value;  // met / total; NaN where total is 0
    double low;
    double high;
};
share share_of(std::uint64_t met, std::uint64_t total);

}  // namespace engine
