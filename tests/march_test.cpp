#include "climber/march.hpp"

#include "capture.hpp"
#include "exact.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

const tether::design study{};
const tether::model m         = tether::compute_model(study);
const climber::drive_params d = climber::compute_drive_params(study, m);

struct march_run {
    climber::march_sums sums;
    std::vector<std::string> lines;
};

const march_run& march()
{
    static const march_run run = [] {
        march_run r{};
        std::istringstream text(capture([&r](const climber::line_sink& out) {
            r.sums = climber::run_march(out, m, d, climber::plan_march(study, m));
        }));
        for (std::string line; std::getline(text, line);) {
            r.lines.push_back(line);
        }
        return r;
    }();
    return run;
}

// 286137 additions in a fixed order: a fused multiply-add or a reordered sum
// moves the last bits (a fused build ends at total 2275.3355806298223).
TEST(March, SumsAreBitExactInStrictBinary64Order)
{
    EXPECT_BITS(march().sums.time, 105.97027192859169);
    EXPECT_BITS(march().sums.total, 2275.3355806298227);
}

TEST(March, PrintsOneRowPerMultipleOfTwentyKmThenTheLegend)
{
    const std::vector<std::string>& lines = march().lines;
    ASSERT_EQ(lines.size(), 1789u + 2u);
    for (std::size_t i = 0; i < 1789; ++i) {
        const std::string& row = lines[i];
        ASSERT_EQ(row.size(), 118u) << row;
        ASSERT_EQ(std::stod(row.substr(0, 10)), 20.0 * static_cast<double>(i)) << row;
    }
    // 35767 km is summed but gets no row; the legend follows the 35760 row.
    EXPECT_EQ(lines[1788].substr(0, 10), "     35760");
    EXPECT_EQ(lines[1789], "# altitude  taper    grav     power     speed   time ");
    EXPECT_EQ(lines[1790], "# km                 m/s2     MW        m/s     hours");
}

TEST(March, MassSummaryShowsTheApexMassApart)
{
    EXPECT_EQ(capture([](const climber::line_sink& out) {
                  climber::print_mass_summary(out, 2275.3355806298227, 0.31581487907122124);
              }),
              "#\n"
              "# Tether mass  2275.02 tonnes\n"
              "# Apex   mass     0.32 tonnes\n"
              "# Total  mass  2275.34 tonnes\n");
}

}  // namespace
