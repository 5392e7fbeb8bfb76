// The swing a climb sets off, against the reference solved anew by finite
// differences and a modal integration of its own, on two planet designs
// and a lunar one through L1; the rows over time; a damped stream; and
// the figures' properties.
#include "engine/figures.hpp"

#include "reference/swing.hpp"

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
    engine::swing_rows(
        d, [&](const std::vector<double>& r) { rows.push_back(r); }, nullptr);
    return rows;
}

tether::design lunar()
{
    tether::design d;
    d.planet          = *tether::planet_named("moon-l1");
    d.tether.strength = 5.7;
    d.tether.density  = 1700;
    d.tether.safety   = 2;
    d.tether.rapex    = 150000;
    d.tether.csgeo    = 3.4466;
    d.climber.mclimb  = 1000;
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
    tether::design damped, other;
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
        const double top = std::fabs(*std::min_element(ref.top.begin(), ref.top.end()));
        const double geo = std::fabs(*std::min_element(ref.geo.begin(), ref.geo.end()));
        near(top, w.top, top, "swing_top");
        near(geo, w.geo, geo, "swing_geo");
        near(ref.left(0), w.left_top, ref.left(0), "swing_left_top");
        near(ref.left(1), w.left_geo, ref.left(1), "swing_left_geo");
        const double want = stream ? ref.stream(d.traffic.interval * 3600, 400) : 0.0;
        EXPECT_TRUE(stream ? std::fabs(w.stream - want) <= 1e-3 * want : std::isnan(w.stream));
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
            const bool on    = k < ref.time.size();
            const double tau = (t - ref.time.back()) * 3600;
            const int n      = static_cast<int>(w.modes);
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
    const std::size_t after = rows.size() - 100;
    const double period     = (rows.back()[0] - rows[after - 1][0]) * 3600;
    const auto slowest      = [&](int lag) {
        double cc = 0, ss = 0, cs = 0, cu = 0, su = 0;
        for (std::size_t k = 50; k < 100; ++k) {
            const double a = 2 * tether::PI * (rows[after + k][0] * 3600) / period;
            const double u = rows[after + k][2] + (lag > 0 ? rows[after + k - 50][2] : 0.0);
            cc += std::cos(a) * std::cos(a);
            ss += std::sin(a) * std::sin(a);
            cs += std::cos(a) * std::sin(a);
            cu += std::cos(a) * u;
            su += std::sin(a) * u;
        }
        const double det = cc * ss - cs * cs;
        return std::hypot((ss * cu - cs * su) / det, (cc * su - cs * cu) / det);
    };
    const double left = swing_of(tether::design{}).swing.left_top;
    EXPECT_NEAR(slowest(0) / left, 1, 0.05);
    EXPECT_LT(slowest(1), 0.02 * left);
    // None where the foot cannot lift the climber, nor by the march.
    tether::design heavy;
    heavy.climber.mclimb = 1e9;
    EXPECT_TRUE(std::isnan(swing_of(heavy).swing.top) && !swing_of(heavy).missed());
    climber::figures_request march;
    march.swing = true;
    EXPECT_TRUE(std::isnan(climber::compute_figures(tether::design{}, march).swing.top));
}

}  // namespace
