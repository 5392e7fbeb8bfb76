#include "climber/march.hpp"

#include "tether/positions.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace climber {

march_plan plan_march(const tether::design& d, const tether::model& m)
{
    march_plan p{};
    p.dz   = d.march.dz;
    p.ztop = top_of_march(d, m);
    // The points are those with i * dz <= ztop; the division may be off by
    // one either way. A count beyond any march that could run is capped.
    const double q = std::floor(p.ztop / p.dz);
    if (!(q >= 0)) {
        p.points = 0;
    }
    else if (!(q < 1e18)) {
        p.points = std::numeric_limits<std::int64_t>::max();
    }
    else {
        auto n = static_cast<std::int64_t>(q) + 1;
        while (static_cast<double>(n) * p.dz <= p.ztop) {
            ++n;
        }
        while (n > 0 && static_cast<double>(n - 1) * p.dz > p.ztop) {
            --n;
        }
        p.points = n;
    }
    const double k = std::nearbyint(d.march.rowdz / p.dz);
    p.every        = k >= static_cast<double>(p.points)
                         ? std::max<std::int64_t>(1, p.points)
                         : std::max<std::int64_t>(1, static_cast<std::int64_t>(k));
    p.dtfac        = p.dz * 1000 / 3600;
    p.dm0          = p.dz * tether::surface_density(d, m);
    return p;
}

}  // namespace climber
