// Which input drives a figure's spread: Sobol's first-order and total-effect
// indices, estimated from Saltelli's design of draws, with intervals from a
// bootstrap over its rows.
#pragma once

#include "engine/uncertainty/draws.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace engine {

// Saltelli's design for k inputs from n base rows: matrices A and B of n
// draws each, and for every input i the matrix A_B(i), A with its column i
// from B; n (k + 2) points in all. Row j of A is draw j of the same key's
// draws (the first k numbers of unit_draw(key, j, 2k)), row j of B the next
// k, so that every point depends on the key and its index alone. Point m is
// row j = m / (k + 2) of A (m % (k + 2) = 0), of B (1), or of A_B(i)
// (2 + i): a row's points are neighbours, and a run may evaluate them on
// any core in any order.
class saltelli_design {
  public:
    saltelli_design(std::vector<distribution> dists, std::uint64_t n, std::uint64_t key);
    std::size_t inputs() const;  // k
    std::uint64_t rows() const;  // n
    std::uint64_t size() const;  // n (k + 2)
    std::vector<double> values_at(std::uint64_t m) const;

  private:
    std::vector<distribution> dists_;
    std::uint64_t rows_;
    std::uint64_t key_;
};

// One input's indices and their 95 % intervals.
struct sobol_index {
    double first;
    double first_low;
    double first_high;
    double total;
    double total_low;
    double total_high;
};

struct sobol_indices {
    std::vector<sobol_index> of;  // one per input, in order
    std::uint64_t rows_used = 0;  // the rows whose k + 2 values are all finite
    std::uint64_t rows      = 0;  // the rows given
    // The used row whose k + 2 values carry the largest share of the sum of
    // the squared deviations of every used value from the mean of A and B:
    // its point farthest from the mean (an index into f), and that share
    // (NaN where there are no indices). Near 1, that row alone makes the
    // estimates and the bootstrap's intervals.
    std::uint64_t heaviest = 0;
    double heaviest_share;
    // Why the estimates cannot be trusted, or empty: one row carries more
    // than half of the variance (heaviest_share), or an index lies outside
    // [0, 1] by more than its 95 % interval's width. `inputs` names the
    // inputs, `row` the heaviest point.
    std::string doubt(const std::vector<std::string>& inputs, const std::string& row) const;
};

inline constexpr unsigned bootstrap_resamples = 1000;

// The indices of a figure from its values at the design's points, in the
// design's order (f.size() = n (k + 2)), over the rows whose values are all
// finite. With the figure centred on its mean over A and B, f_A, f_B and
// f_ABi the rows' values and V the variance of f_A and f_B together:
//   first_i = mean((f_B - mean) (f_ABi - f_A)) / V   (Saltelli et al. 2010)
//   total_i = mean((f_A - f_ABi)^2) / 2 / V           (Jansen 1999)
// The intervals are the 2.5 % and 97.5 % percentiles of the same estimates
// over `resamples` bootstrap resamples of the rows (drawn with replacement
// by mt19937_64 from the key), which the draws' being independent allows.
// Where the figure does not vary (V = 0) or fewer than 2 rows are used,
// every number is NaN. `stopped`, where given, is asked before each
// resample: true ends the estimate, whose numbers then mean nothing.
sobol_indices estimate_indices(const std::vector<double>& f, std::size_t k, std::uint64_t key,
                               unsigned resamples                   = bootstrap_resamples,
                               const std::function<bool()>& stopped = nullptr);

}  // namespace engine
