// Rows under named columns as a table, CSV and JSON Lines.
#include "engine/words/rows.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

TEST(Rows, RowsInEachFormat)
{
    const std::vector<engine::column> columns{{"vmax", "m/s"}, {"time", "h"}, {"cap_alt", "km"}};
    const std::vector<double> values{0.5, 105.97027192859169,
                                     std::numeric_limits<double>::quiet_NaN()};

    const engine::row_writer csv(engine::format::csv, columns);
    EXPECT_EQ(csv.header(), "vmax,time,cap_alt\n");
    EXPECT_EQ(csv.row(values), "0.5,105.97027192859169,\n");

    const engine::row_writer json(engine::format::json, columns);
    EXPECT_EQ(json.header(), "");
    EXPECT_EQ(json.row(values), "{\"vmax\":0.5,\"time\":105.97027192859169,\"cap_alt\":null}\n");

    // The table: every line as wide as the others, names over their numbers.
    const engine::row_writer table(engine::format::table, columns);
    EXPECT_EQ(table.header(), "#            vmax             time          cap_alt\n"
                              "#             m/s                h               km\n");
    EXPECT_EQ(table.row(values), "              0.5      105.9702719              NaN\n");
    EXPECT_EQ(table.row({-1.2345678901234e-100, 1e20, 0}),
              " -1.23456789e-100            1e+20                0\n");

    // Text columns, anywhere: quoted in CSV only where they must be,
    // escaped in JSON, "-" for an empty one in a table.
    const std::vector<engine::column> labelled{
        {"figure", "", "", true}, {"mean", "h"}, {"reason", "", "", true}};
    const std::vector<std::string> texts{"time", "a \"b\", c\n"};
    EXPECT_EQ(engine::row_writer(engine::format::csv, labelled).row({2.5}, texts),
              "time,2.5,\"a \"\"b\"\", c\n\"\n");
    EXPECT_EQ(engine::row_writer(engine::format::json, labelled).row({2.5}, texts),
              "{\"figure\":\"time\",\"mean\":2.5,\"reason\":\"a \\\"b\\\", c\\u000a\"}\n");
    EXPECT_EQ(engine::row_writer(engine::format::table, labelled).row({2.5}, {"time", ""}),
              "             time              2.5                -\n");
}

}  // namespace
