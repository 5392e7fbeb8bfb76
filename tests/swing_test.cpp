// The swing a climb sets off, against the reference solved anew by finite
// differences and a modal integration of its own, on two planet designs
// and a lunar one through L1; the rows over time; a damped stream; and
// the figures' properties.
#include "engine/answers/evaluation.hpp"
#include "engine/words/vocabulary.hpp"

#include "reference/swing.hpp"

#include <Eigen/QR>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

climber::design_figures swing_of(const tether::design& d,
                                 const std::vector<std::string>& names = {"swing_top"})
{
    climber::figures_request r;
    r.how = climber::method::integral;
    return climber::compute_figures(d, engine::request_for(r, engine::figure_selection(names)));
}

std::vector<std::vector<double>> rows_of(const tether::design& d)
{
    std::vector<std::vector<double>> rows;
    for (const engine::table_row& r : engine::swing_table(d).rows) {
        rows.push_back(r.values);
    }
    return rows;
}

// The M5 ribbon through the Moon's L1 (rapex, strength, density, csgeo,
// modulus, rhog, safety), a tonne's climber.
tether::design lunar()
{
    tether::design d;
    d.planet         = *tether::planet_named("moon-l1");
    d.tether         = {150000, 5.7, 1700, 3.4466, 1000, 0.01365, 2};
    d.climber.mclimb = 1000;
    return d;
}

void near(double want, double got, double scale, const char* what, double within = 1e-3)
{
    EXPECT_LE(std::fabs(got - want), within * scale) << what << ": " << got << " for " << want;
}

// The study's design damped in a stream every 25 h (its reference walked
// in 400ths of the interval), a shorter stronger one and the lunar ribbon.
TEST(Swing, FiguresRowsAndAStreamAgreeWithTheReference)
{
    tether::design damped;
    tether::design other;
    damped.tether.damping   = 0.05;
    damped.traffic.interval = 25;
    other.tether.strength   = 50;
    other.tether.rapex      = 150000;
    other.climber.vmax      = 60;
    for (const tether::design& d : {damped, other, lunar()}) {
        const climber::design_figures f = swing_of(d, {"swing_top", "swing_stream"});
        const climber::swing& w         = f.swing;
        reference::swing_solution ref(d);
        const bool stream = d.tether.damping > 0;
        ref.walk(stream ? d.traffic.interval * 9 : 60);
        const double top    = std::fabs(*std::min_element(ref.top.begin(), ref.top.end()));
        const double geo    = std::fabs(*std::min_element(ref.geo.begin(), ref.geo.end()));
        const double want[] = {top, geo, ref.left(0), ref.left(1)};
        const double got[]  = {w.top, w.geo, w.left_top, w.left_geo};
        for (int i = 0; i < 4; ++i) {
            near(want[i], got[i], want[i], "swing_top, _geo, _left_top, _left_geo");
        }
        const double sum = stream ? ref.stream(d.traffic.interval * 3600, 400) : 0.0;
        EXPECT_TRUE(stream ? std::fabs(w.stream - sum) <= 1e-3 * sum : std::isnan(w.stream));
        EXPECT_EQ(climber::notes(f, false).size(), stream ? 0U : 1U);
        EXPECT_LE(w.error, 3e-3);
        // The rows: during the climb at the reference's next step, after
        // arrival the free swing of as many modes, within 2e-3: the faster
        // modes' ringing set off at departure (about v / c of the swing,
        // 0.08 on the lunar ribbon) converges as the modes' count squared.
        const auto rows = rows_of(d);
        EXPECT_EQ(rows[1][1], d.march.rowdz);
        for (std::size_t i = 0; i < rows.size(); i += 37) {
            const double t = rows[i][0];
            const auto k   = static_cast<std::size_t>(
                std::lower_bound(ref.time.begin(), ref.time.end(), t) - ref.time.begin());
            const bool on       = k < ref.time.size();
            const double tau    = (t - ref.time.back()) * 3600;
            const std::size_t n = w.modes;
            near(on ? ref.top[k] : ref.after(tau, 0, n), rows[i][2], top, "top's row", 2e-3);
            near(on ? ref.geo[k] : ref.after(tau, 1, n), rows[i][3], geo, "its row", 2e-3);
        }
    }
    tether::design undamped;
    undamped.traffic.interval = 25;
    const auto said           = climber::notes(swing_of(undamped, {"swing_stream"}), false);
    ASSERT_EQ(said.size(), 1U);
    EXPECT_NE(said[0].text.find("is the nearest"), std::string::npos) << said[0].text;
}

TEST(Swing, KeepsItsProperties)
{
    // Capped all the way up, half the climber swings the tether half as far.
    tether::design d;
    d.climber.fextra           = 1e8;
    d.tether.damping           = 0.01;
    d.traffic.interval         = 30;
    const climber::swing whole = swing_of(d, {"swing_stream"}).swing;
    d.climber.mclimb /= 2;
    const climber::swing half = swing_of(d, {"swing_stream"}).swing;
    for (const auto m : {&climber::swing::top, &climber::swing::geo, &climber::swing::left_top,
                         &climber::swing::left_geo, &climber::swing::stream}) {
        EXPECT_NEAR(half.*m / (whole.*m), 0.5, 1e-12);
    }
    // A climb far slower than the slowest period: quasi-static, and what it
    // leaves is its deflection at arrival.
    tether::design slow;
    slow.climber.vmax      = 10;
    const climber::swing s = swing_of(slow).swing;
    reference::swing_solution ref(slow);
    const double z     = ref.s.plan.ztop;
    const double quasi = std::fabs(ref.force(z) * ref.at(ref.green_top, ref.m.RE + z));
    EXPECT_NEAR(s.top / quasi, 1, 0.02);
    EXPECT_NEAR(s.left_top / quasi, 1, 0.02);
    // Two climbs half a slowest period apart: the second's free motion
    // cancels the first's slowest mode, leaving the faster ones.
    const auto rows = rows_of(tether::design{});
    // The slowest mode's amplitude in the top end's rows k = 50..99 after
    // arrival (the second climb's 50 rows earlier), by least squares.
    const std::size_t after = rows.size() - climber::rows_after_arrival;
    const double period     = (rows.back()[0] - rows[after - 1][0]) * 3600;
    const auto slowest      = [&](int lag) {
        Eigen::MatrixXd a(50, 2);
        Eigen::VectorXd u(50);
        for (Eigen::Index k = 0; k < 50; ++k) {
            const auto i   = after + 50 + static_cast<std::size_t>(k);
            const double x = 2 * tether::PI * (rows[i][0] * 3600) / period;
            a.row(k) << std::cos(x), std::sin(x);
            u(k) = rows[i][2] + (lag > 0 ? rows[i - 50][2] : 0.0);
        }
        return a.colPivHouseholderQr().solve(u).norm();
    };
    const double left = swing_of(tether::design{}).swing.left_top;
    EXPECT_NEAR(slowest(0) / left, 1, 0.05);
    EXPECT_LT(slowest(1), 0.02 * left);
    // Never among the default columns; none where the foot cannot lift the
    // climber, nor by the march.
    EXPECT_FALSE(engine::request_for({}, engine::figure_selection({})).swing);
    tether::design heavy;
    heavy.climber.mclimb = 1e9;
    EXPECT_TRUE(std::isnan(swing_of(heavy).swing.top) && !swing_of(heavy).missed());
    climber::figures_request march;
    march.swing = true;
    EXPECT_TRUE(std::isnan(climber::compute_figures(tether::design{}, march).swing.top));
}

}  // namespace
