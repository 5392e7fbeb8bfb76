// A sample's p-quantile from its sorted values, as NumPy's and pandas'
// default defines it: with h = p (n - 1), linear between x_floor(h) and
// x_ceil(h). Written here apart from the engine's, to check it.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

inline double sorted_quantile(const std::vector<double>& sorted, double p)
{
    const double h       = p * static_cast<double>(sorted.size() - 1);
    const double below   = std::floor(h);
    const auto i         = static_cast<std::size_t>(below);
    const std::size_t up = i + 1 < sorted.size() ? i + 1 : i;
    return sorted[i] + (h - below) * (sorted[up] - sorted[i]);
}
