#include "climber/drive.hpp"

namespace climber {

drive_params compute_drive_params(const tether::model& m)
{
    drive_params d{};
    d.gee0 = tether::grav(m, tether::RE);
    d.fvg  = mclimb * d.gee0;
    d.fmax = fextra + d.fvg;
    d.zg   = vs * rhog;
    return d;
}

void print_drive_params(std::FILE* out, const drive_params& d)
{
    std::fprintf(out, "# %12.3e  gee0  \n", d.gee0);
    std::fprintf(out, "# %12.3e  rhog  \n", rhog);
    std::fprintf(out, "# %12.3e  fvg   \n", d.fvg);
    std::fprintf(out, "# %12.3e  fmax  \n", d.fmax);
    std::fprintf(out, "# %12.3e  zg    \n", d.zg);
}

drive_point drive_at(const tether::model& m, const drive_params& d, double alt)
{
    drive_point p{};
    p.alt    = alt;
    p.r      = tether::RE + alt;
    p.grav   = tether::grav(m, p.r);
    p.taper  = tether::taper(m, p.r);
    p.weight = mclimb * p.grav;
    p.excess = d.fmax - p.weight;
    p.z      = d.zg * p.taper;
    p.power  = ((0.5 * p.excess) * p.excess) / p.z;
    p.speed  = p.power / p.weight;
    p.pused  = p.power;
    if (p.speed > vmax) {  // exactly vmax is not capped
        p.speed = vmax;
        p.pused = vmax * p.weight;
    }
    p.surplus = p.power - p.pused;
    return p;
}

}  // namespace climber
