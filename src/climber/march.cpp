#include "climber/march.hpp"

#include <cmath>

namespace climber {

namespace {

void print_row(std::FILE* out, const drive_point& p, double time)
{
    std::fprintf(out, "%10.0f%9.5f%9.5f%9.5f%9.3f%9.3f", p.alt, p.taper, p.grav, p.pused / 1000000,
                 p.speed, time);
    std::fprintf(out, "%9.3f%9.3f", p.surplus / 1000000, p.grav / p.taper);
    // Travel time less 1, 2, 3, 4 and 6 days.
    std::fprintf(out, "%9.3f%9.3f%9.3f%9.3f%9.3f\n", time - 24, time - 48, time - 72, time - 96,
                 time - 144);
}

}  // namespace

march_sums run_march(std::FILE* out, const tether::model& m, const drive_params& d)
{
    march_sums s{0, 0};
    // Every altitude is a multiple of 0.125 km, held exactly, so the
    // repeated addition never drifts and the remainder is exactly 0 on rows.
    for (double alt = 0; alt <= ztop; alt = dz + alt) {
        const drive_point p = drive_at(m, d, alt);
        // Left-endpoint sums in this order; the row shows the point's own step.
        s.total = s.total + dm0 * p.taper;
        s.time  = dtfac / p.speed + s.time;
        if (std::fabs(std::remainder(alt, rowdz)) < rowtol) {
            print_row(out, p, s.time);
        }
    }
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
