#include "tether/positions.hpp"

#include "capture.hpp"
#include "exact.hpp"

#include <gtest/gtest.h>

namespace {

const tether::design study{};
const tether::model m     = tether::compute_model(study);
const tether::positions p = tether::compute_positions(study, m);

TEST(Positions, FiguresAreBitExactInBinary64)
{
    EXPECT_BITS(p.gre, 0.009764791434312506);
    EXPECT_BITS(p.aapex, 0.001590819716760318);
    EXPECT_BITS(p.s_apex, 0.5024045364727743);
    EXPECT_BITS(p.mapex, 0.31581487907122124);
    EXPECT_BITS(p.mre, 37.55818874099479);
    EXPECT_BITS(p.cs_apex, 0.014313519557628895);
    EXPECT_BITS(p.cs_re, 10.44865754149169);
}

TEST(Positions, BothRoutesToTheBreakingForceAtGeoAgree)
{
    // 1300 kg/m^3 x 27 MJ/kg x 62.8 mm^2 and 35.1 GPa x 62.8 mm^2.
    EXPECT_BITS(p.fgeo, p.sgeo);
    EXPECT_BITS(p.sgeo, 2204.28);
}

TEST(Positions, SurfaceGravityMatchesTheModel)
{
    EXPECT_BITS(1000 * p.gre, tether::grav(m, study.planet.RE));
}

TEST(Positions, SupportedMassesBalanceTheBreakingForce)
{
    // Weight in kN of each supported mass equals the tether's strength there.
    EXPECT_NEAR(p.mapex * 1000 * p.aapex, p.s_apex, 1e-15);
    EXPECT_NEAR(p.mre * 1000 * p.gre, p.s_re, 1e-12);
}

TEST(Positions, CntPropertiesBlock)
{
    EXPECT_EQ(capture([](const climber::line_sink& out) {
                  climber::print_cnt_properties(out, study, m);
              }),
              "#\n"
              "# CNT properties ------\n"
              "# strength= 35.1000 GPa    density= 1300.00 kg/m^3  yuri= 27.0000 MYuri\n");
}

TEST(Positions, PositionTable)
{
    // The APEX energy widens its field by one character; GEO's energy is a
    // plain 0.000000, not -0.000000. The superscript twos are UTF-8.
    EXPECT_EQ(
        capture([](const climber::line_sink& out) { climber::print_positions(out, study, m, p); }),
        "#\n"
        "#                 position:   APEX         GEO          RE\n"
        "# Acceleration   m/s\xc2\xb2    -1.590820                9.764791\n"
        "# cross section (mm)\xc2\xb2     0.014314   62.800000   10.448658\n"
        "# energy         MJ/kg  -226.435658    0.000000   48.424002\n"
        "# taper                   0.000228    1.000000    0.166380\n"
        "# Strength       kN           0.50     2204.28      366.75\n"
        "# Supported mass tonnes       0.32                  37.558\n");
}

}  // namespace
