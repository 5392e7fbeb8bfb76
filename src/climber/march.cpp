#include "climber/march.hpp"

#include "tether/output.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace climber {

std::atomic<int>& stop_request()
{
    static std::atomic<int> request{0};
    return request;
}

double top_of_march(const tether::design& d, const tether::model& m)
{
    if (tether::is_automatic(d.march.ztop)) {
        return std::floor((m.rgeo - m.RE) - 19);
    }
    return d.march.ztop;
}

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
    p.dm0          = p.dz * d.tether.rhog;
    return p;
}

march_sums run_march(std::FILE* out, const tether::model& m, const drive_params& d,
                     const march_plan& plan)
{
    tether::report_text text(out);
    const march_sums s = march(m, d, plan, [&text](const drive_point& p, double time) {
        text.fixed(p.alt, 10, 0)
            .fixed(p.taper, 9, 5)
            .fixed(p.grav, 9, 5)
            .fixed(p.pused / 1000000, 9, 5)
            .fixed(p.speed, 9, 3)
            .fixed(time, 9, 3);
        text.fixed(p.surplus / 1000000, 9, 3).fixed(p.grav / p.taper, 9, 3);
        // Travel time less 1, 2, 3, 4 and 6 days.
        text.fixed(time - 24, 9, 3)
            .fixed(time - 48, 9, 3)
            .fixed(time - 72, 9, 3)
            .fixed(time - 96, 9, 3)
            .fixed(time - 144, 9, 3);
        text.end_line();
    });
    text.flush();
    std::fputs("# altitude  taper    grav     power     speed   time \n", out);
    std::fputs("# km                 m/s2     MW        m/s     hours\n", out);
    return s;
}

void print_mass_summary(std::FILE* out, double total, double mapex)
{
    std::fprintf(out, "#\n# Tether mass %8.2f tonnes\n", total - mapex);
    std::fprintf(out, "# Apex   mass %8.2f tonnes\n", mapex);
    std::fprintf(out, "# Total  mass %8.2f tonnes\n", total);
}

}  // namespace climber
