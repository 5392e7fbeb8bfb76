#include "tether/model.hpp"

#include "tether/pmath.hpp"

#include <cmath>

namespace tether {

double specific_strength(const cable& c)
{
    return c.strength * 1000 / c.density;  // GPa = 1000 MJ/m^3
}

double working_stress(const cable& c)
{
    return c.strength / c.safety;
}

double effpot(const model& m, double r)
{
    return m.GM / r + ((0.5 * m.omega2) * r) * r;
}

double grav(const model& m, double r)
{
    // Both products before the subtraction; 1000 turns km/s^2 into m/s^2.
    return (m.GM / (r * r) - m.omega2 * r) * 1000;
}

double taper(const model& m, double r)
{
    // Exactly 1 at RE: effpot(RE) is the same sum as vre.
    return pmath::exp((m.vre - effpot(m, r)) / m.ywork);
}

model compute_model(const design& d)
{
    model m{};
    m.GM     = d.planet.GM;
    m.RE     = d.planet.RE;
    m.rapex  = d.tether.rapex;
    m.yuri   = specific_strength(d.tether);
    m.ywork  = working_stress(d.tether) * 1000 / d.tether.density;  // as specific_strength
    m.omega  = (PI + PI) / d.planet.tsid;
    m.omega2 = m.omega * m.omega;
    // pow with the binary64 third, which is not exactly 1/3: cbrt would give
    // a radius some ulps larger, and every figure downstream inherits it.
    m.rgeo       = pmath::pow(m.GM / m.omega2, third);
    m.vre        = effpot(m, m.RE);
    m.vgeo       = effpot(m, m.rgeo);
    m.vapex      = effpot(m, m.rapex);
    m.ere        = m.vre - m.vgeo;
    m.eapex      = m.vapex - m.vgeo;
    m.taper_re   = pmath::exp((-m.ere) / m.ywork);
    m.taper_apex = pmath::exp((-m.eapex) / m.ywork);
    return m;
}

}  // namespace tether
