// The modes as every face shows them: the count asked for, the shapes'
// altitudes and one design's table.
#include "engine/answers/mode_table.hpp"

#include "engine/words/settings.hpp"

#include "tether/model.hpp"
#include "tether/modes.hpp"
#include "tether/positions.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

// The mode count's limits, both ends included; the shapes' altitudes from
// the foot to the top end exactly, whatever rounding the spacing has.
TEST(EngineModes, ModesCountAndShapeAltitudes)
{
    EXPECT_EQ(engine::modes_count("1"), 1U);
    EXPECT_EQ(engine::modes_count(std::to_string(engine::max_modes)), engine::max_modes);
    EXPECT_THROW(engine::modes_count(std::to_string(engine::max_modes + 1)), engine::usage_error);
    EXPECT_THROW(engine::modes_count("0"), engine::usage_error);
    for (double rapex : {300000.0, 100000.1, 42165.3, 1e6 / 3}) {
        tether::design d;
        d.tether.rapex                  = rapex;
        const tether::model m           = tether::compute_model(d);
        const std::vector<double> where = engine::shape_altitudes(m);
        ASSERT_EQ(where.size(), engine::shape_points);
        EXPECT_EQ(where.front(), 0.0);
        EXPECT_EQ(where.back(), m.rapex - m.RE) << rapex;
        EXPECT_TRUE(std::is_sorted(where.begin(), where.end()));
    }
}

// One design's table: a row a mode, numbered from 1, with the periods that
// the modes' own computation gives; or a row an altitude, the shapes' values
// those of mode_shapes there.
TEST(EngineModes, OneDesignsTableHoldsItsModesOrTheirShapes)
{
    const tether::design d;
    const tether::model m            = tether::compute_model(d);
    const tether::positions p        = tether::compute_positions(d, m);
    const tether::modes found        = tether::compute_modes(m, p, 3);
    const engine::mode_table periods = engine::mode_table_of(d, 3, false);
    EXPECT_TRUE(periods.why.empty()) << periods.why;
    ASSERT_EQ(periods.rows.size(), 3u);
    for (unsigned k = 0; k < 3; ++k) {
        ASSERT_EQ(periods.rows[k].size(), periods.columns.size());
        EXPECT_EQ(periods.rows[k][0], k + 1.0);
        EXPECT_EQ(periods.rows[k][1], found.in_plane.at(k));
        EXPECT_EQ(periods.rows[k][2], found.out_of_plane.at(k));
    }
    const engine::mode_table shapes = engine::mode_table_of(d, 2, true);
    ASSERT_EQ(shapes.rows.size(), engine::shape_points);
    ASSERT_EQ(shapes.columns.size(), 3u);
    const std::vector<double> where = engine::shape_altitudes(m);
    const auto each                 = tether::mode_shapes(m, p, found, where);
    for (std::size_t i = 0; i < shapes.rows.size(); i += 100) {
        EXPECT_EQ(shapes.rows[i][0], where[i]);
        EXPECT_EQ(shapes.rows[i][1], each.at(0).at(i));
        EXPECT_EQ(shapes.rows[i][2], each.at(1).at(i));
    }
}

// The modes with drawn shapes: the periods of the n found, and the shapes
// those of mode_shapes for the first `drawn` modes, whether n holds them
// or they are found afresh.
TEST(EngineModes, DrawnShapesAreTheFirstModesShapes)
{
    const tether::design d;
    const tether::model m     = tether::compute_model(d);
    const tether::positions p = tether::compute_positions(d, m);
    for (unsigned n : {1U, 3U, 5U}) {
        const engine::drawn_modes drawn = engine::modes_drawn(d, n, 3, 21);
        const tether::modes found       = tether::compute_modes(m, p, n);
        EXPECT_EQ(drawn.found.in_plane, found.in_plane) << n;
        EXPECT_EQ(drawn.found.out_of_plane, found.out_of_plane) << n;
        EXPECT_TRUE(drawn.why.empty()) << drawn.why;
        EXPECT_EQ(drawn.altitudes, engine::shape_altitudes(m, 21));
        const auto each =
            tether::mode_shapes(m, p, tether::compute_modes(m, p, 3), drawn.altitudes);
        ASSERT_EQ(drawn.shapes.size(), 3U) << n;
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(drawn.shapes[k], each.at(k)) << "mode " << k + 1 << " of " << n;
        }
    }
}

}  // namespace
