#include "climber/drive.hpp"

#include "tether/pmath.hpp"
#include "tether/positions.hpp"

#include <cmath>

namespace climber {

double wave_speed(const tether::cable& c)
{
    return std::sqrt(c.modulus * 1e9 / c.density);  // GPa to Pa
}

drive_params compute_drive_params(const tether::design& d, const tether::model& m)
{
    drive_params p{};
    p.mclimb = d.climber.mclimb;
    p.vmax   = d.climber.vmax;
    p.rhog   = tether::surface_density(d, m);
    p.vs     = wave_speed(d.tether);
    p.gee0   = tether::grav(m, m.RE);
    p.fvg    = p.mclimb * p.gee0;
    p.fextra = d.climber.fextra;
    p.fmax   = p.fextra + p.fvg;
    p.zg     = p.vs * p.rhog;
    return p;
}

push_params compute_push_params(const tether::design& d, const tether::model& m,
                                const tether::positions& p)
{
    push_params q{};
    q.two_m_omega = (2 * d.climber.mclimb) * m.omega;
    // Working stress (GPa to Pa) times the cross-section at RE (mm^2 to m^2).
    q.tension_re = (tether::working_stress(d.tether) * 1e9) * (p.cs_re / 1e6);
    return q;
}

sideways sideways_at(const push_params& q, const drive_point& p)
{
    sideways s{};
    s.coriolis = q.two_m_omega * p.speed;
    s.tilt     = tether::pmath::atan(s.coriolis / (q.tension_re * p.taper)) * (180 / tether::PI);
    return s;
}

drive_point drive_at(const tether::model& m, const drive_params& d, double alt)
{
    return m.fld.partnered() ? drive_in<true>(m, d, alt) : drive_in<false>(m, d, alt);
}

}  // namespace climber
