// The traffic figures against the rule written out here: the climbers'
// weights at their altitudes summed against the pull at the foot, with each
// stream climber placed by a clock of its own (composite Simpson over the
// drive's speed, split where the top speed starts capping it) instead of
// the library's series; against the study's supported mass at RE; and
// through the shape the shortest interval must have.
#include "climber/figures.hpp"
#include "climber/study.hpp"
#include "climber/traffic.hpp"
#include "tether/positions.hpp"

#include "exact.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

using climber::traffic_settings;
using tether::design;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr auto npos  = std::string::npos;

// Designs whose climb is capped from some altitude on, on the Earth and on
// Mars, with lighter and heavier climbers and a safety factor.
std::vector<design> designs()
{
    std::vector<design> out(5);
    out[1].planet          = tether::mars();
    out[2].tether.strength = 50;
    out[2].climber.vmax    = 200;
    out[3].climber.mclimb  = 5000;
    out[3].climber.fextra  = 20000;
    out[4].tether.strength = 60;
    out[4].tether.safety   = 1.5;
    return out;
}

// |F|, the net pull toward the planet, at altitude z, km/s^2, from drive_at's gravity (m/s^2).
double pull(const tether::model& m, const climber::drive_params& p, double z)
{
    return climber::drive_at(m, p, z).grav / 1000;
}

// The time to altitude z from the foot, h: composite Simpson over
// drive_at's capped speed on panels of about 0.25 km, on pieces split
// where the speed crosses vmax (found on a scan and bisected), with the
// times kept at every panel's end.
class clock {
  public:
    explicit clock(const design& d)
        : m_(tether::compute_model(d)), p_(climber::compute_drive_params(d, m_)),
          ztop_(tether::top_of_march(d, m_))
    {
        std::vector<double> cuts{0};
        const auto above = [&](double z) {
            const climber::drive_point q = climber::drive_at(m_, p_, z);
            return q.power / q.weight > p_.vmax;
        };
        const int scan = 4000;
        for (int i = 0; i < scan; ++i) {
            double lo = ztop_ * i / scan;
            double hi = ztop_ * (i + 1) / scan;
            if (above(lo) == above(hi)) {
                continue;
            }
            const bool rising = above(hi);
            for (int k = 0; k < 200; ++k) {
                const double mid                 = lo + (hi - lo) / 2;
                (above(mid) == rising ? hi : lo) = mid;
            }
            cuts.push_back(lo + (hi - lo) / 2);
        }
        cuts.push_back(ztop_);
        z_.push_back(0);
        t_.push_back(0);
        for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
            const double len = cuts[c + 1] - cuts[c];
            const double k   = std::ceil(len / 0.25);
            for (double i = 0; i < k; ++i) {
                const double a = cuts[c] + len * (i / k);
                const double b = i + 1 == k ? cuts[c + 1] : cuts[c] + len * ((i + 1) / k);
                z_.push_back(b);
                t_.push_back(t_.back() + simpson(a, b));
            }
        }
    }

    double climb_time() const
    {
        return t_.back();
    }

    double time_to(double z) const
    {
        const auto i =
            static_cast<std::size_t>(std::upper_bound(z_.begin(), z_.end(), z) - z_.begin() - 1);
        return i + 1 >= z_.size() ? t_.back() : t_[i] + simpson(z_[i], z);
    }

    // The altitude reached t hours after leaving the foot, by bisection.
    double place(double t) const
    {
        if (t >= t_.back()) {
            return ztop_;
        }
        const auto i =
            static_cast<std::size_t>(std::upper_bound(t_.begin(), t_.end(), t) - t_.begin() - 1);
        double lo = z_[i];
        double hi = z_[i + 1];
        for (int k = 0; k < 100 && hi > lo; ++k) {
            const double mid             = lo + (hi - lo) / 2;
            (time_to(mid) < t ? lo : hi) = mid;
        }
        return lo + (hi - lo) / 2;
    }

    // A stream's pull on the foot (kN, without an anchor) the moment one
    // leaves, `interval` hours after the one before: those that left j
    // intervals ago with j * interval below the climb time.
    double stream(double interval) const
    {
        double sum = 0;
        for (double j = 0; j * interval < climb_time(); ++j) {
            sum += pull(m_, p_, place(j * interval));
        }
        return p_.mclimb * sum;
    }

    double pull_at_top() const
    {
        return p_.mclimb * pull(m_, p_, ztop_);
    }

  private:
    tether::model m_;
    climber::drive_params p_;
    double ztop_;
    std::vector<double> z_;
    std::vector<double> t_;

    // h per km at speed v (m/s): 1000 / 3600 / v.
    double pace(double z) const
    {
        return 1000.0 / 3600 / climber::drive_at(m_, p_, z).speed;
    }
    double simpson(double a, double b) const
    {
        return (b - a) / 6 * (pace(a) + 4 * pace(a + (b - a) / 2) + pace(b));
    }
};

// The shortest interval whose stream fits, by bisection of the interval on
// the clock's stream: the load does not rise as the interval grows.
double shortest_interval(const clock& c, double room)
{
    double lo = 1e-3;  // too short for any design here
    double hi = c.climb_time();
    for (int k = 0; k < 100; ++k) {
        const double mid                  = lo + (hi - lo) / 2;
        (c.stream(mid) <= room ? hi : lo) = mid;
    }
    return hi;
}

climber::traffic traffic_of(const design& d, const traffic_settings& t = {})
{
    EXPECT_FALSE(climber::check(d, false));
    EXPECT_FALSE(climber::check_traffic(t, d));
    return climber::compute_traffic(d, climber::compute_study_integral(d), t);
}

// One climber at the foot is the study's supported mass at RE; held
// climbers are their weights at their altitudes summed.
TEST(Traffic, HeldClimbersAgainstTheirWeightsSummed)
{
    for (const design& d : designs()) {
        const tether::model m         = tether::compute_model(d);
        const tether::positions pos   = tether::compute_positions(d, m);
        const climber::drive_params p = climber::compute_drive_params(d, m);
        const climber::traffic one    = traffic_of(d);
        EXPECT_BITS(one.peak_load, d.climber.mclimb * pos.gre);
        // mre in t, gre in km/s^2: the mass whose weight is the pull at the foot.
        EXPECT_NEAR(one.load_capacity / pos.gre / (1000 * pos.mre), 1, 1e-15);
        EXPECT_TRUE(std::isnan(one.throughput) && !one.missed) << one.missed.why;
        for (const double n : {2.0, 7.0, 1000.0}) {
            traffic_settings t;
            t.climbers = n;
            t.anchor   = 12.5;
            double sum = 0;
            for (double i = 0; i < n; ++i) {
                sum += p.mclimb * pull(m, p, i / n * (m.rgeo - m.RE));
            }
            const climber::traffic f = traffic_of(d, t);
            EXPECT_NEAR(f.peak_load / (12.5 + sum), 1, 1e-13) << n;
            EXPECT_NEAR(f.load_share * f.load_capacity / f.peak_load, 1, 3e-16);
        }
    }
}

TEST(Traffic, TheClimbAgainstAnIndependentClock)
{
    for (const design& d : designs()) {
        const climber::design_figures s = climber::compute_study_integral(d);
        const climber::climb_profile climb(s.model, s.drive, s.plan.ztop);
        const clock c(d);
        EXPECT_NEAR(climb.climb_time() / s.sums.time, 1, 1e-12);
        EXPECT_NEAR(climb.climb_time() / c.climb_time(), 1, 1e-10);
        std::size_t hint = 0;
        for (double t = 0.25; t < climb.climb_time(); t *= 1.5) {
            const double z = climb.altitude_at(t, &hint);
            EXPECT_NEAR(z, c.place(t), 1e-10 * z) << t;
            EXPECT_EQ(z, climb.altitude_at(t));
            EXPECT_NEAR(climb.time_to(z), t, 1e-12 * t);
        }
        EXPECT_EQ(climb.altitude_at(0), 0);
        EXPECT_EQ(climb.altitude_at(2 * climb.climb_time()), s.plan.ztop);
    }
}

TEST(Traffic, AStreamsPeakAgainstTheClimbersPlacedByTheClock)
{
    for (const design& d : designs()) {
        const clock c(d);
        for (const double interval : {0.7, 5.0, 12.0, 33.3, 1e300}) {
            traffic_settings t;
            t.interval               = interval;
            t.anchor                 = 3;
            const climber::traffic f = traffic_of(d, t);
            EXPECT_NEAR(f.peak_load / (3 + c.stream(interval)), 1, 1e-10) << interval;
            EXPECT_NEAR(f.throughput, d.climber.mclimb / 1000 * 8766 / interval,
                        1e-15 * f.throughput);
        }
    }
}

// The share crosses 1 at the shortest interval, whether the load falls
// through the capacity there or jumps across it as one climber reaches the
// top; the climbers on the tether are the climb time over it, rounded up.
// The study's: one climber at the foot takes 42.6 % of its 366.75 kN, and a
// stream may leave about every 10.7 h.
TEST(Traffic, TheShortestIntervalIsWhereTheShareCrossesOne)
{
    for (const design& d : designs()) {
        const double time = climber::compute_study_integral(d).sums.time;
        const clock c(d);
        for (const double anchor : {0.0, 40.0}) {
            traffic_settings t;
            t.anchor                 = anchor;
            const climber::traffic f = traffic_of(d, t);
            ASSERT_TRUE(std::isfinite(f.min_interval)) << f.missed.why;
            const auto share = [&](double interval) {
                traffic_settings s = t;
                s.interval         = interval;
                return traffic_of(d, s).load_share;
            };
            EXPECT_LE(share(f.min_interval), 1);
            EXPECT_GT(share(0.999 * f.min_interval), 1);
            EXPECT_LE(share(1.001 * f.min_interval), 1);
            EXPECT_EQ(f.on_tether, std::ceil(time / f.min_interval));
            const double pinned = shortest_interval(c, f.load_capacity - anchor);
            EXPECT_NEAR(f.min_interval / pinned, 1, 1e-9);
            EXPECT_NEAR(f.max_throughput, d.climber.mclimb / 1000 * 8766 / pinned,
                        1e-9 * f.max_throughput);
        }
    }
    const climber::traffic f = traffic_of(design{});
    EXPECT_NEAR(f.load_capacity, 366.75, 0.005);
    EXPECT_NEAR(f.load_share, 0.426, 0.0005);
    EXPECT_NEAR(f.min_interval, 10.7, 0.05);
    traffic_settings half;
    half.payload = 8000;
    EXPECT_NEAR(traffic_of(design{}, half).max_throughput, f.max_throughput / 2,
                1e-15 * f.max_throughput);
}

TEST(Traffic, TheShortestIntervalAtAJumpIsTheJump)
{
    const design d{};
    const clock c(d);
    const double capacity = traffic_of(d).load_capacity;
    const double time     = c.climb_time();
    for (const double k : {1.0, 3.0, 9.0}) {
        // The k climbers at climb_time / k, and the one more at the top just before.
        const double at_jump = c.stream(time / k * (1 + 1e-12));
        traffic_settings t;
        t.anchor                 = capacity - at_jump - c.pull_at_top() / 2;
        const climber::traffic f = traffic_of(d, t);
        EXPECT_NEAR(f.min_interval / (time / k), 1, 1e-10) << k;
        EXPECT_EQ(f.on_tether, k);
    }
}

TEST(Traffic, ThePeakNeverRisesAsTheIntervalGrows)
{
    for (const design& d : designs()) {
        const double time = climber::compute_study_integral(d).sums.time;
        std::vector<double> intervals;
        for (double h = 0.5; h < 2 * time; h *= 1.01) {
            intervals.push_back(h);
        }
        for (double k = 1; k <= 40; ++k) {  // either side of each climber's leaving
            intervals.push_back(time / k * (1 - 1e-9));
            intervals.push_back(time / k * (1 + 1e-9));
        }
        std::sort(intervals.begin(), intervals.end());
        double last = std::numeric_limits<double>::infinity();
        for (const double h : intervals) {
            traffic_settings t;
            t.interval        = h;
            const double peak = traffic_of(d, t).peak_load;
            EXPECT_LE(peak, last * (1 + 1e-15)) << h;
            last = peak;
        }
    }
}

// Where no stream fits, its figures are NaN and a note says why, once:
// the study's where the foot cannot lift one climber. Where the climb is not
// known, the figures missed.
TEST(Traffic, WhereNoStreamFitsOrTheClimbIsNotKnownTheFiguresAreNaNAndSaySo)
{
    const auto kinds = [](const climber::design_figures& s) {
        std::vector<climber::note_kind> out;
        for (const climber::note& n : climber::notes(s, false)) {
            out.push_back(n.kind);
        }
        return out;
    };
    design heavy{};
    heavy.climber.mclimb = 40000;  // above the 37.5 t that the foot holds
    heavy.climber.fextra = 100000;
    const climber::design_figures too =
        climber::compute_figures(heavy, {climber::method::integral});
    EXPECT_GT(too.traffic.load_share, 1);
    EXPECT_TRUE(std::isnan(too.traffic.min_interval) && std::isnan(too.traffic.max_throughput) &&
                std::isnan(too.traffic.on_tether));
    EXPECT_FALSE(too.missed());
    EXPECT_NE(too.traffic.none_fits.find("one climber at the foot"), std::string::npos);
    EXPECT_EQ(kinds(too), std::vector<climber::note_kind>{climber::note_kind::cannot_lift});
    EXPECT_NE(climber::notes(too, false)[0].text.find("(mclimb = 40000 kg)"), npos);

    design anchored{};
    anchored.traffic.anchor = 250;  // with the study's 156 kN climber, above 366.75 kN
    const climber::design_figures held =
        climber::compute_figures(anchored, {climber::method::integral});
    EXPECT_TRUE(std::isnan(held.traffic.min_interval));
    EXPECT_EQ(kinds(held), std::vector<climber::note_kind>{climber::note_kind::foot_lifts});
    EXPECT_NE(climber::notes(held, false)[0].text.find("with the anchor already needs"),
              std::string::npos);
    climber::figures_request loads{climber::method::integral};
    loads.departures             = false;  // the same loads without the search
    const climber::traffic quick = climber::compute_figures(anchored, loads).traffic;
    EXPECT_BITS(quick.peak_load, held.traffic.peak_load);
    EXPECT_TRUE(std::isnan(quick.min_interval) && quick.none_fits.empty());
    // The anchor alone over the capacity is named; over by 5e-15, it holds.
    anchored.traffic.anchor = 400;
    EXPECT_NE(climber::compute_figures(anchored, loads).traffic.remedy.find("anchor = 400"), npos);
    anchored.traffic.anchor = quick.load_capacity * (1 + 5e-15) - (quick.peak_load - 250);
    const climber::design_figures edge = climber::compute_figures(anchored, loads);
    EXPECT_TRUE(edge.traffic.load_share > 1 && kinds(edge).empty());
    EXPECT_TRUE(std::isfinite(
        climber::compute_figures(anchored, {climber::method::integral}).traffic.min_interval));

    const design d{};
    climber::integral_settings s;
    s.max_pieces                     = 1;  // the search for the cap's changes gives up
    const climber::design_figures st = climber::compute_study_integral(d);
    traffic_settings stream;
    stream.interval          = 12;
    const climber::traffic g = climber::compute_traffic(d, st, stream, s);
    EXPECT_TRUE(std::isnan(g.climb_time) && std::isnan(g.peak_load) && std::isnan(g.min_interval));
    EXPECT_TRUE(g.missed);
    EXPECT_NE(g.missed.why.find("climb time is not finite"), std::string::npos) << g.missed.why;
    EXPECT_BITS(g.load_capacity, traffic_of(d).load_capacity);
}

TEST(Traffic, TheTensionAlongTheTetherAtTheWorstMoment)
{
    const design d{};
    const climber::design_figures s = climber::compute_study_integral(d);
    const climber::climb_profile climb(s.model, s.drive, s.plan.ztop);
    const double geo  = s.model.rgeo - s.model.RE;
    const double mass = d.climber.mclimb;
    traffic_settings held;
    held.climbers = 4;
    const std::vector<double> alts{0, 1000, geo / 4, geo / 4 + 1, 30000, geo, 50000};
    const auto rows = climber::load_rows(d, s, held, climb, alts);
    ASSERT_EQ(rows.size(), alts.size());
    const double capacity = climber::compute_traffic(d, s, held, climb).load_capacity;
    const double cs_geo   = d.tether.csgeo;
    EXPECT_BITS(rows[0].t0, capacity);
    EXPECT_NEAR(rows[5].t0 / (d.tether.strength * cs_geo), 1, 1e-14);  // GPa x mm^2 at GEO
    for (const auto& row : rows) {
        double pulled = 0;
        for (double i = 0; i < 4; ++i) {
            const double z = i / 4 * geo;
            pulled += z >= row.alt ? mass * pull(s.model, s.drive, z) : 0;
        }
        EXPECT_NEAR(row.tension, row.t0 - pulled, 1e-13 * row.t0) << row.alt;
        EXPECT_NEAR(row.share, row.tension / row.t0, 1e-15);
    }
    EXPECT_EQ(rows[6].tension, rows[6].t0);  // above every climber

    traffic_settings stream;
    stream.interval   = 12;
    const auto foot   = climber::load_rows(d, s, stream, climb, {0});
    const double peak = climber::compute_traffic(d, s, stream, climb).peak_load;
    EXPECT_NEAR(foot[0].t0 - foot[0].tension, peak, 1e-13 * peak);
}

// The command line's refusals (explore_cli.sh usage) cover the values a
// user can type; these are the ones only a program can give, and the
// limits that are allowed.
TEST(Traffic, SettingsOutOfRangeAreRefusedNamingTheParameter)
{
    const design d{};
    const auto with = [](double traffic_settings::*field, double v) {
        traffic_settings t;
        t.*field = v;
        return t;
    };
    const double inf = std::numeric_limits<double>::infinity();
    for (const auto& [t, name] : {std::pair{with(&traffic_settings::climbers, nan), "climbers"},
                                  {with(&traffic_settings::interval, inf), "interval"},
                                  {with(&traffic_settings::anchor, inf), "anchor"}}) {
        const auto p = climber::check_traffic(t, d);
        ASSERT_TRUE(p) << name;
        EXPECT_EQ(p->name, name);
    }
    for (const traffic_settings& fine :
         {traffic_settings{}, with(&traffic_settings::interval, 1e300),
          with(&traffic_settings::interval, 1e-3), with(&traffic_settings::payload, 16000),
          with(&traffic_settings::payload, 0), with(&traffic_settings::climbers, 1e6)}) {
        EXPECT_FALSE(climber::check_traffic(fine, d));
    }
}

}  // namespace
