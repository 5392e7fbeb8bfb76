#include "climber/traffic.hpp"

#include "tether/model.hpp"
#include "tether/pmath.hpp"
#include "tether/positions.hpp"

#include <boost/math/tools/toms748_solve.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace climber {

namespace {

using tether::message_number;
using tether::problem;

constexpr double nan            = std::numeric_limits<double>::quiet_NaN();
constexpr double hours_per_year = 8766;  // 365.25 days

// The net outward acceleration's size at altitude z, km/s^2: below GEO
// gravity less the centrifugal term. At z = 0 the same bits as the
// positions' gre.
double pull_at(const tether::model& m, double z)
{
    const double r = m.RE + z;
    return std::fabs(tether::outward(m.fld, r));
}

// The sum of |F| at a stream's climbers the moment one leaves the foot,
// `count` of them, `interval` hours apart, km/s^2. Between departures every
// climber rises and, below GEO, |F| falls as it rises, while one reaching
// the top leaves: the sum of m |F| is largest just as the next one leaves.
double stream_pull(const tether::model& m, const climb_profile& climb, double interval,
                   double count)
{
    double sum = 0;
    climb.at_departures(interval, count, [&](double z) { sum += pull_at(m, z); });
    return sum;
}

// The stream's pulls of one search, kept: the search comes back to the
// counts' loads at the ends of the root finder's bracket and to the points
// it returns, and the sum of n + 1 climbers is that of n and one more,
// added in the same order.
class pull_sums {
  public:
    pull_sums(const tether::model& m, const climb_profile& climb) : m_(m), climb_(climb) {}

    double operator()(double interval, double count)
    {
        for (const known& k : known_) {
            if (k.interval == interval && k.count == count) {
                return k.sum;
            }
        }
        for (const known& k : known_) {
            if (k.interval == interval && k.count + 1 == count) {
                return keep(interval, count,
                            k.sum + pull_at(m_, climb_.altitude_at(k.count * interval)));
            }
        }
        return keep(interval, count, stream_pull(m_, climb_, interval, count));
    }

  private:
    struct known {
        double interval;
        double count;
        double sum;
    };
    const tether::model& m_;
    const climb_profile& climb_;
    std::vector<known> known_;

    double keep(double interval, double count, double sum)
    {
        known_.push_back({interval, count, sum});
        return sum;
    }
};

// The climbers a stream has on the tether the moment one leaves: those
// that left j intervals ago with j * interval below the climb time (one
// reaching the top at a departure has left). At most `limit` + 1.
double on_tether_at(double interval, double climb_time, double limit)
{
    double k = std::fmin(std::ceil(climb_time / interval), limit + 1);
    while (k > 1 && (k - 1) * interval >= climb_time) {
        --k;
    }
    while (k <= limit && k * interval < climb_time) {
        ++k;
    }
    return std::fmax(k, 1);
}

// The held climbers' altitudes: i (rgeo - RE) / climbers, i = 0 ...
template <class Visit> void held(const tether::model& m, double climbers, Visit&& visit)
{
    const double spacing = (m.rgeo - m.RE) / climbers;
    for (double i = 0; i < climbers; ++i) {
        visit(i * spacing);
    }
}

// The traffic's worst moment: where its climbers are, or why not known.
struct moment {
    std::vector<double> altitudes;
    std::string why;  // empty where known
};

// The climb is needed for a stream alone.
moment worst_moment(const tether::model& m, const traffic_settings& t,
                    const climb_profile* stream_climb)
{
    moment out;
    const auto keep = [&](double z) { out.altitudes.push_back(z); };
    if (std::isnan(t.interval)) {
        held(m, t.climbers, keep);
        return out;
    }
    const climb_profile& climb = *stream_climb;
    if (!std::isfinite(climb.climb_time())) {
        out.why = "the climb time is not finite, so the stream's climbers cannot be placed";
        return out;
    }
    const double count = on_tether_at(t.interval, climb.climb_time(), most_climbers);
    if (count > most_climbers) {
        out.why = "the stream puts more than 1e6 climbers on the tether at once";
        return out;
    }
    climb.at_departures(t.interval, count, keep);
    return out;
}

// From a guess, the counts lo that fits (fits(1) is known) and hi = lo + 1
// or more that does not, or most_climbers + 1 where most_climbers fits.
template <class Fits> std::pair<double, double> gallop(const Fits& fits, double guess)
{
    double lo = 1;
    double hi = most_climbers + 1;
    if (fits(guess)) {
        lo = guess;
        for (double step = 1; lo < most_climbers; step *= 2) {
            const double next = std::fmin(lo + step, most_climbers);
            if (!fits(next)) {
                return {lo, next};
            }
            lo = next;
        }
        return {lo, hi};
    }
    hi = guess;
    for (double step = 1;; step *= 2) {
        const double next = std::fmax(hi - step, 1);
        if (next == 1 || fits(next)) {
            return {next, hi};
        }
        hi = next;
    }
}

struct shortest {
    double interval  = nan;
    double on_tether = nan;
    std::string why;
    bool none_fits = false;  // why: one climber at the foot is already too many
};

// The shortest interval whose stream keeps the foot taut. At an interval
// of climb_time / k the stream has k climbers on the tether; the load there
// does not fall as k grows, so the largest k whose load fits is found by
// galloping from a guess and halving. Above climb_time / (k + 1) there are k + 1 climbers
// until the last reaches the top at climb_time / k; their load falls
// continuously with the interval, and where it still exceeds the capacity
// there, the answer is the jump at climb_time / k itself.
shortest shortest_interval(const tether::model& m, const climb_profile& climb, double mass,
                           double anchor, double capacity)
{
    shortest out;
    const double T = climb.climb_time();
    // One climber at the foot within the figures' accuracy of the capacity
    // fits: the search is for the stream whose load is at most its own.
    const double foot = anchor + mass * pull_at(m, 0);
    if (foot > capacity && foot <= capacity * (1 + share_tolerance)) {
        capacity = foot;
    }
    if (!(foot <= capacity)) {
        out.why = std::string(anchor > 0 ? "one climber at the foot with the anchor"
                                         : "one climber at the foot") +
                  " already needs " + message_number(anchor + mass * pull_at(m, 0)) +
                  " kN of the " + message_number(capacity) + " kN load capacity: no stream fits";
        out.none_fits = true;
        return out;
    }
    if (!std::isfinite(T) || !(T > 0)) {
        out.why = "the climb time is not finite, so no departure interval can be found";
        return out;
    }
    pull_sums pull(m, climb);
    const auto fits = [&](double k) { return anchor + mass * pull(T / k, k) <= capacity; };
    // The load of k climbers at T / k is a sum of the pull at even steps of
    // the climb: about k times its mean, plus half the difference of its
    // ends. From that guess (the mean from rough altitudes: it only saves
    // steps), galloping finds k with k fitting and k + 1 not.
    const double ends = pull_at(m, 0) - pull_at(m, climb.ztop());
    double sampled    = 0;
    std::size_t hint  = 0;
    for (double j = 0; j < 64; ++j) {
        sampled += pull_at(m, climb.rough_altitude_at(j * (T / 64), hint));
    }
    const double mean = (sampled - ends / 2) / 64;
    const double guess =
        std::clamp(std::floor(((capacity - anchor) / mass - ends / 2) / mean), 1.0, most_climbers);
    auto [lo, hi] = gallop(fits, guess);
    if (hi > most_climbers) {
        out.why = "the stream at the shortest interval would put more than 1e6 climbers on "
                  "the tether at once";
        return out;
    }
    while (hi - lo > 1) {
        const double mid      = std::floor(lo + (hi - lo) / 2);
        (fits(mid) ? lo : hi) = mid;
    }
    const double k    = lo;
    const auto excess = [&](double interval) {
        return anchor + mass * pull(interval, k + 1) - capacity;
    };
    const double left     = T / (k + 1);
    const double right    = T / k;
    const double at_right = excess(right);
    if (at_right <= 0) {
        std::uintmax_t iterations = 100;
        const auto [a, b]         = boost::math::tools::toms748_solve(
                    excess, left, right, excess(left), at_right,
                    boost::math::tools::eps_tolerance<double>(44), iterations);
        out.interval  = excess(a) <= 0 ? a : b;
        out.on_tether = k + 1;
        return out;
    }
    // The jump: the smallest interval with k climbers on, as they are counted.
    double interval = right;
    while (k * interval < T) {
        interval = std::nextafter(interval, std::numeric_limits<double>::infinity());
    }
    out.interval  = interval;
    out.on_tether = k;
    return out;
}

}  // namespace

std::optional<tether::problem> check_traffic(const traffic_settings& t, const tether::design& d)
{
    if (!std::isfinite(t.climbers) || t.climbers != std::nearbyint(t.climbers) ||
        !(t.climbers >= 1)) {
        return problem{"climbers", "must be a whole number, at least 1"};
    }
    if (t.climbers > most_climbers) {
        return problem{"climbers", "must be at most 1e6"};
    }
    if (!std::isnan(t.interval)) {
        if (!std::isfinite(t.interval) || !(t.interval > 0)) {
            return problem{"interval", "must be a finite number of hours greater than 0"};
        }
        if (t.climbers > 1) {
            return problem{
                "interval",
                "gives a stream of single climbers, and climbers = " + message_number(t.climbers) +
                    " holds that many: drop interval to hold them, or climbers for "
                    "the stream",
                "climbers"};
        }
        const tether::model m = tether::compute_model(d);
        const double time =
            integrate(m, compute_drive_params(d, m), tether::top_of_march(d, m)).sums.time;
        if (std::isfinite(time) && on_tether_at(t.interval, time, most_climbers) > most_climbers) {
            return problem{"interval",
                           "puts more than 1e6 climbers on the tether at once (a climb takes " +
                               message_number(time) + " h); at most 1e6 are allowed"};
        }
    }
    if (!std::isfinite(t.anchor)) {
        return problem{"anchor", "must be a finite number"};
    }
    if (!(t.anchor >= 0)) {
        return problem{"anchor", "must be at least 0"};
    }
    if (!std::isnan(t.payload)) {
        if (!(t.payload >= 0)) {
            return problem{"payload", "must be at least 0"};
        }
        if (!(t.payload <= d.climber.mclimb)) {
            return problem{"payload",
                           "must be at most mclimb = " + message_number(d.climber.mclimb) +
                               " kg, the climber's whole mass",
                           "mclimb"};
        }
    }
    return std::nullopt;
}

namespace {

// What can keep the foot down where the share exceeds 1: the anchor where it
// alone exceeds the capacity, else the climbers (and why no stream fits).
std::string remedy_of(const traffic& out, double anchor)
{
    if (anchor > out.load_capacity) {
        return "the anchor alone (anchor = " + message_number(anchor, 6) +
               " kN) exceeds the load capacity: a smaller anchor or a larger csgeo can keep it "
               "down";
    }
    if (!out.none_fits.empty()) {
        return out.none_fits;
    }
    return "fewer climbers, a longer interval or a larger csgeo can keep it down";
}

// The figures; climb is null only where there is no stream and departures
// (the shortest interval's figures) are not wanted.
traffic traffic_of(const tether::design& d, const study& s, const traffic_settings& t,
                   const climb_profile* climb, bool departures)
{
    traffic out            = no_traffic();
    out.climb_time         = climb != nullptr ? climb->climb_time() : nan;
    const tether::model& m = s.model;
    const double mass      = s.drive.mclimb;
    const double payload   = std::isnan(t.payload) ? mass : t.payload;
    const auto miss        = [&](const std::string& why) {
        if (!out.missed) {
            out.missed = {true, why};
        }
    };
    // Working stress (GPa) times the cross-section at RE (mm^2): kN.
    out.load_capacity = tether::working_stress(d.tether) * s.positions.cs_re;

    const moment worst = worst_moment(m, t, climb);
    if (worst.why.empty()) {
        double sum = 0;
        for (const double z : worst.altitudes) {
            sum += pull_at(m, z);
        }
        out.peak_load  = t.anchor + mass * sum;
        out.load_share = out.peak_load / out.load_capacity;
    }
    else {
        miss(worst.why);
    }
    if (!std::isnan(t.interval)) {
        out.throughput = (payload / 1000) * hours_per_year / t.interval;
    }

    if (departures) {
        const shortest best = shortest_interval(m, *climb, mass, t.anchor, out.load_capacity);
        if (best.why.empty()) {
            out.min_interval   = best.interval;
            out.on_tether      = best.on_tether;
            out.max_throughput = (payload / 1000) * hours_per_year / best.interval;
        }
        else if (best.none_fits) {
            out.none_fits = best.why;
        }
        else {
            miss(best.why);
        }
    }
    out.remedy = remedy_of(out, t.anchor);
    return out;
}

}  // namespace

traffic compute_traffic(const tether::design& d, const study& s, const traffic_settings& t,
                        const climb_profile& climb)
{
    return traffic_of(d, s, t, &climb, true);
}

void traffic_notes(const traffic& t, std::vector<note>& out)
{
    const bool said = std::any_of(out.begin(), out.end(), [](const note& given) {
        return given.kind == note_kind::cannot_lift;
    });
    // Above 1 by more than the figures' accuracy: a design sized by goal
    // seek for a share of 1 sits on it.
    if (said || !(t.load_share > 1 + share_tolerance)) {
        return;
    }
    using tether::message_number;
    out.push_back({note_kind::foot_lifts,
                   "load_share = " + message_number(t.load_share, 6) +
                       ": the traffic's peak load (peak_load = " + message_number(t.peak_load, 6) +
                       " kN) exceeds the pull at the tether's foot (load_capacity = " +
                       message_number(t.load_capacity, 6) + " kN), so the foot would lift; " +
                       t.remedy,
                   "load_share"});
}

traffic no_traffic()
{
    return {nan, nan, nan, nan, nan, nan, nan, nan, {}, {}, {}};
}

traffic compute_traffic(const tether::design& d, const study& s, const traffic_settings& t,
                        const integral_settings& is, bool departures)
{
    if (!departures && std::isnan(t.interval)) {
        return traffic_of(d, s, t, nullptr, false);
    }
    const climb_profile climb(s.model, s.drive, s.plan.ztop, is);
    return traffic_of(d, s, t, &climb, departures);
}

std::vector<load_row> load_rows(const tether::design& d, const study& s, const traffic_settings& t,
                                const climb_profile& climb, const std::vector<double>& altitudes)
{
    const tether::model& m = s.model;
    const double capacity  = tether::working_stress(d.tether) * s.positions.cs_re;
    const moment worst     = worst_moment(m, t, &climb);
    std::vector<load_row> rows;
    rows.reserve(altitudes.size());
    for (const double alt : altitudes) {
        load_row row{alt, capacity * tether::taper(m, m.RE + alt), nan, nan};
        if (worst.why.empty()) {
            double pull = 0;  // the climbers' F at or above alt, km/s^2: negative below GEO
            for (const double z : worst.altitudes) {
                if (z >= alt) {
                    pull -= pull_at(m, z);
                }
            }
            row.tension = row.t0 + s.drive.mclimb * pull;
            row.share   = row.tension / row.t0;
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace climber
