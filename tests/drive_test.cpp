#include "climber/drive.hpp"

#include "capture.hpp"
#include "exact.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const tether::design study{};
const tether::model m         = tether::compute_model(study);
const climber::drive_params d = climber::compute_drive_params(study, m);

TEST(Drive, ParametersAreBitExactInBinary64)
{
    EXPECT_BITS(d.gee0, 9.764791434312507);
    EXPECT_BITS(d.fvg, 156236.6629490001);
    EXPECT_BITS(d.fmax, 200236.6629490001);
    EXPECT_BITS(d.zg, 378.5828839237189);
}

TEST(Drive, WaveSpeedIsRootOfModulusOverDensity)
{
    EXPECT_BITS(d.vs, std::sqrt(1e12 / 1300));
    EXPECT_BITS(d.vs, 27735.009811261458);
}

TEST(Drive, ParameterBlockKeepsItsTrailingBlanks)
{
    EXPECT_EQ(capture([](const climber::line_sink& out) { climber::print_drive_params(out, d); }),
              "#    9.765e+00  gee0  \n"
              "#    1.365e-02  rhog  \n"
              "#    1.562e+05  fvg   \n"
              "#    2.002e+05  fmax  \n"
              "#    3.786e+02  zg    \n");
}

TEST(Drive, AtTheSurface)
{
    const climber::drive_point p = climber::drive_at(m, d, 0);
    EXPECT_BITS(p.taper, 1.0);
    EXPECT_BITS(p.grav, d.gee0);
    EXPECT_BITS(p.weight, d.fvg);
    EXPECT_BITS(p.excess, 44000.0);
    EXPECT_NEAR(p.power / 1e6, 2.55690, 0.000005);
    EXPECT_NEAR(p.speed, 16.366, 0.0005);
    EXPECT_BITS(p.pused, p.power);
    EXPECT_BITS(p.surplus, 0.0);
}

TEST(Drive, BelowTheTopSpeedNothingIsCapped)
{
    const climber::drive_point p = climber::drive_at(m, d, 1943.625);
    EXPECT_NEAR(p.speed, 99.9993, 0.00005);
    EXPECT_BITS(p.pused, p.power);
    EXPECT_BITS(p.surplus, 0.0);
}

TEST(Drive, TopSpeedCapsTheSpeedAndLeavesASurplus)
{
    const climber::drive_point p = climber::drive_at(m, d, 1943.75);
    EXPECT_NEAR(p.power / p.weight, 100.0048, 0.00005);
    EXPECT_BITS(p.speed, 100.0);
    EXPECT_BITS(p.pused, 100 * p.weight);
    EXPECT_GT(p.surplus, 0.0);
}

TEST(Drive, OverTheWholeClimb)
{
    // Weight positive and the margin between fextra and fmax keep the speed
    // division well defined; once the cap acts, it acts all the way up.
    for (double alt = 0; alt <= 35767; alt += 0.875) {
        const climber::drive_point p = climber::drive_at(m, d, alt);
        ASSERT_GT(p.weight, 0.0) << "altitude " << alt;
        ASSERT_GE(p.excess, study.climber.fextra) << "altitude " << alt;
        ASSERT_LT(p.excess, d.fmax) << "altitude " << alt;
        ASSERT_GT(p.speed, 0.0) << "altitude " << alt;
        ASSERT_LE(p.speed, study.climber.vmax) << "altitude " << alt;
        ASSERT_GE(p.surplus, 0.0) << "altitude " << alt;
        ASSERT_EQ(p.speed == study.climber.vmax, alt >= 1943.75) << "altitude " << alt;
    }
}

}  // namespace
