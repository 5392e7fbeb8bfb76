#include "tether/model.hpp"

#include "exact.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const tether::design study{};
const double RE       = study.planet.RE;
const tether::model m = tether::compute_model(study);

// Exact comparisons: each value depends on the operation order, on pow rather
// than cbrt, and on no multiply-add being fused; any of those changes the
// last bits here long before it shows in a printed digit.
TEST(Model, DerivedValuesAreBitExactInBinary64)
{
    EXPECT_BITS(m.omega, 7.292115857915991e-05);
    EXPECT_BITS(m.omega2, 5.317495368526987e-09);
    EXPECT_BITS(m.rgeo, 42164.169624086106);
    EXPECT_BITS(m.vre, 62.60430443394543);
    EXPECT_BITS(m.vgeo, 14.180302091338977);
    EXPECT_BITS(m.vapex, 240.61595972304772);
    EXPECT_BITS(m.ere, 48.42400234260646);
    EXPECT_BITS(m.eapex, 226.43565763170875);
    EXPECT_BITS(m.taper_re, 0.16637989715751098);
    EXPECT_BITS(m.taper_apex, 0.00022792228594950472);
}

TEST(Model, GravityChangesSignAtTheGeostationaryRadius)
{
    EXPECT_GT(tether::grav(m, m.rgeo - 0.001), 0.0);
    EXPECT_LT(tether::grav(m, m.rgeo + 0.001), 0.0);
    EXPECT_NEAR(tether::grav(m, m.rgeo), 0.0, 1e-12);
    EXPECT_BITS(tether::grav(m, RE), 9.764791434312507);
}

TEST(Model, GravityStaysPositiveUpToTheClimbersHighestPoint)
{
    for (double alt = 0; alt <= 35767; alt += 1) {
        ASSERT_GT(tether::grav(m, RE + alt), 0.0) << "altitude " << alt;
    }
    EXPECT_NEAR(tether::grav(m, RE + 35767), 0.00031, 0.000005);
}

TEST(Model, EffectivePotentialIsSmallestAtGeo)
{
    const double v = tether::effpot(m, m.rgeo);
    EXPECT_GT(tether::effpot(m, m.rgeo * 0.999), v);
    EXPECT_GT(tether::effpot(m, m.rgeo * 1.001), v);
}

TEST(Model, TaperIsExactlyOneAtTheSurfaceAndPeaksAtGeo)
{
    EXPECT_BITS(tether::taper(m, RE), 1.0);
    double prev = 1.0;
    for (double r = RE + 500; r < m.rgeo; r += 500) {
        const double t = tether::taper(m, r);
        ASSERT_GT(t, prev) << "radius " << r;
        prev = t;
    }
    EXPECT_GT(tether::taper(m, m.rgeo), tether::taper(m, m.rgeo + 1000));
    EXPECT_NEAR(tether::taper(m, RE + 35760), 6.01034, 0.000005);
}

TEST(Model, TaperAgainstTheSurfaceAgreesWithTaperAgainstGeo)
{
    // The cross-section at GEO is 1/taper_re surface cross-sections, and the
    // cross-section at APEX is taper_apex of GEO's.
    EXPECT_NEAR(tether::taper(m, m.rgeo) * m.taper_re, 1.0, 1e-14);
    EXPECT_NEAR(tether::taper(m, study.tether.rapex) * m.taper_re / m.taper_apex, 1.0, 1e-13);
}

}  // namespace
