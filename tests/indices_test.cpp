// Sobol indices: the estimator on the Ishigami function, whose indices are
// known in closed form, the coverage of its intervals over many keys, a
// function of one input, and the layout of Saltelli's design.
#include "engine/uncertainty/indices.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

const double pi    = std::acos(-1.0);
const double ish_a = 7, ish_b = 0.1;  // the Ishigami function's a and b

double ishigami(const std::vector<double>& x)
{
    return std::sin(x[0]) + ish_a * std::sin(x[1]) * std::sin(x[1]) +
           ish_b * std::pow(x[2], 4) * std::sin(x[0]);
}

// The Ishigami function's indices (T. Ishigami and T. Homma, 1990; the
// variances as in Saltelli et al., Global Sensitivity Analysis, 2008).
struct known {
    double first[3];
    double total[3];
};
known ishigami_indices()
{
    const double pi4 = std::pow(pi, 4);
    const double pi8 = pi4 * pi4;
    const double a   = ish_a;
    const double b   = ish_b;
    const double v   = a * a / 8 + b * pi4 / 5 + b * b * pi8 / 18 + 0.5;
    const double v1  = 0.5 * (1 + b * pi4 / 5) * (1 + b * pi4 / 5);
    const double v2  = a * a / 8;
    const double v13 = 8 * b * b * pi8 / 225;
    return {{v1 / v, v2 / v, 0}, {(v1 + v13) / v, v2 / v, v13 / v}};
}

const std::vector<engine::distribution>
    cube(3, engine::parse_distribution("uniform:-3.141592653589793:3.141592653589793"));

std::vector<double> evaluate(const engine::saltelli_design& design,
                             const std::function<double(const std::vector<double>&)>& f)
{
    std::vector<double> values(design.size());
    for (std::uint64_t m = 0; m < design.size(); ++m) {
        values[m] = f(design.values_at(m));
    }
    return values;
}

TEST(Indices, IshigamisAreKnownWithinThreeStandardErrors)
{
    const known k = ishigami_indices();
    // The values usually quoted, to three digits.
    const double first[] = {0.314, 0.442, 0};
    const double total[] = {0.558, 0.442, 0.244};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(k.first[i], first[i], 5e-4);
        EXPECT_NEAR(k.total[i], total[i], 5e-4);
    }
    const engine::saltelli_design design(cube, 16384, 2024);
    const engine::sobol_indices s = engine::estimate_indices(evaluate(design, ishigami), 3, 2024);
    EXPECT_EQ(s.rows_used, 16384u);
    EXPECT_EQ(s.doubt({"x1", "x2", "x3"}, "row"), "");
    for (std::size_t i = 0; i < 3; ++i) {
        const engine::sobol_index& x = s.of[i];
        EXPECT_NEAR(x.first, k.first[i], 0.03) << i;
        EXPECT_NEAR(x.total, k.total[i], 0.03) << i;
        EXPECT_LT(x.first_low, x.first);
        EXPECT_GT(x.first_high, x.first);
        EXPECT_LT(x.first_high - x.first_low, 0.1) << i;
        EXPECT_LT(x.total_low, x.total);
        EXPECT_GT(x.total_high, x.total);
        EXPECT_LT(x.total_high - x.total_low, 0.1) << i;
    }
}

TEST(Indices, IntervalsCoverTheKnownIndicesNineteenTimesInTwenty)
{
    const known k = ishigami_indices();
    int covered   = 0;
    int tried     = 0;
    for (std::uint64_t key = 1; key <= 40; ++key) {
        const engine::saltelli_design design(cube, 512, key);
        const engine::sobol_indices s =
            engine::estimate_indices(evaluate(design, ishigami), 3, key, 400);
        for (std::size_t i = 0; i < 3; ++i) {
            covered += static_cast<int>(s.of[i].first_low <= k.first[i] &&
                                        k.first[i] <= s.of[i].first_high);
            covered += static_cast<int>(s.of[i].total_low <= k.total[i] &&
                                        k.total[i] <= s.of[i].total_high);
            tried += 2;
        }
    }
    // 240 intervals of 95 %: about 228 cover; fewer than 204 would be
    // five standard deviations short.
    EXPECT_GE(covered, 204) << covered << " of " << tried;
}

TEST(Indices, AFigureOfOneInputIsAllItsOwn)
{
    const engine::saltelli_design design(cube, 2048, 5);
    const engine::sobol_indices s = engine::estimate_indices(
        evaluate(design, [](const std::vector<double>& x) { return std::exp(x[1]); }), 3, 5);
    const engine::sobol_index& own = s.of[1];
    EXPECT_LE(own.first_low, 1);
    EXPECT_GE(own.first_high, 1);
    EXPECT_LE(own.total_low, 1);
    EXPECT_GE(own.total_high, 1);
    for (std::size_t i : {0u, 2u}) {
        // Its A_B(i) rows are A's: the estimates are 0, whatever the rows.
        EXPECT_EQ(s.of[i].first, 0);
        EXPECT_EQ(s.of[i].total, 0);
        EXPECT_LE(s.of[i].first_low, 0);
        EXPECT_GE(s.of[i].first_high, 0);
    }
}

TEST(Indices, OneRowCarryingTheVarianceOrAnIndexFarOutsideIsDoubted)
{
    const engine::saltelli_design design(cube, 200, 8);
    std::vector<double> f = evaluate(design, ishigami);
    f[5 * 77 + 3] += 1e4;  // row 77's A_B(x2)
    const engine::sobol_indices s = engine::estimate_indices(f, 3, 8, 100);
    EXPECT_EQ(s.heaviest, 5u * 77 + 3);
    EXPECT_GT(s.heaviest_share, 0.99);
    EXPECT_NE(s.doubt({"x1", "x2", "x3"}, "row 77").find("at row 77, carries"), std::string::npos);
    const engine::sobol_index noisy{-0.03, -0.05, -0.01, 1.04, 0.98, 1.1};
    const engine::sobol_index out{1.5, 1.4, 1.6, 1, 1, 1};
    EXPECT_EQ((engine::sobol_indices{{noisy}, 9, 9, 0, 0.1}).doubt({"x"}, ""), "");
    EXPECT_EQ((engine::sobol_indices{{noisy, out}, 9, 9, 0, 0.1})
                  .doubt({"x", "y"}, "")
                  .find("y's first-order index 1.5 lies outside [0, 1]"),
              0u);
}

TEST(Indices, AFigureFarFromZeroKeepsItsIndices)
{
    const engine::saltelli_design design(cube, 1024, 11);
    std::vector<double> f            = evaluate(design, ishigami);
    const engine::sobol_indices near = engine::estimate_indices(f, 3, 11, 50);
    for (double& v : f) {
        v += 1e6;
    }
    const engine::sobol_indices far = engine::estimate_indices(f, 3, 11, 50);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(far.of[i].first, near.of[i].first, 1e-6) << i;
        EXPECT_NEAR(far.of[i].total, near.of[i].total, 1e-6) << i;
        EXPECT_NEAR(far.of[i].first_high, near.of[i].first_high, 1e-6) << i;
    }
}

TEST(Indices, RowsWithAMissingValueAreLeftOut)
{
    const engine::saltelli_design design(cube, 600, 3);
    const std::vector<double> f = evaluate(design, ishigami);
    std::vector<double> holed   = f;
    std::vector<double> kept;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (std::size_t j = 0; j < 600; ++j) {
        const bool hole = j % 7 == 3;
        if (hole) {
            holed[j * 5 + j % 5] = nan;
        }
        else {
            kept.insert(kept.end(), f.begin() + static_cast<std::ptrdiff_t>(j * 5),
                        f.begin() + static_cast<std::ptrdiff_t>(j * 5 + 5));
        }
    }
    const engine::sobol_indices with_holes = engine::estimate_indices(holed, 3, 3, 100);
    const engine::sobol_indices without    = engine::estimate_indices(kept, 3, 3, 100);
    EXPECT_EQ(with_holes.rows_used, kept.size() / 5);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(with_holes.of[i].first, without.of[i].first);
        EXPECT_EQ(with_holes.of[i].total_low, without.of[i].total_low);
    }
    // A figure that does not vary has no indices.
    const engine::sobol_indices flat =
        engine::estimate_indices(std::vector<double>(f.size(), 4.5), 3, 3, 100);
    EXPECT_TRUE(std::isnan(flat.of[0].first));
    EXPECT_TRUE(std::isnan(flat.of[2].total_high));
}

TEST(Indices, TheDesignsRowsAreTheDrawsAndTheirMixes)
{
    const std::vector<engine::distribution> dists{engine::parse_distribution("normal:0:1"),
                                                  engine::parse_distribution("uniform:5:6")};
    const engine::saltelli_design design(dists, 10, 99);
    const engine::draws draws(dists, 99);
    EXPECT_EQ(design.size(), 40u);
    for (std::uint64_t j = 0; j < 10; ++j) {
        const std::vector<double> a = design.values_at(4 * j);
        const std::vector<double> b = design.values_at(4 * j + 1);
        EXPECT_EQ(a, draws.values_at(j));
        EXPECT_NE(a[0], b[0]);
        EXPECT_NE(a[1], b[1]);
        EXPECT_EQ(design.values_at(4 * j + 2), (std::vector<double>{b[0], a[1]}));
        EXPECT_EQ(design.values_at(4 * j + 3), (std::vector<double>{a[0], b[1]}));
    }
}

}  // namespace
