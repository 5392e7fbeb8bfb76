#include "climber/study.hpp"
#include "tether/design.hpp"
#include "tether/model.hpp"
#include "tether/positions.hpp"

#include "exact.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

namespace {

using tether::design;

std::string why_not(const design& d, bool with_rows = false)
{
    const auto p = climber::check(d, with_rows);
    return p ? p->name + ": " + p->why : "valid";
}

TEST(Design, MaterialFiguresAreDerivedNotRetyped)
{
    const design d{};
    // 35.1 GPa over 1300 kg/m^3 and sqrt(1000 GPa / 1300 kg/m^3).
    EXPECT_BITS(tether::specific_strength(d.tether), 27.0);
    EXPECT_BITS(climber::wave_speed(d.tether), 27735.009811261458);
}

TEST(Design, TopOfTheMarchIsNineteenKmBelowGeoRoundedDown)
{
    design d{};
    EXPECT_BITS(climber::top_of_march(d, tether::compute_model(d)), 35767.0);
    d.planet = tether::mars();
    EXPECT_BITS(climber::top_of_march(d, tether::compute_model(d)), 17012.0);
    d.march.ztop = 1000;
    EXPECT_BITS(climber::top_of_march(d, tether::compute_model(d)), 1000.0);
}

TEST(Design, MarchPointsAreWholeStepsFromTheSurface)
{
    design d{};
    climber::march_plan plan = climber::plan_march(d, tether::compute_model(d));
    EXPECT_EQ(plan.points, 286137);
    EXPECT_EQ(plan.every, 160);

    // 0.1 km is not a binary fraction: the altitudes are i * 0.1, so the
    // 200th point is exactly 20 and no row drifts off its multiple of 20.
    d.march.dz   = 0.1;
    d.march.ztop = 100;
    plan         = climber::plan_march(d, tether::compute_model(d));
    EXPECT_EQ(plan.points, 1001);
    const tether::model m         = tether::compute_model(d);
    const climber::drive_params p = climber::compute_drive_params(d, m);
    std::string rows;
    climber::march(m, p, plan, [&rows](const climber::drive_point& pt, double) {
        rows += std::to_string(pt.alt) + " ";
    });
    EXPECT_EQ(rows, "0.000000 20.000000 40.000000 60.000000 80.000000 100.000000 ");
}

TEST(Design, AMarchShorterThanOneStepHasTheSurfacePointAlone)
{
    design d{};
    d.march.ztop           = 0.1;
    const climber::study s = climber::compute_study(d);
    EXPECT_EQ(s.plan.points, 1);
    EXPECT_BITS(s.sums.total, d.march.dz * d.tether.rhog);  // the taper is 1 at the surface
}

TEST(Design, StudyOfTheDefaultDesignMatchesTheReportsMarch)
{
    const climber::study s = climber::compute_study(design{});
    EXPECT_BITS(s.sums.time, 105.97027192859169);
    EXPECT_BITS(s.sums.total, 2275.3355806298227);
    EXPECT_BITS(s.sums.cap_alt, 1943.75);

    design fast{};
    fast.climber.vmax = 1e9;  // never reached: no cap altitude
    EXPECT_TRUE(std::isnan(climber::compute_study(fast).sums.cap_alt));
}

TEST(Design, EveryParameterMustBeAFiniteNumberInItsRange)
{
    // The partner's details are read with a partner alone.
    design moon{};
    moon.planet = *tether::planet_named("moon-l1");
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        if (p->with_climb) {
            continue;  // the traffic's, in traffic_test.cpp
        }
        for (double bad : {0.0, -1.0, -0.0, HUGE_VAL, -HUGE_VAL}) {
            const bool allowed =
                (p->values == tether::range::non_negative && bad >= 0 && bad < HUGE_VAL) ||
                (p->values == tether::range::side && bad == -1) ||
                (p->values == tether::range::fraction && bad >= 0 && bad < 1);
            design d           = p->of_partner ? moon : design{};
            p->field(d)        = bad;
            const auto problem = climber::check(d, true);
            if (allowed) {
                EXPECT_FALSE(problem) << p->name << " = " << bad;
                continue;
            }
            ASSERT_TRUE(problem) << p->name << " = " << bad;
            EXPECT_EQ(problem->name, p->name) << problem->why;
        }
    }
    EXPECT_EQ(why_not(design{}, true), "valid");
    EXPECT_EQ(why_not(moon, true), "valid");
}

TEST(Design, ImpossibleDesignsSayWhichParameterAndWhy)
{
    struct bad_design {
        std::function<void(design&)> change;
        bool with_rows;
        std::string wanted;  // the parameter and the start of the reason
    };
    const bad_design cases[] = {
        {[](design& d) { d.tether.rapex = 42000; }, false,
         "rapex: must be greater than the geostationary radius, 42164.16962 km"},
        {[](design& d) { d.march.ztop = 35786.2; }, false,
         "ztop: must be below the geostationary altitude"},
        {[](design& d) { d.planet.tsid = 3000; }, false,
         "RE: must be less than the geostationary radius"},
        {[](design& d) { d.march.rowdz = 0.3; }, true, "rowdz: must be a whole multiple of dz"},
        {[](design& d) { d.march.rowdz = 0.05; }, true, "rowdz: must be a whole multiple of dz"},
        {[](design& d) { d.march.rowdz = 20.001; }, true, "rowdz: must be a whole multiple of dz"},
        // A march of 1e9 + 1 points, one past the limit (checked, never run).
        {[](design& d) {
             d.march.dz   = 1e-5;
             d.march.ztop = 1e9 * 1e-5;
         },
         false, "dz: gives 1000000001 march points"},
        {[](design& d) { d.tether.strength = 0.005; }, false, "strength: too low"},
        // The material's strength would do: the safety factor is at fault.
        {[](design& d) { d.tether.safety = 1e300; }, false, "safety: too high"},
        {[](design& d) { d.tether.safety = 1e5; }, false, "safety: too high"},
        {[](design& d) {
             d.tether.strength = 1;
             d.tether.safety   = 3;
         },
         false, "safety: too high for the apex"},
        {[](design& d) {
             d.tether.strength = 1e-300;
             d.tether.safety   = 1e300;
         },
         false, "safety: give a working specific strength beyond the range"},
        {[](design& d) { d.march.dz = 1e-5; }, false, "dz: gives 3576700001 march points"},
        {[](design& d) { d.climber.mclimb = 1e308; }, false, "mclimb: gives a climber weight"},
        {[](design& d) { d.climber.vmax = 1e-320; }, false, "vmax: gives a travel time"},
        {[](design& d) {
             d.tether.rhog    = 1e304;  // a tether mass beyond binary64, while a soft
             d.tether.modulus = 1e-20;  // material keeps the impedance finite and a
             d.climber.fextra = 1e150;  // strong drive the travel time
         },
         false, "rhog: gives a tether mass"},
    };
    for (const bad_design& c : cases) {
        design d{};
        c.change(d);
        const std::string got = why_not(d, c.with_rows);
        EXPECT_EQ(got.substr(0, c.wanted.size()), c.wanted);
    }
    // The row spacing matters only where rows are printed.
    design d{};
    d.march.rowdz = 0.3;
    EXPECT_EQ(why_not(d, false), "valid");
    d.march.rowdz = 20;
    EXPECT_EQ(why_not(d, true), "valid");
    // Exactly 1e9 march points pass.
    d.march.dz   = 1e-5;
    d.march.ztop = (1e9 - 1) * 1e-5;
    EXPECT_EQ(climber::plan_march(d, tether::compute_model(d)).points, 1000000000);
    EXPECT_EQ(why_not(d, false), "valid");
}

TEST(Design, AGeostationaryRadiusEqualToRAtTheSurfaceIsRefusedNamingRE)
{
    // RE set to the very radius the model computes from GM and tsid.
    design d{};
    const double omega = (tether::PI + tether::PI) / d.planet.tsid;
    d.planet.RE        = std::pow(d.planet.GM / (omega * omega), 0.3333333333333333);
    ASSERT_EQ(tether::compute_model(d).rgeo, d.planet.RE);
    EXPECT_EQ(why_not(d, false).substr(0, 46), "RE: must be less than the geostationary radius");
    d.planet.RE = std::nextafter(d.planet.RE, 0.0);
    EXPECT_NE(why_not(d, false).substr(0, 3), "RE:");
}

TEST(Design, ATopEndWithinARoundingOfGEOIsRefusedNamingRapex)
{
    // Just above GEO the counterweight's acceleration omega^2 r - GM / r^2
    // cancels and its mass runs to any size of either sign: the top end must
    // clear GEO by a relative 1e-12. Computed here from the design's own
    // figures, as the model does.
    for (const tether::planet& p : {tether::earth(), tether::mars()}) {
        design d{};
        d.planet           = p;
        const double omega = (tether::PI + tether::PI) / p.tsid;
        const double rgeo  = std::pow(p.GM / (omega * omega), tether::third);
        for (double above : {0.0, 1e-16, 5e-13, 9.9e-13}) {
            d.tether.rapex           = rgeo * (1 + above);
            const std::string wanted = "rapex: must be greater than the geostationary radius";
            EXPECT_EQ(why_not(d, false).substr(0, wanted.size()), wanted) << d.tether.rapex;
        }
        d.tether.rapex = std::nextafter(rgeo, 0.0);
        EXPECT_EQ(why_not(d, false).substr(0, 6), "rapex:");
        // A relative 1e-9 above: a huge counterweight, but a finite, positive one.
        d.tether.rapex = rgeo * (1 + 1e-9);
        d.march.ztop   = 100;
        EXPECT_EQ(why_not(d, false), "valid");
        const tether::positions pos = tether::compute_positions(d, tether::compute_model(d));
        EXPECT_GT(pos.mapex, 0);
    }
    // The study's top end stays well clear.
    EXPECT_EQ(why_not(design{}, false), "valid");
}

TEST(Design, AClimberWeightThatUnderflowsIsRefusedNamingMclimb)
{
    // A faint planet's gravity times a tiny mass: the surface weight rounds
    // to 0, and no tether mass (nor a negative one) may come of it.
    design d{};
    d.planet.GM           = 1e-20;
    d.planet.tsid         = 1e18;
    d.climber.mclimb      = 1e-300;
    const tether::model m = tether::compute_model(d);
    ASSERT_EQ(d.climber.mclimb * tether::grav(m, m.RE), 0.0);
    EXPECT_EQ(why_not(d, false).substr(0, 32), "mclimb: gives a climber weight b");
}

TEST(Design, TheForceMarginMustBeAtLeast1e12OfTheDriveForce)
{
    // The check's own arithmetic, done here: the smallest fextra whose
    // margin over the surface weight, fmax - fvg, is at least 1e-12 fmax.
    design d{};
    const tether::model m = tether::compute_model(d);
    const double fvg      = d.climber.mclimb * tether::grav(m, m.RE);
    const auto enough     = [fvg](double fextra) {
        const double fmax = fextra + fvg;
        return fmax - fvg >= 1e-12 * fmax;
    };
    double lo = 0;            // refused
    double hi = 1e-11 * fvg;  // accepted
    ASSERT_FALSE(enough(lo));
    ASSERT_TRUE(enough(hi));
    while (std::nextafter(lo, hi) < hi) {
        const double mid        = lo + (hi - lo) / 2;
        (enough(mid) ? hi : lo) = mid == lo || mid == hi ? std::nextafter(lo, hi) : mid;
    }
    ASSERT_GT(hi, 1e-8);  // about 1e-7 N for a 16 t climber
    ASSERT_LT(hi, 1e-6);
    d.climber.fextra = hi;
    EXPECT_EQ(why_not(d, false), "valid") << "fextra = " << hi;
    d.climber.fextra = lo;
    EXPECT_EQ(why_not(d, false).substr(0, 40), "fextra: give a force margin at the surfa")
        << "fextra = " << lo;
}

TEST(Design, WeakMaterialsAndSlowClimbersStillMarchToFiniteSums)
{
    // Just strong enough to pass, the slowest climber that passes, and a
    // march as long as allowed: the bounds behind the checks hold.
    design d{};
    d.tether.rapex    = 42200;
    d.tether.strength = 0.1;
    d.climber.fextra  = 1e-3;
    ASSERT_EQ(why_not(d), "valid");
    const climber::study s = climber::compute_study(d);
    EXPECT_TRUE(std::isfinite(s.sums.time)) << s.sums.time;
    EXPECT_TRUE(std::isfinite(s.sums.total)) << s.sums.total;
}

// Published figures for the same simple model: a point-mass planet, a
// rotating frame and a constant-stress tether.
TEST(Published, AreostationaryOrbitOfMars)
{
    // NASA's Mars Fact Sheet: areostationary radius 20,428 km.
    design d{};
    d.planet = tether::mars();
    EXPECT_NEAR(tether::compute_model(d).rgeo, 20428, 1);
}

TEST(Published, TaperRatioOfA130GPaFibre)
{
    // Edwards' NIAC studies (2000-2003): a taper ratio of about 1.6 for a
    // 130 GPa, 1300 kg/m^3 fibre.
    design d{};
    d.tether.strength = 130;
    EXPECT_NEAR(1 / tether::compute_model(d).taper_re, 1.6, 0.05);
}

TEST(Published, ClimberAt200KmPerHourReachesGeoInAboutAWeekAndAHalf)
{
    // Obayashi's space-elevator concept (2012): a climber held at 200 km/h
    // reaches GEO in about 7.5 days. Ample drive force keeps it at top speed.
    design d{};
    d.climber.vmax         = 200 / 3.6;
    d.climber.fextra       = 1e9;
    const climber::study s = climber::compute_study(d);
    EXPECT_BITS(s.sums.cap_alt, 0.0);
    EXPECT_NEAR(s.sums.time / 24, 7.5, 0.1);
}

}  // namespace
