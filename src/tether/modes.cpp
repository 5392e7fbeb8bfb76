#include "tether/modes.hpp"

#include "tether/pmath.hpp"
#include "tether/portable_steps.hpp"

#include <boost/math/tools/toms748_solve.hpp>
#include <boost/numeric/odeint.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>

namespace tether {

namespace {

namespace odeint = boost::numeric::odeint;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Attempted ODE steps, at most, per shot: far beyond the few thousand that
// mode 100 takes, so reaching it means the tolerance cannot be met.
constexpr unsigned max_attempts = 2000000;

// The transformed problem -(p phi')' = lambda^2 w phi with p = c^2 A r^2 and
// w = A r^2 (A the cross-section), in the scaled Pruefer angle theta:
// s phi = R sin theta, p phi' = R cos theta with s = lambda sqrt(p w) =
// lambda c A r^2. Then
//   theta' = lambda / c + (s'/s) sin(2 theta) / 2,   (ln R)' = (s'/s) sin^2 theta,
// and s'/s = 2/r + A'/A = 2/r - F/c^2 (the equilibrium's A'/A = -F/c^2).
// Radii in km, c in km/s, F in km/s^2, lambda in rad/s.
struct tether_field {
    double RE;      // the foot's radius, km
    double rapex;   // the top's radius, km
    double c;       // sideways wave speed, km/s
    double c2;      // c squared, km^2/s^2
    double GM;      // gravitational parameter, km^3/s^2
    double omega2;  // the planet's rotation rate squared, 1/s^2
    double Fapex;   // net outward acceleration at the top, P(rapex)/M, km/s^2

    // (ln s)' at radius r, 1/km.
    double log_rate(double r) const
    {
        const double F = omega2 * r - GM / (r * r);
        return 2 / r - F / c2;
    }

    // The top's condition P phi' = lambda^2 M phi reads cot theta =
    // lambda c / F(rapex): theta at the top is this angle plus k - 1 half turns.
    double top_angle(double lambda) const
    {
        return pmath::atan2(Fapex, lambda * c);
    }
};

using angle_state = std::array<double, 1>;
using shape_state = std::array<double, 2>;

template <class State> auto controlled(double lambda, const tether_field& f, double tolerance)
{
    // theta starts at 0 and grows like lambda (r - RE) / c at first: an
    // absolute tolerance on that scale keeps the slow pendulum mode's small
    // angle as accurate, relatively, as the others'.
    const double scale = std::fmin(1.0, lambda * (f.rapex - f.RE) / f.c);
    return make_portable_controlled<odeint::runge_kutta_fehlberg78<State>>(tolerance * scale,
                                                                           tolerance);
}

// Theta at the top for the given lambda, shot from theta = 0 at the foot;
// NaN where the steps run out.
double top_theta(const tether_field& f, double lambda, double tolerance)
{
    const double rate = lambda / f.c;
    auto system       = [&f, rate](const angle_state& x, angle_state& dxdr, double r) {
        dxdr[0] = rate + 0.5 * f.log_rate(r) * pmath::sin(2 * x[0]);
    };
    auto stepper  = controlled<angle_state>(lambda, f, tolerance);
    angle_state x = {0.0};
    double r      = f.RE;
    double dr     = (f.rapex - f.RE) / 64;
    for (unsigned attempts = 0; r < f.rapex; ++attempts) {
        if (attempts == max_attempts) {
            return nan;
        }
        const double last = f.rapex - r;
        const bool ending = dr >= last;
        double step       = ending ? last : dr;
        if (stepper.try_step(system, x, r, step) == odeint::success) {
            if (ending && step == last) {
                r = f.rapex;  // exactly, whatever r + last rounds to
            }
            dr = ending ? dr : step;
        }
        else {
            dr = step;
        }
    }
    return x[0];
}

// Evaluations of theta at the top, kept for every mode's brackets.
struct shots {
    const tether_field& f;
    double tolerance;
    std::vector<std::pair<double, double>> done;  // (lambda rad/s, theta at the top rad)

    double theta(double lambda)
    {
        const double t = top_theta(f, lambda, tolerance);
        done.emplace_back(lambda, t);
        return t;
    }

    // The k-th mode's mismatch at lambda from a theta at the top, rad: below
    // 0 below the k-th lambda and above 0 above it (the scaled angle stays in
    // the quadrant of the plain Pruefer angle, which grows with lambda).
    double mismatch(unsigned k, double lambda, double t) const
    {
        return (t - f.top_angle(lambda)) - (k - 1) * PI;
    }
};

struct root_found {
    double lambda;  // rad/s; NaN where missed
    double error;   // estimated relative error of lambda
};

// A bracket of mode k's lambda: the mismatch below 0 at lo, above at hi.
struct bracket {
    double lo  = 0;
    double glo = nan;
    double hi  = 0;
    double ghi = nan;
};

bracket bracket_mode(shots& s, unsigned k, double guess, double spacing)
{
    const auto g = [&s, k](double lambda) { return s.mismatch(k, lambda, s.theta(lambda)); };
    // The tightest bracket among the shots so far.
    double lo  = 0;
    double glo = nan;
    double hi  = 0;
    double ghi = nan;
    for (const auto& [lambda, t] : s.done) {
        const double v = s.mismatch(k, lambda, t);
        if (v < 0 && (!(glo < 0) || lambda > lo)) {
            lo  = lambda;
            glo = v;
        }
        if (v > 0 && (!(ghi > 0) || lambda < hi)) {
            hi  = lambda;
            ghi = v;
        }
    }
    // Widen from the guess where a side is missing.
    for (unsigned tries = 0; !(glo < 0) && tries < 200; ++tries) {
        lo  = glo > 0 ? lo / 4 : guess;
        glo = g(lo);
        if (glo > 0 && !(ghi > 0 && hi < lo)) {
            hi  = lo;
            ghi = glo;
        }
    }
    for (unsigned tries = 0; !(ghi > 0) && tries < 200; ++tries) {
        hi  = k == 1 ? std::fmax(guess, lo) * 4 : std::fmax(guess, lo + spacing);
        ghi = g(hi);
        if (ghi < 0) {
            lo    = hi;
            glo   = ghi;
            guess = hi + spacing;
        }
    }
    return {lo, glo, hi, ghi};
}

root_found find_mode(shots& s, unsigned k, double guess, double spacing,
                     const mode_settings& settings)
{
    const auto g = [&s, k](double lambda) { return s.mismatch(k, lambda, s.theta(lambda)); };
    const auto [lo, glo, hi, ghi] = bracket_mode(s, k, guess, spacing);
    if (!(glo < 0) || !(ghi > 0)) {
        return {nan, nan};
    }
    std::uintmax_t iterations = 100;
    const auto close          = [](double a, double b) { return b - a <= 1e-13 * b; };
    const auto [a, b] = boost::math::tools::toms748_solve(g, lo, hi, glo, ghi, close, iterations);
    if (iterations >= 100) {
        return {nan, nan};
    }
    // The shot nearest the root, again with a tenfold tighter tolerance: the
    // change over the slope is the error of the angle's steps.
    double root   = a;
    double groot  = nan;
    double below  = lo;
    double gbelow = glo;
    double above  = hi;
    double gabove = ghi;
    for (const auto& [lambda, t] : s.done) {
        const double v = s.mismatch(k, lambda, t);
        if ((lambda == a || lambda == b) && !(std::fabs(v) >= std::fabs(groot))) {
            root  = lambda;
            groot = v;
        }
    }
    // The secant over the nearest shots at least 1e-9 away on each side.
    for (const auto& [lambda, t] : s.done) {
        const double v = s.mismatch(k, lambda, t);
        if (v < 0 && lambda < root * (1 - 1e-9) && lambda > below) {
            below  = lambda;
            gbelow = v;
        }
        if (v > 0 && lambda > root * (1 + 1e-9) && lambda < above) {
            above  = lambda;
            gabove = v;
        }
    }
    const double slope = (gabove - gbelow) / (above - below);
    const double fine  = s.mismatch(k, root, top_theta(s.f, root, settings.tolerance / 10));
    const double error = (std::fabs(fine - groot) / slope + (b - a)) / root;
    return {root, error};
}

double hours(double lambda2)
{
    return (PI + PI) / std::sqrt(lambda2) / 3600;
}

tether_field field_of(const model& m, const positions& p)
{
    return {m.RE, m.rapex, std::sqrt(m.ywork), m.ywork, m.GM, m.omega2, p.aapex};
}

}  // namespace

modes compute_modes(const model& m, const positions& p, unsigned n, const mode_settings& settings)
{
    modes out;
    out.in_plane.assign(n, nan);
    out.out_of_plane.assign(n, nan);
    out.lambda2_in.assign(n, nan);
    out.lambda2_out.assign(n, nan);
    out.error.assign(n, nan);
    if (n == 0) {
        return out;
    }
    const tether_field f = field_of(m, p);
    // With M > 0 every term of the Rayleigh quotient is positive. A
    // counterweight that is not (F(rapex) <= 0, only by rounding above GEO)
    // puts the top's angle at -pi/2 as lambda -> 0: the mismatch of mode 1
    // is positive already there, and lambda_1^2 <= 0.
    if (!(f.Fapex > 0)) {
        out.unstable = true;
        out.why      = "the tether would not swing back (the first mode's squared frequency is not "
                       "positive); its periods are NaN";
        return out;
    }
    shots s{f, settings.tolerance, {}};
    const double length  = m.rapex - m.RE;
    const double spacing = PI * f.c / length;  // the string's lambda step, rad/s
    // The pendulum's lambda with the tether's mass neglected beside M.
    double guess = std::fmin(std::sqrt(f.Fapex * m.RE) / m.rapex, spacing / 2);
    for (unsigned k = 1; k <= n; ++k) {
        const root_found r = find_mode(s, k, guess, spacing, settings);
        if (!(r.error <= settings.accuracy)) {
            out.missed       = true;
            out.error[k - 1] = r.error;
            if (!std::isfinite(r.lambda)) {
                break;  // no bracket: the later modes cannot be counted
            }
            guess = r.lambda + spacing;
            continue;
        }
        const double l2         = r.lambda * r.lambda;
        out.lambda2_in[k - 1]   = l2;
        out.lambda2_out[k - 1]  = l2 + m.omega2;
        out.in_plane[k - 1]     = hours(l2);
        out.out_of_plane[k - 1] = hours(l2 + m.omega2);
        out.error[k - 1]        = r.error;
        guess                   = r.lambda + spacing;
    }
    if (out.missed) {
        out.why = "a period's error estimate is above " + compact_number(settings.accuracy) +
                  " of its value; it is NaN";
    }
    return out;
}

std::vector<std::vector<double>> mode_shapes(const model& m, const positions& p, const modes& found,
                                             const std::vector<double>& altitudes,
                                             const mode_settings& settings)
{
    const tether_field f    = field_of(m, p);
    const std::size_t count = altitudes.size();
    // The radii inside the tether, in order, after the foot.
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < count; ++i) {
        if (altitudes[i] >= 0 && m.RE + altitudes[i] <= m.rapex) {
            order.push_back(i);
        }
    }
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return altitudes[a] < altitudes[b]; });
    std::vector<double> radii{m.RE};
    for (std::size_t i : order) {
        radii.push_back(std::fmin(m.RE + altitudes[i], m.rapex));
    }
    radii.erase(std::unique(radii.begin(), radii.end()), radii.end());

    std::vector<std::vector<double>> shapes;
    for (double l2 : found.lambda2_in) {
        std::vector<double> y(count, nan);
        if (!(l2 > 0) || found.unstable) {
            shapes.push_back(std::move(y));
            continue;
        }
        const double lambda = std::sqrt(l2);
        const double rate   = lambda / f.c;
        auto system         = [&f, rate](const shape_state& x, shape_state& dxdr, double r) {
            const double sl = f.log_rate(r);
            const double sn = pmath::sin(x[0]);
            dxdr[0]         = rate + 0.5 * sl * pmath::sin(2 * x[0]);
            dxdr[1]         = sl * (sn * sn);
        };
        // Y = r phi = R sin theta / (lambda c A r): ln of the scale without
        // the constant lambda c, with A relative to GEO.
        std::vector<double> log_size(radii.size());
        std::vector<double> sine(radii.size());
        std::size_t at = 0;
        auto observe   = [&](const shape_state& x, double r) {
            log_size[at] = x[1] + (effpot(m, r) - m.vgeo) / m.ywork - pmath::log(r);
            sine[at]     = pmath::sin(x[0]);
            ++at;
        };
        shape_state x = {0.0, 0.0};
        if (radii.size() > 1) {
            odeint::integrate_times(controlled<shape_state>(lambda, f, settings.tolerance), system,
                                    x, radii.begin(), radii.end(), (m.rapex - m.RE) / 64, observe);
        }
        else {
            observe(x, m.RE);
        }
        const double biggest = *std::max_element(log_size.begin(), log_size.end());
        double largest       = 0;
        std::vector<double> value(radii.size());
        for (std::size_t j = 0; j < radii.size(); ++j) {
            value[j] = j == 0 ? 0.0 : pmath::exp(log_size[j] - biggest) * sine[j];
            largest  = std::fmax(largest, std::fabs(value[j]));
        }
        // The lowest point above the foot sets the sign.
        const double sign = radii.size() > 1 && value[1] < 0 ? -1.0 : 1.0;
        for (std::size_t i : order) {
            const double r = std::fmin(m.RE + altitudes[i], m.rapex);
            const auto j   = static_cast<std::size_t>(
                std::lower_bound(radii.begin(), radii.end(), r) - radii.begin());
            y[i] = largest > 0 ? sign * value[j] / largest : 0.0;
        }
        shapes.push_back(std::move(y));
    }
    return shapes;
}

std::vector<std::vector<double>> mode_shapes(const model& m, const positions& p, unsigned n,
                                             const std::vector<double>& altitudes,
                                             const mode_settings& settings)
{
    return mode_shapes(m, p, compute_modes(m, p, n, settings), altitudes, settings);
}

}  // namespace tether
