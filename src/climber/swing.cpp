#include "climber/swing.hpp"

#include "climber/profile.hpp"
#include "tether/pmath.hpp"
#include "tether/portable_steps.hpp"

#include <boost/math/quadrature/gauss.hpp>
#include <boost/numeric/odeint.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace climber {

namespace {

constexpr double nan  = std::numeric_limits<double>::quiet_NaN();
constexpr double hour = 3600;  // s

// Units: kg, km and s throughout (forces in kN, line densities in kg/km).

// One mode's damped oscillator, q'' + 2 zeta w q' + w^2 q = g.
struct oscillator {
    double w;   // Omega, rad/s
    double z;   // zeta
    double wd;  // Omega sqrt(1 - zeta^2)

    // The free motion (x, y) = (q, q') carried on by h, exactly.
    void carry(double& x, double& y, double h) const
    {
        const double e  = tether::pmath::exp(-z * w * h);
        const double c  = tether::pmath::cos(wd * h);
        const double sn = tether::pmath::sin(wd * h);
        const double b  = (y + z * w * x) / wd;
        const double nx = e * (x * c + b * sn);
        const double ny = e * (y * c - (w * w * x + z * w * y) / wd * sn);
        x               = nx;
        y               = ny;
    }
    // (q, q') carried on by h under a forcing linear from g0 to g1, exactly:
    // the free motion about the particular solution of the ramp.
    void step(double& q, double& v, double h, double g0, double g1) const
    {
        const double w2 = w * w;
        const double k  = (g1 - g0) / h;
        const double q0 = g0 / w2 - 2 * z * k / (w2 * w);
        double x        = q - q0;
        double y        = v - k / w2;
        carry(x, y, h);
        q = x + q0 + k * h / w2;
        v = y + k / w2;
    }
    // The amplitude of the free motion (q, q').
    double amplitude(double q, double v) const
    {
        const double s = (v + z * w * q) / wd;
        return std::sqrt(q * q + s * s);
    }
};

namespace odeint = boost::numeric::odeint;
using pair_state = std::array<double, 2>;

// The tether's response to one climb, at the climb's nodes: the modes, the
// static Green's function towards the two points watched (0 the top end, 1
// the balance point), the forcing and each mode's state at every node.
class response {
  public:
    response(const tether::design& d, const study& s, const tether::modes& found,
             std::vector<double> nodes, const climb_profile& climb, const swing_settings& set,
             const std::atomic<int>* stop);

    bool ok = false;  // the shapes came; false once the run's stop is set

    // Each mode's state at every stride-th node, from rest at departure.
    void follow(std::size_t stride);
    // The displacement (km) of point o at node j, the force on.
    double at_node(int o, std::size_t j) const;
    // At time t (s) in [0, arrival), between the stride's nodes.
    double at_time(int o, double t, std::size_t stride) const;
    // The free motion after arrival, tau s after it (sum over the modes).
    double after(int o, double tau) const;
    // The slowest mode's amplitude left at point o at arrival.
    double left(int o) const
    {
        return modes_[0].amplitude(q_[0].back(), v_[0].back()) *
               std::fabs(watched_[0][static_cast<std::size_t>(o)]);
    }
    // The largest |u| at point o over the nodes, refined by a parabola.
    double largest(int o, std::size_t stride) const;
    // The largest share of the last mode's dynamic part in point o's |u|.
    double last_mode_share(int o, double most) const;
    // The faster modes' static part at point o at arrival, km: left out
    // of the free motion after it, where it rings.
    double tail(int o) const
    {
        return static_[static_cast<std::size_t>(o)].back();
    }
    // The largest |u| at the top end in a stream's steady state, one climb
    // every interval (s): NaN without damping.
    double stream(double interval, std::size_t stride) const;

    std::size_t modes() const
    {
        return modes_.size();
    }
    std::size_t count() const
    {
        return t_.size();
    }
    double time(std::size_t j) const
    {
        return t_[j];
    }
    double altitude(std::size_t j) const
    {
        return z_[j];
    }
    double arrival() const
    {
        return t_.back();
    }
    double slowest_period() const
    {
        return 2 * tether::PI / modes_[0].w;
    }

  private:
    std::vector<oscillator> modes_;
    std::vector<std::array<double, 2>> watched_;  // each mode at the top end and balance point
    std::vector<std::vector<double>> shape_;      // each mode at the nodes, mass-normalised
    std::vector<double> z_;                       // the nodes' altitudes, km
    std::vector<double> t_;                       // their times, s
    std::vector<double> force_;                   // the climber's push there, kN
    std::array<std::vector<double>, 2> static_;   // F G less the modes' static parts, km
    std::vector<std::vector<double>> q_;          // each mode's coordinate at the nodes
    std::vector<std::vector<double>> v_;          // and its rate

    double modal(int o, std::size_t n, std::size_t j) const
    {
        return watched_[n][static_cast<std::size_t>(o)] * q_[n][j];
    }
};

// The Green's function's two solutions in phi = Y / r, with y = p phi' / mu_geo:
//   phi' = y / (c^2 a r^2),   y' = a r^2 tide phi,
// a the cross-section relative to GEO. From the foot phi = 0, y = 1; from
// the top phi = 1, y = -r^2 tide M / mu_geo (the top's static condition).
// Returns phi_a phi_b at the radii (ascending) and the constant
// phi_a y_b - y_a phi_b.
struct static_pair {
    std::vector<double> a;
    std::vector<double> b;
    double wronskian;
};

static_pair solve_static(const tether::model& m, double top_mass, const std::vector<double>& radii)
{
    const tether::field& f = m.fld;
    const double c2        = m.ywork;
    const double ta        = m.taper_re;
    auto system            = [&](const pair_state& x, pair_state& dxdr, double r) {
        const double a = tether::taper(m, r) * ta;
        dxdr[0]        = x[1] / (c2 * a * (r * r));
        dxdr[1]        = a * (r * r) * tether::tide_in_plane(f, r) * x[0];
    };
    const double tol = 1e-12;
    auto stepper     = [tol] {
        return tether::make_portable_controlled<odeint::runge_kutta_fehlberg78<pair_state>>(tol,
                                                                                            tol);
    };
    static_pair out{std::vector<double>(radii.size()), std::vector<double>(radii.size()), 0};
    std::vector<double> up{m.RE};
    up.insert(up.end(), radii.begin(), radii.end());
    pair_state x  = {0.0, 1.0};
    std::size_t i = 0;
    odeint::integrate_times(stepper(), system, x, up.begin(), up.end(), (m.rapex - m.RE) / 64,
                            [&](const pair_state& s, double) {
                                if (i > 0) {
                                    out.a[i - 1] = s[0];
                                }
                                ++i;
                            });
    std::vector<double> down{m.rapex};
    down.insert(down.end(), radii.rbegin(), radii.rend());
    down.push_back(m.RE);
    x = {1.0, -(m.rapex * m.rapex) * tether::tide_in_plane(f, m.rapex) * top_mass};
    i = 0;
    pair_state foot{};
    odeint::integrate_times(stepper(), system, x, down.begin(), down.end(), -(m.rapex - m.RE) / 64,
                            [&](const pair_state& s, double) {
                                if (i > 0 && i <= radii.size()) {
                                    out.b[radii.size() - i] = s[0];
                                }
                                foot = s;
                                ++i;
                            });
    // At the foot phi_a = 0 and y_a = 1.
    out.wronskian = -foot[0];
    return out;
}

// The altitude of the top end, nudged below it where RE + it rounds above.
double top_altitude(const tether::model& m)
{
    double z = m.rapex - m.RE;
    while (m.RE + z > m.rapex) {
        z = std::nextafter(z, 0.0);
    }
    return z;
}

// The Gauss points of 16 panels of 8 over the tether, each `panel` km
// wide, appended to alts; their weights.
std::vector<double> gauss_points(double panel, std::vector<double>& alts)
{
    using gauss             = boost::math::quadrature::gauss<double, 8>;
    constexpr unsigned half = 4;
    std::vector<double> weights;
    for (unsigned p = 0; p < 16; ++p) {
        const double mid = panel * (p + 0.5);
        for (unsigned g = 0; g < half; ++g) {
            const double x = gauss::abscissa()[g];
            const double w = gauss::weights()[g] * panel / 2;
            for (const double sign : {-1.0, 1.0}) {
                if (x == 0 && sign > 0) {
                    continue;
                }
                alts.push_back(mid + sign * x * panel / 2);
                weights.push_back(w);
            }
        }
    }
    return weights;
}

response::response(const tether::design& d, const study& s, const tether::modes& found,
                   std::vector<double> nodes, const climb_profile& climb, const swing_settings& set,
                   const std::atomic<int>* stop)
    : z_(std::move(nodes))
{
    const tether::model& m = s.model;
    const std::size_t n    = found.lambda2_in.size();
    const std::size_t k    = z_.size();
    // The shapes at the nodes, the two points watched and the Gauss points
    // of the modal masses (16 panels of 8 over the whole tether).
    const double length      = top_altitude(m);
    const double panel       = length / 16;
    std::vector<double> alts = z_;
    alts.push_back(length);
    alts.push_back(m.rgeo - m.RE);
    const std::vector<double> weights = gauss_points(panel, alts);
    const auto shapes = tether::mode_shapes(m, s.positions, found, alts, set.mode_by, stop);
    if (stop != nullptr && stop->load() != 0) {
        return;
    }
    const double mu_geo   = d.tether.density * d.tether.csgeo * 1e-3;  // kg/km
    const double top_mass = s.positions.mapex * 1000;                  // kg
    for (std::size_t i = 0; i < n; ++i) {
        const std::vector<double>& y = shapes[i];
        double mass                  = top_mass * (y[k] * y[k]);
        for (std::size_t g = 0; g < weights.size(); ++g) {
            const double r = m.RE + alts[k + 2 + g];
            const double u = y[k + 2 + g];
            mass += weights[g] * (mu_geo * (tether::taper(m, r) * m.taper_re)) * (u * u);
        }
        const double scale = 1 / std::sqrt(mass);
        const double w     = std::sqrt(found.lambda2_in[i]);
        const double zeta  = d.tether.damping;
        modes_.push_back({w, zeta, w * std::sqrt(1 - zeta * zeta)});
        watched_.push_back({y[k] * scale, y[k + 1] * scale});
        std::vector<double> at(k);
        for (std::size_t j = 0; j < k; ++j) {
            at[j] = y[j] * scale;
        }
        shape_.push_back(std::move(at));
    }
    // The climb: times and the Coriolis push, -2 m omega v, at the nodes.
    for (std::size_t j = 0; j < k; ++j) {
        t_.push_back(std::fmax(0.0, climb.time_to(z_[j])) * hour);
        const double v = std::fmin(uncapped_speed(m, s.drive, z_[j]), s.drive.vmax);
        force_.push_back(-2 * s.drive.mclimb * m.omega * v / 1000);
    }
    // The static Green's function towards the watched points.
    std::vector<double> radii;
    for (double z : z_) {
        radii.push_back(m.RE + z);
    }
    const double rtop = m.RE + length;
    const double rgeo = m.rgeo;
    radii.push_back(rgeo);
    std::vector<double> sorted = radii;
    sorted.push_back(rtop);
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    const static_pair g = solve_static(m, top_mass / mu_geo, sorted);
    const auto index    = [&](double r) {
        return static_cast<std::size_t>(std::lower_bound(sorted.begin(), sorted.end(), r) -
                                        sorted.begin());
    };
    const auto green = [&](double r1, double r2) {
        const std::size_t lo = index(std::fmin(r1, r2));
        const std::size_t hi = index(std::fmax(r1, r2));
        return r1 * r2 * (g.a[lo] * g.b[hi]) / (-mu_geo * g.wronskian);
    };
    for (int o = 0; o < 2; ++o) {
        const double ro = o == 0 ? rtop : rgeo;
        for (std::size_t j = 0; j < k; ++j) {
            double value = force_[j] * green(ro, radii[j]);
            for (std::size_t i = 0; i < n; ++i) {
                value -= watched_[i][static_cast<std::size_t>(o)] * shape_[i][j] * force_[j] /
                         (modes_[i].w * modes_[i].w);
            }
            static_[static_cast<std::size_t>(o)].push_back(value);
        }
    }
    ok = true;
}

void response::follow(std::size_t stride)
{
    const std::size_t k = t_.size();
    q_.assign(modes_.size(), std::vector<double>(k, nan));
    v_.assign(modes_.size(), std::vector<double>(k, nan));
    for (std::size_t i = 0; i < modes_.size(); ++i) {
        double q = 0;
        double v = 0;
        q_[i][0] = 0;
        v_[i][0] = 0;
        for (std::size_t j = 0; j + stride < k; j += stride) {
            const std::size_t e = j + stride;
            modes_[i].step(q, v, t_[e] - t_[j], shape_[i][j] * force_[j], shape_[i][e] * force_[e]);
            q_[i][e] = q;
            v_[i][e] = v;
        }
    }
}

double response::at_node(int o, std::size_t j) const
{
    double u = static_[static_cast<std::size_t>(o)][j];
    for (std::size_t i = 0; i < modes_.size(); ++i) {
        u += modal(o, i, j);
    }
    return u;
}

double response::at_time(int o, double t, std::size_t stride) const
{
    const auto up =
        static_cast<std::size_t>(std::upper_bound(t_.begin(), t_.end(), t) - t_.begin());
    std::size_t j = up == 0 ? 0 : up - 1;
    j -= j % stride;
    const std::size_t e  = std::min(j + stride, t_.size() - 1);
    const double h       = t_[e] - t_[j];
    const double share   = h > 0 ? (t - t_[j]) / h : 0;
    const std::size_t so = static_cast<std::size_t>(o);
    double u             = static_[so][j] + share * (static_[so][e] - static_[so][j]);
    for (std::size_t i = 0; i < modes_.size(); ++i) {
        double q = q_[i][j];
        double v = v_[i][j];
        if (t > t_[j]) {
            const double g0 = shape_[i][j] * force_[j];
            const double g1 = shape_[i][e] * force_[e];
            modes_[i].step(q, v, t - t_[j], g0, g0 + share * (g1 - g0));
        }
        u += watched_[i][so] * q;
    }
    return u;
}

double response::after(int o, double tau) const
{
    double u = 0;
    for (std::size_t i = 0; i < modes_.size(); ++i) {
        double q = q_[i].back();
        double v = v_[i].back();
        modes_[i].carry(q, v, tau);
        u += watched_[i][static_cast<std::size_t>(o)] * q;
    }
    return u;
}

// The vertex of the parabola through three points (x, |y|), where it lies
// between the outer two and above the middle one; else the middle one.
double peak(double x0, double y0, double x1, double y1, double x2, double y2)
{
    const double d1 = (y1 - y0) / (x1 - x0);
    const double d2 = (y2 - y1) / (x2 - x1);
    const double a  = (d2 - d1) / (x2 - x0);
    if (!(a < 0)) {
        return y1;
    }
    const double b = d1 - a * (x0 + x1);
    const double x = -b / (2 * a);
    if (!(x > x0 && x < x2)) {
        return y1;
    }
    return std::fmax(y1, y0 + (x - x0) * (d1 + a * (x - x1)));
}

double response::largest(int o, std::size_t stride) const
{
    std::size_t best = 0;
    double most      = -1;
    std::vector<std::size_t> at;
    for (std::size_t j = 0; j < t_.size(); j += stride) {
        at.push_back(j);
    }
    if (at.back() != t_.size() - 1) {
        at.push_back(t_.size() - 1);
    }
    for (std::size_t i = 0; i < at.size(); ++i) {
        const double u = std::fabs(at_node(o, at[i]));
        if (u > most) {
            most = u;
            best = i;
        }
    }
    if (best == 0 || best + 1 == at.size()) {
        return most;
    }
    const std::size_t a = at[best - 1];
    const std::size_t b = at[best];
    const std::size_t c = at[best + 1];
    return peak(t_[a], std::fabs(at_node(o, a)), t_[b], most, t_[c], std::fabs(at_node(o, c)));
}

double response::last_mode_share(int o, double most) const
{
    const std::size_t n  = modes_.size() - 1;
    const std::size_t so = static_cast<std::size_t>(o);
    const double w2      = modes_[n].w * modes_[n].w;
    double part          = 0;
    for (std::size_t j = 0; j < t_.size(); ++j) {
        if (!std::isnan(q_[n][j])) {
            part = std::fmax(
                part, std::fabs(watched_[n][so] * (q_[n][j] - shape_[n][j] * force_[j] / w2)));
        }
    }
    return most > 0 ? part / most : 0;
}

double response::stream(double interval, std::size_t stride) const
{
    if (!(modes_[0].z > 0)) {
        return nan;
    }
    const double tc = arrival();
    // Each mode's free motion summed over every climb already parked:
    // (E - Phi(interval))^-1 applied to its state at arrival.
    std::vector<std::array<double, 2>> parked;
    for (std::size_t i = 0; i < modes_.size(); ++i) {
        double a11 = 1;
        double a21 = 0;
        double a12 = 0;
        double a22 = 1;
        modes_[i].carry(a11, a21, interval);
        modes_[i].carry(a12, a22, interval);
        // E - Phi, and its inverse on (q, v).
        const double m11 = 1 - a11;
        const double m12 = -a12;
        const double m21 = -a21;
        const double m22 = 1 - a22;
        const double det = m11 * m22 - m12 * m21;
        const double q   = q_[i].back();
        const double v   = v_[i].back();
        parked.push_back({(m22 * q - m12 * v) / det, (m11 * v - m21 * q) / det});
    }
    const auto at = [&](double t) {
        double u = 0;
        double s = t;
        for (; s < tc; s += interval) {
            u += at_time(0, s, stride);
        }
        const double tau = s - tc;
        for (std::size_t i = 0; i < modes_.size(); ++i) {
            double q = parked[i][0];
            double v = parked[i][1];
            modes_[i].carry(q, v, tau);
            u += watched_[i][0] * q;
        }
        return u;
    };
    constexpr unsigned samples = 256;
    std::array<double, samples> u{};
    unsigned best = 0;
    for (unsigned i = 0; i < samples; ++i) {
        u[i] = std::fabs(at(interval * i / samples));
        best = u[i] > u[best] ? i : best;
    }
    // The steady state repeats every interval: the neighbours wrap round.
    const double h = interval / samples;
    return peak(-h, u[(best + samples - 1) % samples], 0, u[best], h, u[(best + 1) % samples]);
}

// The mode whose period a stream's interval lies nearest a whole multiple
// of (at least once): its index, and the interval over its period.
std::pair<std::size_t, double> nearest_ringing(const tether::modes& found, double interval)
{
    std::size_t best = 0;
    double detune    = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < found.in_plane.size(); ++i) {
        const double ratio = interval / found.in_plane[i];
        const double whole = std::fmax(1.0, std::nearbyint(ratio));
        const double off   = std::fabs(ratio - whole) / whole;
        if (off < detune) {
            detune = off;
            best   = i;
        }
    }
    return {best, interval / found.in_plane[best]};
}

// The figures of one integration (every stride-th node).
std::array<double, 5> figures_of(response& r, double interval, std::size_t stride)
{
    r.follow(stride);
    return {r.largest(0, stride), r.largest(1, stride), r.left(0), r.left(1),
            std::isnan(interval) ? nan : r.stream(interval * hour, stride)};
}

// The climb's nodes: `steps` even steps to ztop, and the altitudes asked
// for within it, ascending, each once.
std::vector<double> climb_nodes(double ztop, unsigned steps, const std::vector<double>& altitudes)
{
    std::vector<double> nodes;
    for (unsigned j = 0; j <= steps; ++j) {
        nodes.push_back(j == steps ? ztop : ztop * j / steps);
    }
    for (double z : altitudes) {
        if (z >= 0 && z <= ztop) {
            nodes.push_back(z);
        }
    }
    std::sort(nodes.begin(), nodes.end());
    nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
    return nodes;
}

// The figures' relative error: the steps' by the two integrations (their
// error falls as the step squared), the modes' by the last mode's share of
// the motion and, in a stream, by the faster modes' part left ringing.
double estimated_error(const response& r, const std::array<double, 5>& fine,
                       const std::array<double, 5>& rough)
{
    double error = std::fmax(r.last_mode_share(0, fine[0]), r.last_mode_share(1, fine[1]));
    if (!std::isnan(fine[4])) {
        error = std::fmax(error, std::fabs(r.tail(0)) / fine[4]);
    }
    for (std::size_t f = 0; f < 5; ++f) {
        if (!std::isnan(fine[f])) {
            error = std::fmax(error, std::fabs(fine[f] - rough[f]) / (3 * std::fabs(fine[f])));
        }
    }
    return error;
}

// The rows: at the altitudes asked for and at arrival, then every
// hundredth of the slowest period for one period after it.
std::vector<swing_row> rows_of(const response& r, const std::vector<double>& altitudes, double ztop)
{
    std::vector<swing_row> rows;
    for (std::size_t j = 0; j < r.count(); ++j) {
        const double z = r.altitude(j);
        if (z == ztop || std::binary_search(altitudes.begin(), altitudes.end(), z)) {
            rows.push_back({r.time(j) / hour, z, r.at_node(0, j), r.at_node(1, j)});
        }
    }
    const double period = r.slowest_period();
    for (unsigned k = 1; k <= rows_after_arrival; ++k) {
        const double tau = period * k / rows_after_arrival;
        rows.push_back({(r.arrival() + tau) / hour, ztop, r.after(0, tau), r.after(1, tau)});
    }
    return rows;
}

std::string missed_swing(const swing_settings& set)
{
    return "the swing's error estimate is above " + tether::compact_number(set.accuracy) +
           " of its value (or the slowest " + std::to_string(set.most_modes) +
           " modes or the climb could not be followed): its figures are NaN";
}

}  // namespace

swing compute_swing(const tether::design& d, const study& s, const std::vector<double>& altitudes,
                    std::vector<swing_row>& rows, const swing_settings& set,
                    const integral_settings& is, const std::atomic<int>* stop)
{
    swing out;
    rows.clear();
    if (!lifts(s)) {
        return out;
    }
    out.computed      = true;
    out.asked         = set.stream;
    out.streaming     = !tether::is_automatic(d.traffic.interval);
    out.damped        = d.tether.damping > 0;
    const double ztop = s.plan.ztop;
    const climb_profile climb(s.model, s.drive, ztop, is);
    const std::vector<double> nodes = climb_nodes(ztop, set.steps, altitudes);
    const double interval = set.stream && out.streaming && out.damped ? d.traffic.interval : nan;
    // With set.modes, and again with set.most_modes where the error
    // estimate is above set.aim.
    std::optional<response> r;
    std::array<double, 5> fine{};
    double error = nan;
    for (unsigned count = set.modes;; count = set.most_modes) {
        const tether::modes found =
            tether::compute_modes(s.model, s.positions, count, set.mode_by, stop);
        if (found.stopped) {
            out.computed = false;
            return out;
        }
        if (std::isnan(climb.climb_time()) || found.missed) {
            out.missed = {true, missed_swing(set)};
            return out;
        }
        if (out.streaming) {
            const auto [i, ratio] = nearest_ringing(found, d.traffic.interval);
            out.nearest           = static_cast<unsigned>(i + 1);
            out.nearest_period    = found.in_plane[i];
            out.nearest_ratio     = ratio;
        }
        r.emplace(d, s, found, nodes, climb, set, stop);
        if (!r->ok) {
            out.computed = false;
            return out;
        }
        const std::array<double, 5> rough = figures_of(*r, interval, 2);
        fine                              = figures_of(*r, interval, 1);
        // The steps' error by the two integrations (their error falls as
        // the step squared), the modes' by the last mode's share of the
        // motion and, in a stream, by the faster modes' part left ringing.
        error = estimated_error(*r, fine, rough);
        if (error <= set.aim || count >= set.most_modes) {
            break;
        }
    }
    out.error = error;
    out.modes = static_cast<unsigned>(r->modes());
    if (!(error <= set.accuracy)) {
        out.missed = {true, missed_swing(set)};
        return out;
    }
    out.top      = fine[0];
    out.geo      = fine[1];
    out.left_top = fine[2];
    out.left_geo = fine[3];
    out.stream   = fine[4];
    rows         = rows_of(*r, altitudes, ztop);
    return out;
}

swing compute_swing(const tether::design& d, const study& s, const swing_settings& set,
                    const integral_settings& is, const std::atomic<int>* stop)
{
    std::vector<swing_row> rows;
    return compute_swing(d, s, {}, rows, set, is, stop);
}

void swing_notes(const swing& s, std::vector<note>& out)
{
    if (!s.computed || !s.asked || s.missed) {
        return;
    }
    if (!s.streaming) {
        out.push_back({note_kind::swing_no_stream,
                       "swing_stream is empty: there is no stream (interval is auto)",
                       "swing_stream"});
    }
    else if (!s.damped) {
        out.push_back(
            {note_kind::swing_undamped,
             "swing_stream is empty: undamped (damping = 0), a stream whose interval is near a "
             "whole multiple of a mode's period rings it without bound; mode " +
                 std::to_string(s.nearest) + " (" + tether::message_number(s.nearest_period, 6) +
                 " h) is the nearest, the interval " + tether::message_number(s.nearest_ratio, 4) +
                 " times its period",
             "swing_stream"});
    }
}

}  // namespace climber
