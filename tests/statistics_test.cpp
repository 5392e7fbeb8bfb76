// Summaries over draws: the streamed percentiles against the sorted sample
// within the rank error they state, the moments against two passes, the
// Wilson interval against published values, and conditions on figures.
#include "engine/uncertainty/statistics.hpp"

#include "sorted_quantile.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<double> random_sample(std::size_t n, unsigned key)
{
    std::mt19937_64 gen(key);
    std::lognormal_distribution<double> law(3, 1);  // skewed, so that the tails differ
    std::vector<double> x(n);
    for (double& v : x) {
        v = law(gen);
    }
    return x;
}

const std::vector<double> ps{0, 0.001, 0.05, 0.25, 0.5, 0.75, 0.95, 0.999, 1};

TEST(Summary, PercentilesAreExactWhileTheSampleFits)
{
    engine::quantile_sketch sketch(8192);
    std::vector<double> x = random_sample(8192, 3);
    for (double v : x) {
        sketch.add(v);
    }
    std::sort(x.begin(), x.end());
    EXPECT_EQ(sketch.rank_error(), 0u);
    for (double p : ps) {
        EXPECT_EQ(sketch.quantile(p), sorted_quantile(x, p)) << p;
    }
    EXPECT_TRUE(std::isnan(engine::quantile_sketch().quantile(0.5)));
}

TEST(Summary, PercentilesOfALargeSampleStayWithinTheirRankError)
{
    const std::size_t n        = 1000000;
    const std::size_t capacity = 1024;
    std::vector<double> random = random_sample(n, 5);
    std::vector<double> sorted = random;
    std::sort(sorted.begin(), sorted.end());
    std::vector<double> descending(sorted.rbegin(), sorted.rend());
    // The levels that have moved values up: floor(log2(n / capacity)) + 1.
    const auto levels =
        static_cast<std::uint64_t>(std::floor(std::log2(static_cast<double>(n) / capacity))) + 1;
    for (const std::vector<double>* order : {&random, &sorted, &descending}) {
        engine::quantile_sketch sketch(capacity);
        std::size_t most_held = 0;
        for (double v : *order) {
            sketch.add(v);
            most_held = std::max(most_held, sketch.held());
        }
        const std::uint64_t e = sketch.rank_error();
        EXPECT_GT(e, 0u);
        EXPECT_LE(e, levels * n / capacity);
        EXPECT_LE(most_held, capacity * (levels + 1));
        for (double p : ps) {
            const double h = p * static_cast<double>(n - 1);
            const auto below =
                static_cast<std::int64_t>(std::floor(h)) - static_cast<std::int64_t>(e);
            const auto above = static_cast<std::int64_t>(std::ceil(h) + static_cast<double>(e));
            const double lowest =
                sorted[static_cast<std::size_t>(std::max<std::int64_t>(below, 0))];
            const double highest =
                sorted[static_cast<std::size_t>(std::min<std::int64_t>(above, n - 1))];
            const double got = sketch.quantile(p);
            EXPECT_GE(got, lowest) << p;
            EXPECT_LE(got, highest) << p;
        }
        EXPECT_EQ(sketch.quantile(0), sorted.front());
        EXPECT_EQ(sketch.quantile(1), sorted.back());
    }
    // The default capacity's bound at this size: under 0.1 % of the ranks.
    engine::quantile_sketch sketch;
    for (double v : random) {
        sketch.add(v);
    }
    EXPECT_LT(static_cast<double>(sketch.rank_error()), 1e-3 * static_cast<double>(n));
}

TEST(Summary, MomentsAndRangeSkipValuesThatAreNotFinite)
{
    engine::summary_tally tally;
    std::vector<double> x = random_sample(20000, 9);
    const double nan      = std::numeric_limits<double>::quiet_NaN();
    const double inf      = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < x.size(); ++i) {
        tally.add(x[i]);
        if (i % 100 == 0) {
            tally.add(nan);
            tally.add(-inf);
        }
    }
    double sum = 0;
    for (double v : x) {
        sum += v;
    }
    const double mean = sum / static_cast<double>(x.size());
    double squares    = 0;
    for (double v : x) {
        squares += (v - mean) * (v - mean);
    }
    std::sort(x.begin(), x.end());
    const engine::figure_summary s = tally.result();
    EXPECT_EQ(s.computed, x.size());
    EXPECT_NEAR(s.mean, mean, 1e-12 * mean);
    const double sd = std::sqrt(squares / static_cast<double>(x.size() - 1));
    EXPECT_NEAR(s.sd, sd, 1e-10 * sd);
    EXPECT_EQ(s.min, x.front());
    EXPECT_EQ(s.max, x.back());
    // 20000 values: beyond the default capacity, within its rank error.
    EXPECT_NEAR(s.p50, sorted_quantile(x, 0.5), sorted_quantile(x, 0.51) - sorted_quantile(x, 0.5));
    EXPECT_GT(s.p95, sorted_quantile(x, 0.94));
    EXPECT_LT(s.p95, sorted_quantile(x, 0.96));

    engine::summary_tally one;
    one.add(nan);
    EXPECT_EQ(one.result().computed, 0u);
    EXPECT_TRUE(std::isnan(one.result().mean));
    one.add(-2.5);
    const engine::figure_summary single = one.result();
    EXPECT_EQ(single.computed, 1u);
    EXPECT_EQ(single.mean, -2.5);
    EXPECT_TRUE(std::isnan(single.sd));
    EXPECT_EQ(single.p5, -2.5);
    EXPECT_EQ(single.max, -2.5);
}

TEST(Summary, WilsonIntervalsAreNewcombesTable)
{
    // R. G. Newcombe, Statistics in Medicine 17, 857 (1998), table II, the
    // score method without continuity correction.
    const struct {
        std::uint64_t met, total;
        double low, high;
    } cases[]{{81, 263, 0.2553, 0.3662},
              {15, 148, 0.0624, 0.1605},
              {0, 20, 0.0, 0.1611},
              {1, 29, 0.0061, 0.1718}};
    for (const auto& c : cases) {
        const engine::share s = engine::share_of(c.met, c.total);
        EXPECT_EQ(s.value, static_cast<double>(c.met) / static_cast<double>(c.total));
        EXPECT_NEAR(s.low, c.low, 5e-5) << c.met << "/" << c.total;
        EXPECT_NEAR(s.high, c.high, 5e-5) << c.met << "/" << c.total;
    }
    for (std::uint64_t n = 1; n <= 64; ++n) {  // none and all reach 0 and 1 exactly
        EXPECT_EQ(engine::share_of(0, n).low, 0) << n;
        EXPECT_EQ(engine::share_of(n, n).high, 1) << n;
        EXPECT_LT(engine::share_of(n, n).low, 1) << n;
    }
    EXPECT_TRUE(std::isnan(engine::share_of(0, 0).value));
}

TEST(Summary, ConditionsNameFiguresAndAllMustHold)
{
    const std::vector<engine::column> figures{{"time", "h"}, {"system_mass", "t"}};
    const engine::bound below = engine::parse_condition("time<100", figures).all.at(0);
    EXPECT_EQ(below.figure, "time");
    EXPECT_TRUE(below.below);
    EXPECT_EQ(below.value, 100);
    EXPECT_TRUE(below.met_by(99.9));
    EXPECT_FALSE(below.met_by(100));
    EXPECT_FALSE(below.met_by(std::numeric_limits<double>::quiet_NaN()));
    const engine::bound above = engine::parse_condition(" system_mass > 5e3 ", figures).all.at(0);
    EXPECT_FALSE(above.below);
    EXPECT_TRUE(above.met_by(5001));
    EXPECT_FALSE(above.met_by(5000));
    // Several: every one to be met, each of its own figure.
    const engine::condition both = engine::parse_condition("system_mass>5e3, time<100", figures);
    const double rows[][2]       = {{99, 5001}, {101, 5001}, {99, 4999}};
    EXPECT_TRUE(both.met_by(rows[0]));
    EXPECT_FALSE(both.met_by(rows[1]) || both.met_by(rows[2]));
    for (const auto& [text, wanted] : std::vector<std::pair<std::string, std::string>>{
             {"time>=1", "only < and > are taken, not >="},
             {"time<1,system_mass<=1", "only < and > are taken, not <="},
             {"time<1,", "expected FIGURE<VALUE or FIGURE>VALUE"},
             {"nosuch<1", "unknown figure 'nosuch'"},
             {"<1", "unknown figure ''"},
             {"time<abc", "VALUE 'abc' is not a finite number"},
             {"time<", "VALUE '' is not a finite number"},
             {"time", "expected FIGURE<VALUE or FIGURE>VALUE"},
             {"time=3", "expected FIGURE<VALUE or FIGURE>VALUE"},
             {"time<1<2", "expected FIGURE<VALUE or FIGURE>VALUE"}}) {
        try {
            engine::parse_condition(text, figures);
            ADD_FAILURE() << text << " was taken";
        }
        catch (const engine::usage_error& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, wanted.size()), wanted) << text;
        }
    }
}

}  // namespace
