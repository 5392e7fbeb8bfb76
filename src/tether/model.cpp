#include "tether/model.hpp"

#include <cmath>

namespace tether {

double effpot(const model& m, double r)
{
    return GM / r + ((0.5 * m.omega2) * r) * r;
}

double grav(const model& m, double r)
{
    // Both products before the subtraction; 1000 turns km/s^2 into m/s^2.
    return (GM / (r * r) - m.omega2 * r) * 1000;
}

double taper(const model& m, double r)
{
    // Exactly 1 at RE: effpot(RE) is the same sum as vre.
    return std::exp((m.vre - effpot(m, r)) / yuri);
}

model compute_model()
{
    model m{};
    m.omega  = (PI + PI) / tsid;
    m.omega2 = m.omega * m.omega;
    // pow with the binary64 third, which is not exactly 1/3: cbrt would give
    // a radius some ulps larger, and every figure downstream inherits it.
    m.rgeo       = std::pow(GM / m.omega2, third);
    m.vre        = effpot(m, RE);
    m.vgeo       = effpot(m, m.rgeo);
    m.vapex      = effpot(m, rapex);
    m.ere        = m.vre - m.vgeo;
    m.eapex      = m.vapex - m.vgeo;
    m.taper_re   = std::exp((-m.ere) / yuri);
    m.taper_apex = std::exp((-m.eapex) / yuri);
    return m;
}

}  // namespace tether
