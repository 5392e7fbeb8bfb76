// The figures' and the ascent's columns against the values they name.
#include "engine/words/vocabulary.hpp"

#include "climber/drive.hpp"
#include "tether/model.hpp"
#include "tether/positions.hpp"

#include "exact.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

TEST(Figures, FigureAndAscentColumnsMatchTheirValues)
{
    const climber::design_figures s =
        climber::compute_figures(tether::design{}, {climber::method::march});
    const std::vector<engine::column> figures = engine::figure_columns();
    const std::vector<double> values          = engine::figure_values(s);
    ASSERT_EQ(figures.size(), values.size());
    EXPECT_EQ(figures.front().name, "rgeo");
    EXPECT_BITS(values.front(), 42164.169624086106);
    EXPECT_EQ(figures[9].name, "total_mass");
    EXPECT_BITS(values[9], 2275.3355806298227);
    EXPECT_EQ(figures[11].name, "cap_alt");
    EXPECT_BITS(values[11], 1943.75);
    const auto value_of = [&](const std::string& name) {
        for (std::size_t i = 0; i < figures.size(); ++i) {
            if (figures[i].name == name) {
                return values[i];
            }
        }
        ADD_FAILURE() << "no figure " << name;
        return std::nan("");
    };
    // The report's tether mass: the march's total less the counterweight.
    EXPECT_GT(value_of("mapex"), 0);
    EXPECT_BITS(value_of("tether_mass"), value_of("total_mass") - value_of("mapex"));

    climber::drive_point p{};
    p.alt     = 20;
    p.pused   = 2.5e6;
    p.surplus = 1e5;
    const std::vector<double> row =
        engine::ascent_values(engine::ascent_push(tether::design{}), p, 0.25);
    ASSERT_EQ(row.size(), engine::ascent_columns().size());
    EXPECT_EQ(engine::ascent_columns()[3].name, "power");
    EXPECT_BITS(row[3], 2.5);
    EXPECT_BITS(row[5], 0.25);
    EXPECT_BITS(row[6], 0.1);

    // The sideways push at 100 m/s where the tether is twice its foot's
    // cross-section, with a safety factor: 2 m omega v toward the west, and
    // the tilt whose tangent is that over the working tension there.
    tether::design d{};
    d.tether.safety              = 2;
    const tether::model m        = tether::compute_model(d);
    const tether::positions at   = tether::compute_positions(d, m);
    p.speed                      = 100;
    p.taper                      = 2;
    const std::vector<double> up = engine::ascent_values(engine::ascent_push(d), p, 0.25);
    const auto ascent            = engine::ascent_columns();
    ASSERT_EQ(ascent[7].name, "coriolis");
    ASSERT_EQ(ascent[8].name, "tilt");
    const double push    = 2 * d.climber.mclimb * m.omega * 100;
    const double tension = (d.tether.strength / 2 * 1e9) * (at.cs_re / 1e6) * 2;
    EXPECT_NEAR(up[7], push, 1e-14 * push);
    EXPECT_NEAR(up[8], std::atan(push / tension) * 180 / tether::PI, 1e-14 * up[8]);
}

// Figures asked for that the method leaves empty are named, the method
// that computes them with them; none where it computes every one.
TEST(Figures, FiguresTheMarchLeavesEmptyAreNamed)
{
    const auto asked = engine::figure_selection({"time", "min_interval", "throughput"});
    EXPECT_EQ(engine::method_note(asked, 0, climber::method::march)->text,
              "min_interval and throughput are empty by the march: the integral method alone "
              "computes them");
    EXPECT_FALSE(engine::method_note(asked, 0, climber::method::integral));
    EXPECT_FALSE(
        engine::method_note(engine::figure_selection({"time"}), 0, climber::method::march));
}

}  // namespace
