// The benchmarks' sizes: as written, or in a short pass (`tether_bench
// --short`, which CI runs to see that every benchmark still runs) a
// hundredth of them, each benchmark timed once.
#pragma once

#include <algorithm>

namespace bench {

inline bool short_pass = false;

inline int sized(int n)
{
    return short_pass ? std::max(n / 100, 2) : n;
}

}  // namespace bench
