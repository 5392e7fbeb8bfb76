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
#include <functional>
#include <limits>
#include <tuple>
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
    const model* m;  // the model, for the cross-section
    double RE;       // the foot's radius, km
    double rapex;    // the top's radius, km
    double c;        // sideways wave speed, km/s
    double c2;       // c squared, km^2/s^2
    double GM;       // gravitational parameter, km^3/s^2
    double omega2;   // the planet's rotation rate squared, 1/s^2
    double Fapex;    // net outward acceleration at the top, P(rapex)/M, km/s^2
    bool tidal;      // a partner body: the tide's term below is not 0

    // (ln s)' at radius r, 1/km.
    double log_rate(double r) const
    {
        const double F = tidal ? outward(m->fld, r) : omega2 * r - GM / (r * r);
        return 2 / r - F / c2;
    }

    // The tide across the line that Y = r phi leaves in the equation of phi
    // (field.hpp). With it, -(p phi')' + w tide phi = lambda^2 w phi, and
    // theta' gains -(tide / (lambda c)) sin^2 theta.
    double tide(double r) const
    {
        return tide_in_plane(m->fld, r);
    }

    // The top's condition P phi' = lambda^2 M phi reads cot theta =
    // lambda c / F(rapex): theta at the top is this angle plus k - 1 half turns.
    // With the tide P phi' = (lambda^2 - tide) M phi.
    double top_angle(double lambda) const
    {
        if (tidal) {
            return pmath::atan2(lambda * Fapex, (lambda * lambda - tide(rapex)) * c);
        }
        return pmath::atan2(Fapex, lambda * c);
    }

    // ln b at radius r: b = A r^2 relative to its value at the top.
    double log_weight(double r) const
    {
        return (m->vapex - effpot(*m, r)) / c2 + 2 * pmath::log(r / rapex);
    }
};

// Thrown from the equations' right-hand sides once the run's stop is set.
struct stopped_run {};

// The run's stop request, looked at every 1024 right-hand sides (some 80
// steps: well under a millisecond).
class stop_check {
  public:
    explicit stop_check(const std::atomic<int>* stop) : stop_(stop) {}
    void operator()()
    {
        if ((++calls_ & 1023U) == 0 && stop_ != nullptr &&
            stop_->load(std::memory_order_relaxed) != 0) {
            throw stopped_run{};
        }
    }

  private:
    const std::atomic<int>* stop_;
    unsigned calls_ = 0;
};

using angle_state = std::array<double, 1>;
using shape_state = std::array<double, 2>;

template <class State> auto controlled(double absolute, double tolerance)
{
    return make_portable_controlled<odeint::runge_kutta_fehlberg78<State>>(absolute, tolerance);
}

// theta starts at 0 and grows like lambda (r - RE) / c at first: an absolute
// tolerance on that scale keeps a slow mode's small angle as accurate,
// relatively, as the others'.
double angle_tolerance(double lambda, const tether_field& f, double tolerance)
{
    return tolerance * std::fmin(1.0, lambda * (f.rapex - f.RE) / f.c);
}

// Steps x from radius `from` to `to` (either way), asking keep(x, r) after
// each step. Returns the radius where keep said no (`to` where it never
// did), or NaN where the steps ran out.
template <class State, class System, class Keep>
double shoot(System&& system, State& x, double from, double to, double absolute, double tolerance,
             Keep&& keep)
{
    auto stepper           = controlled<State>(absolute, tolerance);
    const double direction = to > from ? 1.0 : -1.0;
    double r               = from;
    double dr              = (to - from) / 64;
    for (unsigned attempts = 0; direction * (to - r) > 0; ++attempts) {
        if (attempts == max_attempts) {
            return nan;
        }
        const double last = to - r;
        const bool ending = std::fabs(dr) >= std::fabs(last);
        double step       = ending ? last : dr;
        if (stepper.try_step(system, x, r, step) == odeint::success) {
            if (ending && step == last) {
                r = to;  // exactly, whatever r + last rounds to
            }
            dr = ending ? dr : step;
            if (!keep(x, r)) {
                return r;
            }
        }
        else {
            dr = step;
        }
    }
    return r;
}

// Theta at the top for the given lambda, shot from theta = 0 at the foot;
// NaN where the steps run out.
double top_theta(const tether_field& f, double lambda, double tolerance, stop_check& heard)
{
    const double rate = lambda / f.c;
    auto system = [&f, &heard, rate, lambda](const angle_state& x, angle_state& dxdr, double r) {
        heard();
        dxdr[0] = rate + 0.5 * f.log_rate(r) * pmath::sin(2 * x[0]);
        if (f.tidal) {
            const double sn = pmath::sin(x[0]);
            dxdr[0] -= f.tide(r) / (lambda * f.c) * (sn * sn);
        }
    };
    angle_state x    = {0.0};
    const double end = shoot(system, x, f.RE, f.rapex, angle_tolerance(lambda, f, tolerance),
                             tolerance, [](const angle_state&, double) { return true; });
    return std::isnan(end) ? nan : x[0];
}

// The slowest mode, the tether's swing about its foot, in the Riccati
// variable y = lambda^2 mu phi / (p phi'), mu the top's inertia M rapex^2
// in the units of w. With b = w / w(rapex), q = lambda^2 / F(rapex) and
// l = c^2 / F(rapex) (the top's balance M F(rapex) = P(rapex) gives mu =
// l w(rapex)):
//   y' = q / b + y^2 b / l,   y(RE) = 0,   y(rapex) = 1 (the top's condition).
// The Pruefer angle fails this mode where the tether tapers steeply: at the
// top it lies lambda c / F(rapex) short of a half turn, and that small
// difference (1e-10 and below) is lost to the angle's rounding. y rises
// with r and with lambda, and two solutions never cross. Its linearised
// equation grows errors at the rate 2 y b / l: up from the foot y is small
// and the rate too, while near the top the growth reaches the square of the
// whole inertia over the counterweight's (10^7 for the study's tether), and
// down from the top the same rate damps them. So y is shot up from the foot
// to a meeting radius, where that growth reaches e^2, and down from the
// top to it; the mismatch is their relative difference there.
struct pendulum {
    const tether_field& f;
    double lambda;
    double q = lambda * lambda / f.Fapex;  // 1/km
    double l = f.c2 / f.Fapex;             // km

    // y' at radius r; y taken at most 2 y_beyond, so that a shot past it
    // (to be ended there) cannot overflow within a step.
    double rate(double y, double r) const;
};

// y far beyond the top's 1: lambda is well above lambda_1 (y on its way to
// a pole), and the shot ends.
constexpr double y_beyond = 1e3;

double pendulum::rate(double y, double r) const
{
    const double b  = pmath::exp(f.log_weight(r));
    const double yc = std::fmin(y, 2 * y_beyond);
    return q / b + yc * yc * b / l;
}

// y shot up from the foot to `to`, with the growth exponent int 2 y b / l;
// the radius reached, below `to` where y passed y_beyond or (with a finite
// growth_end) the growth passed it; NaN where the steps ran out.
double swing_up(const pendulum& swing, double to, double tolerance, double growth_end,
                stop_check& heard, shape_state& x)
{
    auto system = [&swing, &heard](const shape_state& s, shape_state& dxdr, double r) {
        heard();
        dxdr[0] = swing.rate(s[0], r);
        dxdr[1] = 2 * std::fmin(s[0], 2 * y_beyond) * pmath::exp(swing.f.log_weight(r)) / swing.l;
    };
    x = {0.0, 0.0};
    return shoot(system, x, swing.f.RE, to, 0.0, tolerance,
                 [growth_end](const shape_state& s, double) {
                     return s[0] <= y_beyond && s[1] <= growth_end;
                 });
}

// The meeting radius for lambda (below lambda_1): where the growth up from
// the foot reaches 2, or the top.
double meeting_radius(const tether_field& f, double lambda, double tolerance, stop_check& heard)
{
    shape_state x{};
    return swing_up({f, lambda}, f.rapex, tolerance, 2.0, heard, x);
}

// Mode 1's mismatch at lambda, (y up - y down) / (|y up| + |y down|) at the
// meeting radius: below 0 below lambda_1 and above 0 above it, 1 where y
// up passed y_beyond or y down its pole. NaN where the steps run out.
double pendulum_mismatch(const tether_field& f, double lambda, double meet, double tolerance,
                         stop_check& heard)
{
    const pendulum swing{f, lambda};
    shape_state up{};
    const double reached =
        swing_up(swing, meet, tolerance, std::numeric_limits<double>::infinity(), heard, up);
    if (std::isnan(reached) || std::isnan(up[0])) {
        return nan;
    }
    if (reached < meet || up[0] > y_beyond) {
        return 1;
    }
    auto system = [&swing, &heard](const angle_state& x, angle_state& dxdr, double r) {
        heard();
        dxdr[0] = swing.rate(x[0], r);
    };
    angle_state down = {1.0};
    const double end = shoot(system, down, f.rapex, meet, 0.0, tolerance,
                             [](const angle_state& x, double) { return x[0] >= -y_beyond; });
    if (std::isnan(end) || std::isnan(down[0])) {
        return nan;
    }
    if (end > meet || down[0] < -y_beyond) {
        return 1;
    }
    return (up[0] - down[0]) / (std::fabs(up[0]) + std::fabs(down[0]));
}

// Evaluations of theta at the top, kept for every mode's brackets.
struct shots {
    const tether_field& f;
    double tolerance;
    std::vector<std::pair<double, double>> done;  // (lambda rad/s, theta at the top rad)

    stop_check& heard;

    double theta(double lambda)
    {
        const double t = top_theta(f, lambda, tolerance, heard);
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

// A bracket of a mode's lambda: the mismatch below 0 at lo, above at hi.
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

using samples = std::vector<std::pair<double, double>>;  // (lambda rad/s, mismatch)

// The root's shot among the samples of a mode's mismatch, TOMS 748 having
// closed on [a, b], and its estimated relative error: the smallest of
// (b - a) / root, 10 times it, 100 times ... that brackets the root of the
// shots again with a tenth and with a hundredth of the tolerance (fine, at
// lambda and a tolerance; one alone can agree by chance), so at least the
// distance to their root. A bracket rather than the mismatch over its
// slope: above GEO on a steeply tapering tether a mode's mismatch turns by
// pi within a few rounding steps of lambda, and its root is no less certain
// for it. NaN where no bracket within 1e-2 of the root holds.
root_found settle(const samples& done, double a, double b, double tolerance,
                  const std::function<double(double, double)>& fine)
{
    double root  = a;
    double groot = nan;
    for (const auto& [lambda, v] : done) {
        if ((lambda == a || lambda == b) && !(std::fabs(v) >= std::fabs(groot))) {
            root  = lambda;
            groot = v;
        }
    }
    const double width = std::fmax((b - a) / root, std::numeric_limits<double>::epsilon());
    double error       = width;
    for (const double tighter : {tolerance / 10, tolerance / 100}) {
        double delta = width;
        while (!(fine(root * (1 - delta), tighter) < 0 && fine(root * (1 + delta), tighter) > 0)) {
            delta *= 10;
            if (delta > 1e-2) {
                return {root, nan};
            }
        }
        error = std::fmax(error, delta);
    }
    return {root, error};
}

// TOMS 748 on a mode's bracket, to a relative width of 1e-13; NaN where it
// takes too long.
template <class Mismatch> std::pair<double, double> close_in(Mismatch&& g, const bracket& around)
{
    std::uintmax_t iterations = 100;
    const auto close          = [](double a, double b) { return b - a <= 1e-13 * b; };
    const auto found = boost::math::tools::toms748_solve(g, around.lo, around.hi, around.glo,
                                                         around.ghi, close, iterations);
    if (iterations >= 100) {
        return {nan, nan};
    }
    return found;
}

root_found find_mode(shots& s, unsigned k, double guess, double spacing,
                     const mode_settings& settings)
{
    const auto g     = [&s, k](double lambda) { return s.mismatch(k, lambda, s.theta(lambda)); };
    const bracket br = bracket_mode(s, k, guess, spacing);
    if (!(br.glo < 0) || !(br.ghi > 0)) {
        return {nan, nan};
    }
    const auto [a, b] = close_in(g, br);
    if (std::isnan(a)) {
        return {nan, nan};
    }
    samples done;
    for (const auto& [lambda, t] : s.done) {
        done.emplace_back(lambda, s.mismatch(k, lambda, t));
    }
    return settle(done, a, b, settings.tolerance, [&s, k](double lambda, double tighter) {
        return s.mismatch(k, lambda, top_theta(s.f, lambda, tighter, s.heard));
    });
}

// Mode 1 by its Riccati variable: the bracket by factors of 4 from the
// guess (a tether tapering steeply swings some 10^10 times slower than it).
root_found find_pendulum(const tether_field& f, double guess, const mode_settings& settings,
                         stop_check& heard)
{
    // The bracket by the mismatch at the top alone, y up - 1.
    double meet = f.rapex;
    samples done;
    const auto g = [&](double lambda) {
        const double v = pendulum_mismatch(f, lambda, meet, settings.tolerance, heard);
        done.emplace_back(lambda, v);
        return v;
    };
    bracket br;
    double lambda = guess;
    for (unsigned tries = 0; tries < 200 && !(br.glo < 0 && br.ghi > 0); ++tries) {
        const double v = g(lambda);
        if (std::isnan(v)) {
            return {nan, nan};
        }
        if (v < 0) {
            br.lo  = lambda;
            br.glo = v;
            lambda *= 4;
        }
        else {
            br.hi  = lambda;
            br.ghi = v;
            lambda /= 4;
        }
    }
    if (!(br.glo < 0 && br.ghi > 0)) {
        return {nan, nan};
    }
    // Then, met where the shots up and down are both well conditioned: for
    // lambda_1 found with the meeting radius of the bracket's low end, and
    // again with that of the root so found (the growth of the errors up to
    // the meeting radius rises about with lambda^2).
    double a = br.lo;
    double b = br.hi;
    for (int pass = 0; pass < 2; ++pass) {
        meet = meeting_radius(f, a, settings.tolerance, heard);
        done.clear();
        br.glo = g(br.lo);
        br.ghi = g(br.hi);
        if (std::isnan(meet) || !(br.glo < 0 && br.ghi > 0)) {
            return {nan, nan};
        }
        std::tie(a, b) = close_in(g, br);
        if (std::isnan(a)) {
            return {nan, nan};
        }
    }
    return settle(done, a, b, settings.tolerance, [&](double at, double tighter) {
        return pendulum_mismatch(f, at, meet, tighter, heard);
    });
}

double hours(double lambda2)
{
    return (PI + PI) / std::sqrt(lambda2) / 3600;
}

tether_field field_of(const model& m, const positions& p)
{
    return {&m,   m.RE,     m.rapex, std::sqrt(m.ywork), m.ywork,
            m.GM, m.omega2, p.aapex, m.fld.partnered()};
}

// Integrates x through the radii (ascending, the foot first), observing
// each, or observes the foot alone.
template <class System, class Observe>
void through(const tether_field& f, System&& system, shape_state& x,
             const std::vector<double>& radii, double absolute, double tolerance, Observe&& observe)
{
    if (radii.size() > 1) {
        odeint::integrate_times(controlled<shape_state>(absolute, tolerance), system, x,
                                radii.begin(), radii.end(), (f.rapex - f.RE) / 64, observe);
    }
    else {
        observe(x, f.RE);
    }
}

// The pendulum mode's shape from y and T = p phi', both shot down from the
// top: (ln T)' = -y b / l, and Y = r phi = r y T / (lambda^2 mu).
void swing_shape(const tether_field& f, double lambda, const std::vector<double>& radii,
                 double tolerance, stop_check& heard, std::vector<double>& log_size,
                 std::vector<double>& sine)
{
    const pendulum swing{f, lambda};
    auto system = [&](const shape_state& x, shape_state& dxdr, double r) {
        heard();
        dxdr[0] = swing.rate(x[0], r);
        dxdr[1] = -x[0] * pmath::exp(f.log_weight(r)) / swing.l;
    };
    // From the top, observed only where it is one of the radii.
    std::vector<double> down(radii.rbegin(), radii.rend());
    const bool top_given = down.front() == f.rapex;
    if (!top_given) {
        down.insert(down.begin(), f.rapex);
    }
    std::size_t at = radii.size();
    auto observe   = [&](const shape_state& x, double r) {
        if (r < f.rapex || top_given) {
            --at;
            log_size[at] = at == 0 ? -std::numeric_limits<double>::infinity()
                                     : pmath::log(r) + pmath::log(x[0]) + x[1];
            sine[at]     = 1;
        }
    };
    shape_state x = {1.0, 0.0};
    odeint::integrate_times(controlled<shape_state>(tolerance, tolerance), system, x, down.begin(),
                            down.end(), -(f.rapex - f.RE) / 64, observe);
}

// Mode 2 and above by the Pruefer angle: Y = r phi = R sin theta / (lambda c
// A r), its scale without the constant lambda c, with A relative to GEO.
void wave_shape(const tether_field& f, double lambda, const std::vector<double>& radii,
                double tolerance, stop_check& heard, std::vector<double>& log_size,
                std::vector<double>& sine)
{
    const double rate = lambda / f.c;
    auto system = [&f, &heard, rate, lambda](const shape_state& x, shape_state& dxdr, double r) {
        heard();
        const double sl = f.log_rate(r);
        const double sn = pmath::sin(x[0]);
        dxdr[0]         = rate + 0.5 * sl * pmath::sin(2 * x[0]);
        dxdr[1]         = sl * (sn * sn);
        if (f.tidal) {
            // (ln R)' gains (tide / (lambda c)) sin theta cos theta.
            const double t = f.tide(r) / (lambda * f.c);
            dxdr[0] -= t * (sn * sn);
            dxdr[1] += t * (sn * pmath::cos(x[0]));
        }
    };
    std::size_t at = 0;
    auto observe   = [&](const shape_state& x, double r) {
        log_size[at] = x[1] + (effpot(*f.m, r) - f.m->vgeo) / f.c2 - pmath::log(r);
        sine[at]     = pmath::sin(x[0]);
        ++at;
    };
    shape_state x = {0.0, 0.0};
    through(f, system, x, radii, angle_tolerance(lambda, f, tolerance), tolerance, observe);
}

}  // namespace

modes compute_modes(const model& m, const positions& p, unsigned n, const mode_settings& settings,
                    const std::atomic<int>* stop)
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
        out.missed   = {true,
                        "the tether would not swing back (the first mode's squared frequency is not "
                          "positive); its periods are NaN"};
        return out;
    }
    stop_check heard(stop);
    shots s{f, settings.tolerance, {}, heard};
    const double length  = m.rapex - m.RE;
    const double spacing = PI * f.c / length;  // the string's lambda step, rad/s
    // The pendulum's lambda with the tether's mass neglected beside M.
    double guess = std::fmin(std::sqrt(f.Fapex * m.RE) / m.rapex, spacing / 2);
    try {
        for (unsigned k = 1; k <= n; ++k) {
            // With a partner the Riccati variable's equation carries the tide
            // too; the pendulum is found with the others by the angle, whose
            // top lies far from a half turn where the taper is mild.
            const root_found r = k == 1 && !f.tidal ? find_pendulum(f, guess, settings, heard)
                                                    : find_mode(s, k, guess, spacing, settings);
            out.error[k - 1]   = r.error;
            if (!(r.error <= settings.accuracy)) {
                out.missed.any = true;
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
            guess                   = r.lambda + spacing;
        }
    }
    catch (const stopped_run&) {
        out.stopped = true;
    }
    if (out.missed) {
        out.missed.why = "mode " + std::to_string(first_missed(out)) +
                         "'s period has an error estimate above " +
                         compact_number(settings.accuracy) +
                         " of its value (or none): it is NaN, as is any other period that missed";
    }
    return out;
}

namespace {

// The indices of the altitudes inside the tether, from the lowest up.
std::vector<std::size_t> inside_in_order(const model& m, const std::vector<double>& altitudes)
{
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < altitudes.size(); ++i) {
        if (altitudes[i] >= 0 && m.RE + altitudes[i] <= m.rapex) {
            order.push_back(i);
        }
    }
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return altitudes[a] < altitudes[b]; });
    return order;
}

}  // namespace

std::vector<std::vector<double>> mode_shapes(const model& m, const positions& p, const modes& found,
                                             const std::vector<double>& altitudes,
                                             const mode_settings& settings,
                                             const std::atomic<int>* stop)
{
    const tether_field f                 = field_of(m, p);
    const std::size_t count              = altitudes.size();
    const std::vector<std::size_t> order = inside_in_order(m, altitudes);
    std::vector<double> radii{m.RE};
    for (std::size_t i : order) {
        radii.push_back(std::fmin(m.RE + altitudes[i], m.rapex));
    }
    radii.erase(std::unique(radii.begin(), radii.end()), radii.end());

    stop_check heard(stop);
    std::vector<std::vector<double>> shapes;
    for (std::size_t k = 0; k < found.lambda2_in.size(); ++k) {
        const double l2 = found.lambda2_in[k];
        std::vector<double> y(count, nan);
        if (!(l2 > 0) || found.unstable) {
            shapes.push_back(std::move(y));
            continue;
        }
        // ln |Y| less a constant, and the sign of Y, at each radius.
        std::vector<double> log_size(radii.size());
        std::vector<double> sine(radii.size());
        try {
            if (k == 0 && !f.tidal) {
                swing_shape(f, std::sqrt(l2), radii, settings.tolerance, heard, log_size, sine);
            }
            else {
                wave_shape(f, std::sqrt(l2), radii, settings.tolerance, heard, log_size, sine);
            }
        }
        catch (const stopped_run&) {
            // The run is ending: every shape NaN.
            return std::vector<std::vector<double>>(found.lambda2_in.size(),
                                                    std::vector<double>(count, nan));
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

unsigned first_missed(const modes& found)
{
    for (std::size_t k = 0; found.missed && !found.unstable && k < found.in_plane.size(); ++k) {
        if (std::isnan(found.in_plane[k])) {
            return static_cast<unsigned>(k + 1);
        }
    }
    return 0;
}

std::vector<std::vector<double>> mode_shapes(const model& m, const positions& p, unsigned n,
                                             const std::vector<double>& altitudes,
                                             const mode_settings& settings,
                                             const std::atomic<int>* stop)
{
    return mode_shapes(m, p, compute_modes(m, p, n, settings, stop), altitudes, settings, stop);
}

}  // namespace tether
