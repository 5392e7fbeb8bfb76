#include "climber/profile.hpp"

#include "tether/pmath.hpp"

#include <boost/math/special_functions/chebyshev.hpp>
#include <boost/math/tools/roots.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace climber {

namespace {

constexpr double nan               = std::numeric_limits<double>::quiet_NaN();
constexpr double hours_per_km_at_1 = 1000.0 / 3600.0;  // h per km at 1 m/s
constexpr std::size_t n            = climb_profile::degree;

// A panel's series is resolved when its last two coefficients are below
// this share of its mean; where rounding in the speed (near GEO, a
// difference of near-equal terms) keeps them higher, halving stops helping
// and a panel is taken once it is below the looser share.
constexpr double resolved    = 1e-13;
constexpr double noise_floor = 1e-11;

// cos(pi j / n) for j = 0 ... 2n - 1: the Chebyshev points and the cosine
// sums that give the series' coefficients.
const std::array<double, 2 * n>& cosines()
{
    static const std::array<double, 2 * n> table = [] {
        std::array<double, 2 * n> c{};
        for (std::size_t j = 0; j < 2 * n; ++j) {
            c[j] = tether::pmath::cos(tether::PI * static_cast<double>(j) / static_cast<double>(n));
        }
        return c;
    }();
    return table;
}

// The pace 1 / speed (h/km) on [a, b] as a Chebyshev series of the given
// degree in x = (z - mid) / half, interpolating it at the Chebyshev points
// cos(pi k / n) (Boost's convention: the first coefficient is halved when
// the series is summed).
std::array<double, n + 1> pace_series(const tether::model& m, const drive_params& d, double a,
                                      double b)
{
    const auto& cs    = cosines();
    const double mid  = a + (b - a) / 2;
    const double half = (b - a) / 2;
    std::array<double, n + 1> f{};
    f[0] = hours_per_km_at_1 / uncapped_speed(m, d, b);
    f[n] = hours_per_km_at_1 / uncapped_speed(m, d, a);
    for (std::size_t k = 1; k < n; ++k) {
        f[k] = hours_per_km_at_1 / uncapped_speed(m, d, mid + half * cs[k]);
    }
    std::array<double, n + 1> c{};
    for (std::size_t j = 0; j <= n; ++j) {
        double sum = 0.5 * (f[0] + f[n] * cs[(j * n) % (2 * n)]);
        for (std::size_t k = 1; k < n; ++k) {
            sum += f[k] * cs[(j * k) % (2 * n)];
        }
        c[j] = sum * (2.0 / static_cast<double>(n));
    }
    c[n] /= 2;
    return c;
}

// The series' integral from x = -1: term by term T_k integrates to
// (T_(k+1) / (k + 1) - T_(k-1) / (k - 1)) / 2, and the constant makes it 0
// at x = -1.
std::array<double, n + 2> time_series(const std::array<double, n + 1>& pace)
{
    std::array<double, n + 2> c{};
    double at_minus_one = 0;
    for (std::size_t k = 1; k <= n + 1; ++k) {
        const double upper = k + 1 <= n ? pace[k + 1] : 0;
        c[k]               = (pace[k - 1] - upper) / (2 * static_cast<double>(k));
        at_minus_one += k % 2 == 0 ? c[k] : -c[k];
    }
    c[0] = -2 * at_minus_one;
    return c;
}

}  // namespace

climb_profile::climb_profile(const tether::model& m, const drive_params& d, double ztop,
                             const integral_settings& s)
    : vmax_(d.vmax), ztop_(ztop)
{
    const auto stretches = climb_stretches(m, d, ztop, s);
    if (!stretches) {
        return;
    }
    for (const climb_stretch& st : *stretches) {
        if (st.capped) {
            const double t0 = panels_.empty() ? 0 : panels_.back().t1;
            panels_.push_back(
                {st.a, st.b, t0, t0 + (st.b - st.a) * hours_per_km_at_1 / vmax_, true, {}, {}});
            continue;
        }
        if (!add_uncapped(m, d, st, s)) {
            panels_.clear();
            return;
        }
    }
    time_ = panels_.empty() ? 0 : panels_.back().t1;
}

// The panels of an uncapped stretch: first [a, a + scale], then each twice
// as wide as the one before (as the time integral starts), each halved
// until its series is resolved. False where a panel was halved max_depth
// times, or the panels reached max_panels, before that.
bool climb_profile::add_uncapped(const tether::model& m, const drive_params& d,
                                 const climb_stretch& st, const integral_settings& s)
{
    const double a = st.a;
    const double b = st.b;
    struct todo {
        double a;
        double b;
        unsigned depth;
        double parent_tail;  // the tail's share of the mean on the panel halved
    };
    std::vector<todo> stack;
    std::vector<todo> first;
    double width = std::fmax(st.scale, std::fmax(std::ldexp(b - a, -60), 1e-15 * std::fabs(a)));
    for (double x = a; x < b; width *= 2) {
        const double next = b - x <= 2 * width ? b : x + width;
        first.push_back({x, next, 0, 1});
        x = next;
    }
    stack.assign(first.rbegin(), first.rend());
    while (!stack.empty()) {
        const todo p = stack.back();
        stack.pop_back();
        const double mid = p.a + (p.b - p.a) / 2;
        panel q{p.a, p.b, 0, 0, false, pace_series(m, d, p.a, p.b), {}};
        const double tail  = (std::fabs(q.pace[n - 1]) + std::fabs(q.pace[n])) / (q.pace[0] / 2);
        const bool plateau = tail <= noise_floor && tail > p.parent_tail / 2;
        if (!(tail <= resolved) && !plateau) {
            if (p.depth >= s.max_depth || panels_.size() + stack.size() + 2 > s.max_panels) {
                return false;
            }
            stack.push_back({mid, p.b, p.depth + 1, tail});
            stack.push_back({p.a, mid, p.depth + 1, tail});
            continue;
        }
        q.time = time_series(q.pace);
        q.t0   = panels_.empty() ? 0 : panels_.back().t1;
        q.t1   = q.t0 +
               (p.b - p.a) / 2 *
                   boost::math::chebyshev_clenshaw_recurrence(q.time.data(), q.time.size(), 1.0);
        panels_.push_back(q);
    }
    return true;
}

// The time's and the pace's series at x, in one loop: the two recurrences
// are independent, and each takes the operations of Boost's
// chebyshev_clenshaw_recurrence in its order, so the values are its values.
std::pair<double, double> climb_profile::time_and_pace(const panel& p, double x)
{
    const double twice = 2 * x;
    double t2          = 0;
    double t1          = p.time[n + 1];
    double t0          = twice * t1 - t2 + p.time[n];
    t2                 = t1;
    t1                 = t0;
    double q2          = 0;
    double q1          = p.pace[n];
    for (std::size_t j = n - 1; j >= 1; --j) {
        t0              = twice * t1 - t2 + p.time[j];
        t2              = t1;
        t1              = t0;
        const double q0 = twice * q1 - q2 + p.pace[j];
        q2              = q1;
        q1              = q0;
    }
    return {x * t1 - t2 + 0.5 * p.time[0], x * q1 - q2 + 0.5 * p.pace[0]};
}

// The time from the panel's start to z in it, h.
double climb_profile::offset_in(const panel& p, double z) const
{
    if (p.capped) {
        return (z - p.a) * hours_per_km_at_1 / vmax_;
    }
    const double half = (p.b - p.a) / 2;
    const double x    = std::clamp((z - (p.a + half)) / half, -1.0, 1.0);
    return half * boost::math::chebyshev_clenshaw_recurrence(p.time.data(), p.time.size(), x);
}

double climb_profile::time_to(double z) const
{
    if (panels_.empty() || !std::isfinite(time_)) {
        return std::isfinite(time_) && z <= 0 ? 0 : nan;
    }
    const auto it = std::upper_bound(panels_.begin(), panels_.end(), z,
                                     [](double v, const panel& p) { return v < p.b; });
    if (it == panels_.end()) {
        return time_;
    }
    return it->t0 + offset_in(*it, std::fmax(z, it->a));
}

// The panel holding t (0 < t < climb_time), looking from panel `from`,
// whose start is at or before t.
std::size_t climb_profile::panel_at(double t, std::size_t from) const
{
    std::size_t i = from;
    while (panels_[i].t1 <= t && i + 1 < panels_.size()) {
        ++i;
    }
    return i;
}

double climb_profile::altitude_at(double t, std::size_t* hint) const
{
    if (!std::isfinite(time_)) {
        return nan;
    }
    if (!(t > 0)) {
        return 0;
    }
    if (t >= time_) {
        return ztop_;
    }
    const std::size_t i = panel_at(
        t, hint != nullptr && *hint < panels_.size() && panels_[*hint].t0 <= t ? *hint : 0);
    if (hint != nullptr) {
        *hint = i;
    }
    return solve_in(panels_[i], t - panels_[i].t0);
}

double climb_profile::rough_altitude_at(double t, std::size_t& hint) const
{
    if (!std::isfinite(time_) || !(t > 0) || t >= time_) {
        return altitude_at(t);
    }
    hint           = panel_at(t, hint < panels_.size() && panels_[hint].t0 <= t ? hint : 0);
    const panel& p = panels_[hint];
    return p.capped ? solve_in(p, t - p.t0) : p.a + (p.b - p.a) * ((t - p.t0) / (p.t1 - p.t0));
}

// The altitude dt hours after the start of panel p.
double climb_profile::solve_in(const panel& p, double dt) const
{
    if (p.capped) {
        // As std::fmin, which is a call where the compiler may not assume
        // numbers: neither is NaN here.
        const double z = p.a + dt * vmax_ / hours_per_km_at_1;
        return z < p.b ? z : p.b;
    }
    // Newton's method on the time's series, its slope the pace: from the
    // straight line between the panel's ends.
    const double half = (p.b - p.a) / 2;
    const auto f      = [&](double z) {
        const double x          = std::clamp((z - (p.a + half)) / half, -1.0, 1.0);
        const auto [time, pace] = time_and_pace(p, x);
        return std::make_pair(half * time - dt, pace);
    };
    const double guess        = p.a + (p.b - p.a) * (dt / (p.t1 - p.t0));
    std::uintmax_t iterations = 30;
    return boost::math::tools::newton_raphson_iterate(f, std::clamp(guess, p.a, p.b), p.a, p.b, 44,
                                                      iterations);
}

}  // namespace climber
