#include "tether/whole.hpp"

#include "tether/pmath.hpp"
#include "tether/quadrature.hpp"

#include <boost/math/tools/toms748_solve.hpp>

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace tether {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// The root of f on [a, b], where f(a) < 0 < f(b), to a bracket of at most
// tolerance times the root's distance from `from`; the bracket's middle.
template <class F> double root(F f, double a, double b, double from, double tolerance)
{
    std::uintmax_t iterations = 200;
    const auto close          = [from, tolerance](double x, double y) {
        return std::fabs(y - x) <= tolerance * std::fabs(x - from);
    };
    const auto [lo, hi] = boost::math::tools::toms748_solve(f, a, b, f(a), f(b), close, iterations);
    return lo + (hi - lo) / 2;
}

// Above GEO, where the effective potential returns to its value at RE: at
// sqrt(2 vre / omega^2) the rotation's part alone has reached it (with a
// partner on the far side too, its terms being positive); toward a partner
// its own term grows without bound at its centre.
double uniform_top(const model& m, double tolerance)
{
    const auto above = [&m](double r) { return effpot(m, r) - m.vre; };
    double far       = std::fmax(2 * m.rgeo, std::sqrt(2 * m.vre / m.omega2));
    if (m.fld.partnered() && m.fld.s > 0) {
        far = m.fld.D - (m.fld.D - m.rgeo) * 1e-9;
    }
    return root(above, m.rgeo, far, m.RE, tolerance) - m.RE;
}

}  // namespace

namespace {

// linear_density in the field chosen once for an integral (Partner false:
// the central field's expression, no test of the field at each point).
template <bool Partner> double density_in(const design& d, const model& m, double r)
{
    // Cross-section relative to GEO: exp of the effective potential below
    // GEO's value over the working specific strength.
    const double v         = Partner ? effpot(m, r) : central_effpot(m, r);
    const double taper_geo = pmath::exp((m.vgeo - v) / m.ywork);
    return d.tether.density * ((d.tether.csgeo / 1e6) * taper_geo);  // kg/m = t/km
}

// The masses below and above the balance point.
template <bool Partner>
std::pair<estimate, estimate> masses(const design& d, const model& m, double tolerance)
{
    auto density = [&](double r) { return density_in<Partner>(d, m, r); };
    return {integrate_adaptive(density, m.RE, m.rgeo, tolerance),
            integrate_adaptive(density, m.rgeo, m.rapex, tolerance)};
}

}  // namespace

double linear_density(const design& d, const model& m, double r)
{
    return m.fld.partnered() ? density_in<true>(d, m, r) : density_in<false>(d, m, r);
}

whole_tether compute_whole(const design& d, const model& m, const positions& p, double tolerance)
{
    whole_tether w{};
    const auto [lower, upper] =
        m.fld.partnered() ? masses<true>(d, m, tolerance) : masses<false>(d, m, tolerance);
    w.missed.any = !(lower.error <= tolerance * std::fabs(lower.value)) ||
                   !(upper.error <= tolerance * std::fabs(upper.value));
    w.lower_mass  = w.missed ? nan : lower.value;
    w.upper_mass  = w.missed ? nan : upper.value;
    w.system_mass = w.missed ? nan : (w.lower_mass + w.upper_mass) + p.mapex;
    if (w.missed) {
        w.missed.why = missed_integral(tolerance);
    }

    w.uniform_yuri   = m.ere;
    w.uniform_top    = uniform_top(m, tolerance);
    w.top_in_partner = nan;
    // On the partner's side the top may lie beyond the partner's surface:
    // no tether reaches it.
    const double surface = m.fld.D - d.planet.partner_RE;
    if (m.fld.partnered() && m.fld.s > 0 && m.RE + w.uniform_top > surface) {
        w.top_in_partner = m.RE + w.uniform_top - surface;
        w.uniform_top    = nan;
    }
    if (m.fld.partnered()) {
        // A payload let go moves under both bodies' pull: no two-body orbit
        // about the body says where it goes.
        w.orbit_alt = w.escape_alt = w.apex_speed = w.apex_vinf = nan;
        return w;
    }

    // Let go at radius r below GEO, a payload is at the top of its orbit,
    // with angular momentum r (omega r); its lowest radius is
    // omega^2 r^4 / (2 GM - omega^2 r^3), which is RE where this is 0.
    const auto clears = [&m](double r) {
        const double rr = r * r;
        return (m.omega2 * (rr * rr)) / (2 * m.GM - m.omega2 * (rr * r)) - m.RE;
    };
    w.orbit_alt = root(clears, m.RE, m.rgeo, m.RE, tolerance) - m.RE;

    // Where omega r reaches the escape speed sqrt(2 GM / r); the cube root
    // as rgeo's, with pow and the binary64 third.
    w.escape_alt = pmath::pow((2 * m.GM) / m.omega2, third) - m.RE;

    w.apex_speed    = m.omega * m.rapex;
    const double vv = w.apex_speed * w.apex_speed - (2 * m.GM) / m.rapex;
    w.apex_vinf     = vv > 0 ? std::sqrt(vv) : nan;
    return w;
}

}  // namespace tether
