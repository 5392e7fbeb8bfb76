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
    return lift(m.fld, r);
}

double grav(const model& m, double r)
{
    if (m.fld.partnered()) {
        return -outward(m.fld, r) * 1000;
    }
    return central_grav(m, r);
}

double taper(const model& m, double r)
{
    // Exactly 1 at RE: effpot(RE) is the same sum as vre.
    return pmath::exp((m.vre - effpot(m, r)) / m.ywork);
}

model compute_model(const design& d)
{
    model m{};
    m.GM    = d.planet.GM;
    m.RE    = d.planet.RE;
    m.rapex = d.tether.rapex;
    m.yuri  = specific_strength(d.tether);
    m.ywork = working_stress(d.tether) * 1000 / d.tether.density;  // as specific_strength
    if (has_partner(d)) {
        m.fld    = partner_field(m.GM, d.planet.partner_GM, d.planet.partner_distance,
                                 d.planet.partner_side);
        m.omega2 = m.fld.omega2;
        m.omega  = std::sqrt(m.omega2);
    }
    else {
        m.omega  = (PI + PI) / d.planet.tsid;
        m.omega2 = m.omega * m.omega;
        m.fld    = central_field(m.GM, m.omega2);
    }
    // With no partner pow with the binary64 third, which is not exactly 1/3:
    // cbrt would give a radius some ulps larger, and every figure downstream
    // inherits it.
    m.rgeo       = balance_radius(m.fld);
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

namespace tether {

std::string balance_place(const model& m)
{
    return m.fld.partnered() ? "the balance point (" + balance_name(m.fld) + ")" : "GEO";
}

std::string balance_radius_words(const model& m)
{
    return m.fld.partnered() ? "the radius of " + balance_place(m) : "the geostationary radius";
}

std::string balance_altitude_words(const model& m)
{
    return m.fld.partnered() ? "the altitude of " + balance_place(m) : "the geostationary altitude";
}

}  // namespace tether
