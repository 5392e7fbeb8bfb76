#include "climber/march.hpp"

#include "exact.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

namespace {

const tether::design study{};
const tether::model m              = tether::compute_model(study);
const climber::drive_params d      = climber::compute_drive_params(study, m);
const climber::march_plan the_plan = climber::plan_march(study, m);

// The march alone: its sums, and the altitude and time of each row's point.
struct march_run {
    climber::march_sums sums;
    std::vector<double> alts, times;
};

const march_run& march()
{
    static const march_run run = [] {
        march_run r{};
        r.sums = climber::march(m, d, the_plan, [&r](const climber::drive_point& p, double time) {
            r.alts.push_back(p.alt);
            r.times.push_back(time);
        });
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
    EXPECT_FALSE(march().sums.stopped);
}

// A row at every multiple of rowdz, as many as the plan counts, the time
// growing to the sum's, which the points past the last row still add to.
TEST(March, RowsAtEveryMultipleOfTheirSpacingAsThePlanCounts)
{
    const march_run& r = march();
    ASSERT_EQ(static_cast<std::int64_t>(r.alts.size()), the_plan.rows());
    for (std::size_t i = 0; i < r.alts.size(); ++i) {
        ASSERT_EQ(r.alts[i], study.march.rowdz * static_cast<double>(i));
    }
    EXPECT_TRUE(std::is_sorted(r.times.begin(), r.times.end()));
    EXPECT_LT(r.times.back(), r.sums.time);
}

// A stop request before the march ends it at once, its sums marked stopped.
TEST(March, AStopRequestEndsItMarkedStopped)
{
    const std::atomic<int> stop{2};
    std::size_t rows = 0;
    const auto sums  = climber::march(
         m, d, the_plan, [&rows](const climber::drive_point&, double) { ++rows; }, &stop);
    EXPECT_TRUE(sums.stopped);
    EXPECT_EQ(rows, 0u);
}

}  // namespace
