#include "climber/integral.hpp"

#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <boost/math/tools/toms748_solve.hpp>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace climber {

namespace {

using rule = boost::math::quadrature::gauss_kronrod<double, 31>;

struct estimate {
    double value;
    double error;
};

struct panel {
    double a;
    double b;
    double value;
    double error;
    unsigned depth;
};

// Boost's Gauss-Kronrod rule on one panel. Boost 1.74 returns the error of
// the rule on [-1, 1], not scaled by the panel's half-width: scaled here.
template <class F> panel rule_on(F& f, double a, double b, unsigned depth)
{
    double error   = 0;
    const double v = rule::integrate(f, a, b, 0, 0.0, &error);
    return {a, b, v, error * ((b - a) / 2), depth};
}

// Global adaptive quadrature: the panel with the largest error estimate is
// halved until the sum of the estimates meets the tolerance, or that panel
// has been halved max_depth times, or the panels reach their number limit.
template <class F> estimate integrate_piece(F& f, double a, double b, const integral_settings& s)
{
    std::vector<panel> panels{rule_on(f, a, b, 0)};
    double value = panels[0].value;
    double error = panels[0].error;
    while (!(error <= std::fabs(value) * (s.tolerance / 10)) && panels.size() < s.max_panels) {
        std::size_t worst = 0;
        for (std::size_t i = 1; i < panels.size(); ++i) {
            if (panels[i].error > panels[worst].error) {
                worst = i;
            }
        }
        const panel p = panels[worst];
        if (p.depth >= s.max_depth) {
            break;
        }
        const double mid = p.a + (p.b - p.a) / 2;
        panels[worst]    = rule_on(f, p.a, mid, p.depth + 1);
        panels.push_back(rule_on(f, mid, p.b, p.depth + 1));
        // Summed afresh, so that no rounding of the running sums piles up.
        value = 0;
        error = 0;
        for (const panel& q : panels) {
            value += q.value;
            error += q.error;
        }
    }
    return {value, error};
}

}  // namespace

integral_sums integrate(const tether::model& m, const drive_params& d, double ztop,
                        const integral_settings& s)
{
    integral_sums out{};
    // The uncapped speed, power / weight, as drive_at works it out, but for
    // the force margin: fmax - weight loses the margin's last digits when it
    // is small next to the weight, and that noise would hide the integral's
    // error. Here it is fextra plus the weight lost since the surface, the
    // difference of gravity written without a subtraction of near-equal terms.
    const double RE2 = m.RE * m.RE;
    const auto speed = [&](double z) {
        const double r      = m.RE + z;
        const double grav   = tether::grav(m, r);
        const double lost   = ((m.GM * z) * (r + m.RE) / (RE2 * (r * r)) + m.omega2 * z) * 1000;
        const double excess = d.fextra + d.mclimb * lost;
        const double power  = ((0.5 * excess) * excess) / (d.zg * tether::taper(m, r));
        return power / (d.mclimb * grav);
    };
    const auto capped = [&](double z) { return speed(z) > d.vmax; };

    // The tether's mass.
    auto mass            = [&](double z) { return d.rhog * tether::taper(m, m.RE + z); };
    const estimate total = integrate_piece(mass, 0.0, ztop, s);
    out.total_missed     = !(total.error <= s.tolerance * std::fabs(total.value));
    out.sums.total = out.total_missed ? std::numeric_limits<double>::quiet_NaN() : total.value;

    // Where the cap starts or stops: a scan for changes, each refined to
    // 1e-9 km. The altitude reported is the bracket's capped end.
    std::vector<double> edges{0.0};
    out.sums.cap_alt = capped(0) ? 0.0 : std::numeric_limits<double>::quiet_NaN();
    double za        = 0;
    bool ca          = capped(0);
    for (unsigned i = 1; i <= s.scan; ++i) {
        const double zb = i == s.scan ? ztop : ztop * i / s.scan;
        const bool cb   = capped(zb);
        if (cb != ca) {
            std::uintmax_t iterations = 200;
            const auto f              = [&](double z) { return speed(z) - d.vmax; };
            const auto [lo, hi]       = boost::math::tools::toms748_solve(
                      f, za, zb, f(za), f(zb),
                      [](double x, double y) { return std::fabs(y - x) <= 1e-9; }, iterations);
            // f > 0 means capped; choose the bracket's end on the capped side.
            const double at_cap = f(hi) > 0 ? hi : lo;
            if (std::isnan(out.sums.cap_alt) && cb) {
                out.sums.cap_alt = at_cap;
            }
            edges.push_back(lo + (hi - lo) / 2);
        }
        za = zb;
        ca = cb;
    }
    edges.push_back(ztop);

    // Each piece between edges is capped throughout or not; a pair of
    // changes the scan missed still integrates correctly, more slowly.
    constexpr double hours_per_km_at_1 = 1000.0 / 3600.0;  // h per km at 1 m/s
    auto inverse_speed = [&](double z) { return hours_per_km_at_1 / std::fmin(speed(z), d.vmax); };
    double time        = 0;
    double error       = 0;
    for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
        const double a = edges[i];
        const double b = edges[i + 1];
        if (!(b > a)) {
            continue;
        }
        if (capped(a + (b - a) / 2)) {
            time += (b - a) * hours_per_km_at_1 / d.vmax;
            continue;
        }
        const estimate e = integrate_piece(inverse_speed, a, b, s);
        time += e.value;
        error += e.error;
    }
    out.time_missed = !(error <= s.tolerance * std::fabs(time));
    out.sums.time   = out.time_missed ? std::numeric_limits<double>::quiet_NaN() : time;
    return out;
}

integral_study compute_study_integral(const tether::design& d, const integral_settings& s)
{
    integral_study out{};
    out.model                = tether::compute_model(d);
    out.positions            = tether::compute_positions(d, out.model);
    out.drive                = compute_drive_params(d, out.model);
    out.plan                 = plan_march(d, out.model);
    const integral_sums sums = integrate(out.model, out.drive, out.plan.ztop, s);
    out.sums                 = sums.sums;
    out.time_missed          = sums.time_missed;
    out.total_missed         = sums.total_missed;
    return out;
}

integral_study compute_figures(const tether::design& d, method how, const integral_settings& s,
                               const std::atomic<int>* stop)
{
    integral_study out{};
    if (how == method::integral) {
        out = compute_study_integral(d, s);
    }
    else {
        static_cast<study&>(out) = compute_study(d, stop);
    }
    out.whole = tether::compute_whole(d, out.model, out.positions, s.tolerance);
    return out;
}

}  // namespace climber
