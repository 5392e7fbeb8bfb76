#include "climber/integral.hpp"

#include "tether/quadrature.hpp"

#include <boost/math/tools/toms748_solve.hpp>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <vector>

namespace climber {

namespace {

using tether::estimate;

template <class F>
estimate integrate_piece(F& f, double a, double b, const integral_settings& s,
                         double scale = std::numeric_limits<double>::infinity())
{
    return tether::integrate_adaptive(f, a, b, s.tolerance, {s.max_depth, s.max_panels}, scale);
}

constexpr double eps               = std::numeric_limits<double>::epsilon();
constexpr double hours_per_km_at_1 = 1000.0 / 3600.0;  // h per km at 1 m/s

// The uncapped speed's factors at one altitude.
struct factors {
    double z;       // altitude, km
    double grav;    // effective gravity, m/s^2: positive, falling with z below GEO
    double taper;   // cross-section relative to RE: rising with z below GEO
    double excess;  // force margin, N: positive, rising with z below GEO
    double speed;   // uncapped speed, power / weight, m/s
};

// The factors with what bounding them over a piece needs besides.
struct point {
    factors f;
    double slope;  // -d grav / dz, m/s^2 per km, the part falling with z: positive
    double rise;   // the part rising with z (the partner's, toward it; else 0)
    double error;  // a bound of the rounding in f.speed, relative
};

// The uncapped speed, power / weight, as drive_at works it out, but for the
// force margin: fmax - weight loses the margin's last digits when it is
// small next to the weight, and that noise would hide the integral's error.
// Here it is fextra plus the weight lost since the surface, the difference
// of gravity written without a subtraction of near-equal terms.
class climb {
  public:
    climb(const tether::model& m, const drive_params& d)
        : m_(m), d_(d), RE2_(m.RE * m.RE), partner_(m.fld.partnered())
    {
    }

    factors at(double z) const
    {
        const double r    = m_.RE + z;
        const double grav = tether::grav(m_, r);
        const double lost =
            partner_ ? tether::outward_gain(m_.fld, m_.RE, z) * 1000
                     : ((m_.GM * z) * (r + m_.RE) / (RE2_ * (r * r)) + m_.omega2 * z) * 1000;
        const double excess = d_.fextra + d_.mclimb * lost;
        const double taper  = partner_ ? tether::taper(m_, r) : tether::central_taper(m_, r);
        const double power  = ((0.5 * excess) * excess) / (d_.zg * taper);
        return {z, grav, taper, excess, power / (d_.mclimb * grav)};
    }

    double speed(double z) const
    {
        return at(z).speed;
    }

    // The rounding bound: a few units in the last place for each operation,
    // more where gravity is a difference of near-equal terms (near GEO) and
    // where the taper's exponent is a large difference of potentials over a
    // small specific strength.
    point probe(double z) const
    {
        if (partner_) {
            return probe_partner(z);
        }
        const double r         = m_.RE + z;
        const double pull      = m_.GM / (r * r);
        const double spin      = m_.omega2 * r;
        const double pot       = std::fabs(tether::effpot(m_, r)) + std::fabs(m_.vre);
        const double cancelled = (pull + spin) / std::fabs(pull - spin);
        return {at(z), (2 * pull / r + m_.omega2) * 1000, 0,
                eps * (64 + 8 * cancelled + 8 * pot / m_.ywork)};
    }

    // Bounds of the log-derivative d ln(speed) / dz over [a, b], 1/km:
    // 2 excess' / excess - taper' / taper - grav' / grav, where
    // taper' / taper = grav / (1000 ywork), excess' = mclimb * slope and
    // -grav' = slope, each term bounded by its monotone factors at the ends:
    // below the balance point grav falls and excess and taper rise with z
    // in any field (F' > 0 on the whole line), and the slope is a falling
    // part and a rising part (the partner's, toward it), each bounded by its
    // ends.
    void log_slope(const point& a, const point& b, double mu, double& lo, double& hi) const
    {
        const double k       = 1 / (1000 * m_.ywork);
        const double least   = b.slope + a.rise;
        const double most    = a.slope + b.rise;
        const double rise_lo = 2 * d_.mclimb * least / b.f.excess + least / a.f.grav;
        const double rise_hi = 2 * d_.mclimb * most / a.f.excess + most / b.f.grav;
        lo                   = rise_lo * (1 - mu) - a.f.grav * k * (1 + mu);
        hi                   = rise_hi * (1 + mu) - b.f.grav * k * (1 - mu);
    }

    // The length over which 1 / speed changes by a factor of about e just
    // above z: one over the sum of the log-derivative's terms' sizes, km.
    double scale(double z) const
    {
        const point p      = probe(z);
        const double slope = p.slope + p.rise;
        return 1 / (2 * d_.mclimb * slope / p.f.excess + slope / p.f.grav +
                    p.f.grav / (1000 * m_.ywork));
    }

  private:
    const tether::model& m_;
    const drive_params& d_;
    double RE2_;
    bool partner_;

    // probe's terms with a partner: the slope's two parts from the field and
    // the cancellation in gravity, the sum of its three terms' sizes over
    // their sum.
    point probe_partner(double z) const
    {
        const double r         = m_.RE + z;
        const tether::field& f = m_.fld;
        const double u         = f.D - f.s * r;
        const double terms = f.GM / (r * r) + f.GM2 / (u * u) + f.omega2 * std::fabs(r - f.s * f.b);
        const double cancelled      = terms / std::fabs(tether::outward(f, r));
        const double pot            = std::fabs(tether::effpot(m_, r)) + std::fabs(m_.vre);
        const tether::field_slope k = tether::outward_slope(f, r);
        return {at(z), k.falling * 1000, k.rising * 1000,
                eps * (64 + 8 * cancelled + 8 * pot / m_.ywork)};
    }
};

// [0, ztop] split where the cap starts or stops: stretches capped or
// uncapped throughout, in order, and the narrow pieces left unsure.
struct cap_changes {
    struct stretch {
        double a;
        double b;
        bool capped;
    };
    std::vector<stretch> stretches;
    double unsure_time  = 0;  // the unsure pieces' time, h: the middle of its bounds
    double unsure_error = 0;  // half the gap between those bounds, h
    double cap_alt      = std::numeric_limits<double>::quiet_NaN();
    bool complete       = true;  // false: the search reached its limit of pieces

    // A stretch from a to b; first_capped is its lowest capped altitude.
    void add(double a, double b, bool capped, double first_capped)
    {
        if (capped && std::isnan(cap_alt)) {
            cap_alt = first_capped;
        }
        if (!stretches.empty() && stretches.back().b == a && stretches.back().capped == capped) {
            stretches.back().b = b;
        }
        else {
            stretches.push_back({a, b, capped});
        }
    }
};

// The search. On a piece [a, b] the speed lies between
//   excess(a)^2 / (2 zg taper(b) mclimb grav(a)) = speed(a) taper(a) / taper(b)
//   excess(b)^2 / (2 zg taper(a) mclimb grav(b)) = speed(b) taper(b) / taper(a),
// widened for rounding. A piece wholly above or below vmax has no change. A
// piece where the log-derivative keeps one sign is monotone: a change
// between its ends is its only one, placed by TOMS 748 to 1e-9 km. Others
// are halved, first tried against the tighter bounds speed(mid) +- the
// largest slope times half the width, which resolve a near-touch.
// A piece on which the speed is monotonic: capped or not throughout, or one
// change of the cap, placed by TOMS 748 to 1e-9 km.
void add_monotonic(cap_changes& out, const climb& c, const point& a, const point& b, double vmax)
{
    const bool ca = a.f.speed > vmax;
    const bool cb = b.f.speed > vmax;
    if (ca == cb) {
        out.add(a.f.z, b.f.z, ca, a.f.z);
        return;
    }
    std::uintmax_t iterations = 200;
    const auto f              = [&](double z) { return c.speed(z) - vmax; };
    const auto [zlo, zhi]     = boost::math::tools::toms748_solve(
            f, a.f.z, b.f.z, a.f.speed - vmax, b.f.speed - vmax,
            [](double x, double y) { return std::fabs(y - x) <= 1e-9; }, iterations);
    // f > 0 means capped: the bracket's end on the capped side.
    const double at_cap = f(zhi) > 0 ? zhi : zlo;
    const double edge   = zlo + (zhi - zlo) / 2;
    out.add(a.f.z, edge, ca, a.f.z);
    out.add(edge, b.f.z, cb, at_cap);
}

// A piece too narrow to split where the speed comes within rounding of
// vmax. The time lies between the piece at vmax and the piece at the lowest
// speed; the cap binds here if the speed is above vmax at any point looked at.
void add_unsure(cap_changes& out, const point& a, const point& mid, const point& b, double lo,
                double vmax)
{
    const double w       = b.f.z - a.f.z;
    const double fastest = w * hours_per_km_at_1 / vmax;
    const double slowest = w * hours_per_km_at_1 / lo;
    out.unsure_time += fastest + (slowest - fastest) / 2;
    out.unsure_error += (slowest - fastest) / 2;
    if (std::isnan(out.cap_alt)) {
        for (const point* q : {&a, &mid, &b}) {
            if (q->f.speed > vmax) {
                out.cap_alt = q->f.z;
                break;
            }
        }
    }
}

cap_changes find_cap_changes(const climb& c, double vmax, double ztop, const integral_settings& s)
{
    struct piece {
        point a;
        point b;
    };
    cap_changes out;
    std::vector<piece> todo{{c.probe(0), c.probe(ztop)}};
    unsigned pieces = 0;
    while (!todo.empty()) {
        const piece p = todo.back();
        todo.pop_back();
        if (++pieces > s.max_pieces) {
            out.complete = false;
            break;
        }
        const point& a  = p.a;
        const point& b  = p.b;
        const double w  = b.f.z - a.f.z;
        const double mu = a.error + b.error + 8 * eps;
        double lo       = a.f.speed * (a.f.taper / b.f.taper) * (1 - mu);
        double hi       = b.f.speed * (b.f.taper / a.f.taper) * (1 + mu);
        if (lo > vmax || hi <= vmax) {
            out.add(a.f.z, b.f.z, lo > vmax, a.f.z);
            continue;
        }
        double slope_lo = 0;
        double slope_hi = 0;
        c.log_slope(a, b, mu, slope_lo, slope_hi);
        if (slope_lo > 0 || slope_hi < 0) {
            add_monotonic(out, c, a, b, vmax);
            continue;
        }
        const point mid   = c.probe(a.f.z + w / 2);
        const double most = hi * std::fmax(std::fabs(slope_lo), std::fabs(slope_hi)) * (w / 2);
        const double mm   = mid.error + 4 * eps;
        lo                = std::fmax(lo, mid.f.speed * (1 - mm) - most * (1 + 4 * eps));
        hi                = std::fmin(hi, mid.f.speed * (1 + mm) + most * (1 + 4 * eps));
        if (lo > vmax || hi <= vmax) {
            out.add(a.f.z, b.f.z, lo > vmax, a.f.z);
            continue;
        }
        if (w > s.min_width) {
            todo.push_back({mid, b});
            todo.push_back({a, mid});
            continue;
        }
        add_unsure(out, a, mid, b, lo, vmax);
    }
    return out;
}

}  // namespace

integral_sums integrate(const tether::model& m, const drive_params& d, double ztop,
                        const integral_settings& s)
{
    integral_sums out{};
    const climb c(m, d);

    // The tether's mass.
    const bool partner = m.fld.partnered();
    auto mass          = [&](double z) {
        const double r = m.RE + z;
        return d.rhog * (partner ? tether::taper(m, r) : tether::central_taper(m, r));
    };
    const estimate total    = integrate_piece(mass, 0.0, ztop, s);
    const bool total_missed = !(total.error <= s.tolerance * std::fabs(total.value));
    out.sums.total          = total_missed ? std::numeric_limits<double>::quiet_NaN() : total.value;

    const cap_changes changes = find_cap_changes(c, d.vmax, ztop, s);
    if (!changes.complete) {
        out.sums.time    = std::numeric_limits<double>::quiet_NaN();
        out.sums.cap_alt = std::numeric_limits<double>::quiet_NaN();
        out.missed       = {true, tether::missed_integral(s.tolerance)};
        return out;
    }
    out.sums.cap_alt = changes.cap_alt;

    // Each stretch is capped throughout or not: the capped ones are their
    // length over vmax, the others integrals of 1 / speed.
    auto inverse_speed = [&](double z) {
        return hours_per_km_at_1 / std::fmin(c.speed(z), d.vmax);
    };
    double time  = changes.unsure_time;
    double error = changes.unsure_error;
    for (const cap_changes::stretch& st : changes.stretches) {
        if (!(st.b > st.a)) {
            continue;
        }
        if (st.capped) {
            time += (st.b - st.a) * hours_per_km_at_1 / d.vmax;
            continue;
        }
        const estimate e = integrate_piece(inverse_speed, st.a, st.b, s, c.scale(st.a));
        time += e.value;
        error += e.error;
    }
    const bool time_missed = !(error <= s.tolerance * std::fabs(time));
    out.sums.time          = time_missed ? std::numeric_limits<double>::quiet_NaN() : time;
    if (time_missed || total_missed) {
        out.missed = {true, tether::missed_integral(s.tolerance)};
    }
    return out;
}

std::optional<std::vector<climb_stretch>> climb_stretches(const tether::model& m,
                                                          const drive_params& d, double ztop,
                                                          const integral_settings& s)
{
    const climb c(m, d);
    const cap_changes changes = find_cap_changes(c, d.vmax, ztop, s);
    if (!changes.complete) {
        return std::nullopt;
    }
    std::vector<climb_stretch> out;
    double z = 0;
    for (const cap_changes::stretch& st : changes.stretches) {
        if (st.a > z) {  // unsure pieces in between: within rounding of vmax
            out.push_back({z, st.a, true, 0});
        }
        if (st.b > st.a) {
            out.push_back({st.a, st.b, st.capped, st.capped ? 0 : c.scale(st.a)});
        }
        z = std::fmax(z, st.b);
    }
    if (ztop > z) {
        out.push_back({z, ztop, true, 0});
    }
    return out;
}

double uncapped_speed(const tether::model& m, const drive_params& d, double z)
{
    return climb(m, d).speed(z);
}

}  // namespace climber
