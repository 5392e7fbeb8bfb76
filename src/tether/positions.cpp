#include "tether/positions.hpp"

#include <cmath>

namespace tether {

positions compute_positions(const design& d, const model& m)
{
    const double csgeo    = d.tether.csgeo;  // mm^2
    const double csgeo_m2 = csgeo / 1e6;     // 62.8 mm^2 gives the binary64 nearest 6.28e-05
    const double ywork_si = m.ywork * 1e6;   // working specific strength, N m/kg
    positions p{};
    p.gre    = m.fld.partnered() ? -outward(m.fld, m.RE) : m.GM / (m.RE * m.RE) - m.RE * m.omega2;
    p.aapex  = outward(m.fld, m.rapex);
    p.fgeo   = 0.001 * (csgeo_m2 * (d.tether.density * ywork_si));  // N to kN
    p.sgeo   = d.tether.strength * csgeo;                           // GPa x mm^2 = kN
    p.wgeo   = working_stress(d.tether) * csgeo;
    p.s_apex = m.taper_apex * p.sgeo;
    p.s_re   = m.taper_re * p.sgeo;
    // The supported masses at the working stress.
    p.mapex   = (m.taper_apex * p.fgeo) / (1000 * p.aapex);
    p.mre     = (m.taper_re * p.wgeo) / (1000 * p.gre);
    p.cs_apex = 1000000 * (csgeo_m2 * m.taper_apex);
    p.cs_re   = m.taper_re * csgeo;
    return p;
}

double material_rhog(const design& d, const positions& p)
{
    return d.tether.density * (p.cs_re / 1e6);
}

double top_of_march(const design& d, const model& m)
{
    if (is_automatic(d.march.ztop)) {
        return std::floor((m.rgeo - m.RE) - 19);
    }
    return d.march.ztop;
}

double surface_density(const design& d, const model& m)
{
    if (is_automatic(d.tether.rhog)) {
        return material_rhog(d, compute_positions(d, m));
    }
    return d.tether.rhog;
}

}  // namespace tether
