// The whole tether and the climber's sideways push, against published
// figures, exact identities and an independent quadrature written here.
#include "climber/drive.hpp"
#include "climber/figures.hpp"
#include "climber/report.hpp"
#include "tether/whole.hpp"

#include "capture.hpp"
#include "exact.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using tether::design;

struct whole_of_design {
    tether::model m;
    tether::positions p;
    tether::whole_tether w;
};

whole_of_design whole(const design& d)
{
    whole_of_design out{tether::compute_model(d), {}, {}};
    out.p = tether::compute_positions(d, out.m);
    out.w = tether::compute_whole(d, out.m, out.p);
    return out;
}

// Composite 5-point Gauss-Legendre on n equal panels of [a, b].
template <class F> double gauss_legendre(const F& f, double a, double b, int n)
{
    const double s   = std::sqrt(10.0 / 7);
    const double x[] = {0, std::sqrt(5 - 2 * s) / 3, std::sqrt(5 + 2 * s) / 3};
    const double w[] = {128.0 / 225, (322 + 13 * std::sqrt(70.0)) / 900,
                        (322 - 13 * std::sqrt(70.0)) / 900};
    const double h   = (b - a) / n;
    double sum       = 0;
    for (int k = 0; k < n; ++k) {
        const double mid = a + (k + 0.5) * h;
        double panel     = w[0] * f(mid);
        for (int j = 1; j < 3; ++j) {
            panel += w[j] * (f(mid - x[j] * h / 2) + f(mid + x[j] * h / 2));
        }
        sum += panel * h / 2;
    }
    return sum;
}

TEST(Whole, MassesAgreeWithAnIndependentQuadratureOfTheMaterialsDensity)
{
    for (const design& d : {design{}, [] {
                                design mars{};
                                mars.planet        = tether::mars();
                                mars.tether.rapex  = 60000;
                                mars.tether.safety = 1.5;
                                return mars;
                            }()}) {
        const whole_of_design t = whole(d);
        // kg/m^3 x m^2 = kg/m = t/km; the cross-section's taper written anew.
        const double y       = (d.tether.strength / d.tether.safety) * 1000 / d.tether.density;
        const auto potential = [&](double r) {
            return t.m.GM / r + 0.5 * t.m.omega * t.m.omega * r * r;
        };
        const auto density = [&](double r) {
            return d.tether.density * d.tether.csgeo * 1e-6 *
                   std::exp(-(potential(r) - potential(t.m.rgeo)) / y);
        };
        const double lower = gauss_legendre(density, t.m.RE, t.m.rgeo, 4000);
        const double upper = gauss_legendre(density, t.m.rgeo, t.m.rapex, 20000);
        EXPECT_NEAR(t.w.lower_mass, lower, 1e-12 * lower);
        EXPECT_NEAR(t.w.upper_mass, upper, 1e-12 * upper);
        EXPECT_BITS(t.w.system_mass, (t.w.lower_mass + t.w.upper_mass) + t.p.mapex);
    }
}

TEST(Whole, TheStudysTetherAboveGeoWeighsAboutTwoAndAHalfTimesThePartBelow)
{
    const whole_of_design t = whole(design{});
    EXPECT_NEAR(t.w.upper_mass / t.w.lower_mass, 2.5, 0.05);
}

TEST(Whole, AUniformTetherHangsAboutClarkesLengthAt1G)
{
    // Clarke (1979): 4960 km of self-support at 1 g, i.e. the specific
    // strength over the effective surface gravity.
    const whole_of_design t = whole(design{});
    const double gee0       = 1000 * t.p.gre;  // m/s^2
    EXPECT_NEAR(t.w.uniform_yuri * 1e6 / gee0 / 1000, 4960, 0.005 * 4960);
    // Its free-standing top: where the effective potential is back at the surface's.
    const double top = t.m.RE + t.w.uniform_top;
    EXPECT_GT(top, t.m.rgeo);
    EXPECT_NEAR(tether::effpot(t.m, top), t.m.vre, 1e-12 * t.m.vre);
}

TEST(Whole, PayloadsLetGoBelowAbout23400KmFallBackAndFromAbout53100KmEscape)
{
    const whole_of_design t = whole(design{});
    // Gassend: about 23,400 km altitude.
    EXPECT_NEAR(t.w.orbit_alt, 23400, 0.002 * 23400);
    // Let go there, the orbit's lowest radius is the surface's: from the
    // energy and the angular momentum.
    const double r0     = t.m.RE + t.w.orbit_alt;
    const double v      = t.m.omega * r0;
    const double energy = v * v / 2 - t.m.GM / r0;
    const double h      = r0 * v;
    const double e      = std::sqrt(1 + 2 * energy * h * h / (t.m.GM * t.m.GM));
    EXPECT_NEAR(h * h / (t.m.GM * (1 + e)), t.m.RE, 1e-9 * t.m.RE);
    // Escape from a radius of about 53,100 km, where the tether's speed is
    // the local escape speed.
    const double re = t.m.RE + t.w.escape_alt;
    EXPECT_NEAR(re, 53100, 0.002 * 53100);
    EXPECT_NEAR(t.m.omega * re, std::sqrt(2 * t.m.GM / re), 1e-14 * t.m.omega * re);
    // At the study's top end the payload escapes with what is left.
    EXPECT_BITS(t.w.apex_speed, t.m.omega * 300000);
    EXPECT_NEAR(t.w.apex_vinf * t.w.apex_vinf,
                t.w.apex_speed * t.w.apex_speed - 2 * t.m.GM / 300000, 1e-12);
    // Below the escape radius it stays bound: no speed far away, and that
    // is an answer, not a miss.
    design low{};
    low.tether.rapex        = 50000;
    const whole_of_design b = whole(low);
    EXPECT_TRUE(std::isnan(b.w.apex_vinf));
    EXPECT_FALSE(b.w.missed);
}

TEST(Whole, TwiceTheStrengthWithASafetyFactorOfTwoSizesTheSameTether)
{
    // 70.2 / 2 is exactly 35.1 in binary64: every figure of the tether's
    // size and load is the same bits; the material's own figures are not.
    design doubled{};
    doubled.tether.strength = 70.2;
    doubled.tether.safety   = 2;
    const design study{};
    const climber::design_figures a = climber::compute_figures(doubled, {climber::method::march});
    const climber::design_figures b = climber::compute_figures(study, {climber::method::march});
    for (const auto& [x, y] : std::initializer_list<std::pair<double, double>>{
             {a.model.taper_re, b.model.taper_re},
             {a.model.taper_apex, b.model.taper_apex},
             {a.positions.cs_re, b.positions.cs_re},
             {a.positions.cs_apex, b.positions.cs_apex},
             {a.positions.mapex, b.positions.mapex},
             {a.positions.mre, b.positions.mre},
             {a.sums.time, b.sums.time},
             {a.sums.total, b.sums.total},
             {a.whole.lower_mass, b.whole.lower_mass},
             {a.whole.upper_mass, b.whole.upper_mass},
             {a.whole.system_mass, b.whole.system_mass}}) {
        EXPECT_BITS(x, y);
    }
    // So is the tilt at a point of the climb: the tension under it is the
    // working one.
    climber::drive_point at{};
    at.speed        = 100;  // m/s
    at.taper        = 2;
    const auto tilt = [&at](const design& d, const climber::design_figures& s) {
        return climber::sideways_at(climber::compute_push_params(d, s.model, s.positions), at).tilt;
    };
    EXPECT_BITS(tilt(doubled, a), tilt(study, b));
    EXPECT_BITS(a.model.yuri, 2 * b.model.yuri);
    EXPECT_NE(a.positions.sgeo, b.positions.sgeo);
    const auto cnt = [](const design& d) {
        return capture([&d](const climber::line_sink& out) {
            climber::print_cnt_properties(out, d, tether::compute_model(d));
        });
    };
    EXPECT_NE(cnt(doubled), cnt(study));
}

TEST(Whole, TheClimbersCoriolisPushAndTheTethersTilt)
{
    const design d{};
    const tether::model m           = tether::compute_model(d);
    const tether::positions p       = tether::compute_positions(d, m);
    const climber::push_params push = climber::compute_push_params(d, m, p);
    climber::drive_point at{};
    at.speed                  = 100;  // m/s
    at.taper                  = 2;
    const climber::sideways s = climber::sideways_at(push, at);
    // 0.0146 m/s^2 for 100 m/s on the Earth.
    EXPECT_NEAR(s.coriolis / d.climber.mclimb, 0.0146, 0.00005);
    // The tether's working tension there: its breaking strength at RE
    // (kN, from the report) times the taper; the tilt's tangent is the
    // push over it.
    const double tension = 1000 * p.s_re * at.taper;
    EXPECT_NEAR(std::tan(s.tilt * tether::PI / 180), s.coriolis / tension, 1e-15);
}

}  // namespace
