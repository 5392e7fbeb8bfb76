// Draws over uncertain inputs: the distributions against their closed
// forms, the draws against the distributions, draw k against the key and k
// alone, and every refusal of a bad distribution, count or key.
#include "engine/uncertainty/draws.hpp"

#include "exact.hpp"
#include "sorted_quantile.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

const double pi = std::acos(-1.0);

// The standard normal distribution's CDF.
double phi(double z)
{
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

// A distribution, its CDF and its quantile in closed form, written here
// apart from Boost.Math.
struct closed_form {
    std::string text;
    std::function<double(double)> cdf;
    std::function<double(double)> quantile;
};

std::vector<closed_form> closed_forms()
{
    // The normal quantile by Newton's method on erfc, to 1e-15, in the
    // lower half (where phi keeps its digits) and by symmetry above it.
    const auto z_of = [](double p) {
        const double q = std::min(p, 1 - p);
        double z       = 0;
        for (int i = 0; i < 100; ++i) {
            z -= (phi(z) - q) / (std::exp(-z * z / 2) / std::sqrt(2 * pi));
        }
        return p > 0.5 ? -z : z;
    };
    const auto triangle_cdf = [](double lo, double mode, double hi) {
        return [=](double x) {
            return x <= mode ? (x - lo) * (x - lo) / ((hi - lo) * (mode - lo))
                             : 1 - (hi - x) * (hi - x) / ((hi - lo) * (hi - mode));
        };
    };
    const auto triangle_quantile = [](double lo, double mode, double hi) {
        return [=](double p) {
            return p < (mode - lo) / (hi - lo) ? lo + std::sqrt(p * (hi - lo) * (mode - lo))
                                               : hi - std::sqrt((1 - p) * (hi - lo) * (hi - mode));
        };
    };
    return {
        {"normal:35:5", [](double x) { return phi((x - 35) / 5); },
         [=](double p) { return 35 + 5 * z_of(p); }},
        {"lognormal:35:1.5", [](double x) { return phi(std::log(x / 35) / std::log(1.5)); },
         [=](double p) { return 35 * std::pow(1.5, z_of(p)); }},
        {"uniform:1200:1400", [](double x) { return (x - 1200) / 200; },
         [](double p) { return 1200 + 200 * p; }},
        {"triangular:2:3:7", triangle_cdf(2, 3, 7), triangle_quantile(2, 3, 7)},
        // The mode at an end: half a triangle.
        {"triangular:-1:-1:1", [](double x) { return 1 - (1 - x) * (1 - x) / 4; },
         triangle_quantile(-1, -1, 1)},
    };
}

std::vector<double> sample(const std::string& dist, std::uint64_t key, std::uint64_t n)
{
    const engine::draws d({engine::parse_distribution(dist)}, key);
    std::vector<double> x(n);
    for (std::uint64_t k = 0; k < n; ++k) {
        x[k] = d.values_at(k).front();
    }
    return x;
}

TEST(Draws, QuantilesAreTheDistributionsClosedForms)
{
    for (const closed_form& f : closed_forms()) {
        const engine::distribution d = engine::parse_distribution(f.text);
        for (double p : {1e-9, 0.01, 0.2, 0.5, 0.7, 0.99, 1 - 1e-9}) {
            const double wanted = f.quantile(p);
            EXPECT_NEAR(d.quantile(p), wanted, 1e-12 * std::max(1.0, std::fabs(wanted)))
                << f.text << " at " << p;
        }
    }
}

TEST(Draws, SpansWiderThanBinary64AreTheNarrowSpansScaled)
{
    // HIGH - LOW overflows in the first two, a product of spans in the last.
    const std::tuple<const char*, const char*, double> cases[]{
        {"uniform:-1e308:1e308", "uniform:-1:1", 1e308},
        {"triangular:-1e308:0:1e308", "triangular:-1:0:1", 1e308},
        {"triangular:0:1e200:1e300", "triangular:0:1e-100:1", 1e300}};
    for (const auto& [wide, narrow, scale] : cases) {
        for (double p : {1e-9, 0.3, 0.5, 1 - 1e-9}) {
            EXPECT_NEAR(engine::parse_distribution(wide).quantile(p),
                        engine::parse_distribution(narrow).quantile(p) * scale, 1e-14 * scale);
        }
    }
}

TEST(Draws, SampleQuantilesMatchTheDistributions)
{
    const std::uint64_t n = 20000;
    for (const closed_form& f : closed_forms()) {
        std::vector<double> x = sample(f.text, 7, n);
        std::sort(x.begin(), x.end());
        for (double p : {0.01, 0.05, 0.25, 0.5, 0.75, 0.95, 0.99}) {
            // The share below the sample's quantile has standard error
            // sqrt(p (1 - p) / n); five of them.
            EXPECT_NEAR(f.cdf(sorted_quantile(x, p)), p,
                        5 * std::sqrt(p * (1 - p) / static_cast<double>(n)))
                << f.text << " at " << p;
        }
    }
}

TEST(Draws, DrawKDependsOnTheKeyAndKAlone)
{
    const std::vector<engine::distribution> dists{engine::parse_distribution("normal:0:1"),
                                                  engine::parse_distribution("uniform:0:1"),
                                                  engine::parse_distribution("triangular:0:1:3")};
    const std::uint64_t n = 1000;
    const engine::draws in_order(dists, 42);
    std::vector<std::vector<double>> wanted(n);
    for (std::uint64_t k = 0; k < n; ++k) {
        wanted[k] = in_order.values_at(k);
    }
    // Backwards, and split between two threads, each from its own object.
    const engine::draws backwards(dists, 42);
    for (std::uint64_t k = n; k-- > 0;) {
        ASSERT_EQ(backwards.values_at(k), wanted[k]) << k;
    }
    std::vector<std::vector<double>> got(n);
    const auto part = [&](std::uint64_t from, std::uint64_t to) {
        const engine::draws mine(dists, 42);
        for (std::uint64_t k = from; k < to; ++k) {
            got[k] = mine.values_at(k);
        }
    };
    std::thread first(part, 0, 377);
    std::thread second(part, 377, n);
    first.join();
    second.join();
    EXPECT_EQ(got, wanted);
    // Fewer distributions take the first numbers of the same draw.
    const std::vector<double> u = engine::unit_draw(42, 5, 3);
    EXPECT_EQ(engine::unit_draw(42, 5, 2), std::vector<double>(u.begin(), u.begin() + 2));
    EXPECT_BITS(wanted[5][1], u[1]);  // uniform:0:1 is the unit number itself
}

TEST(Draws, AnotherKeyOrIndexGivesOtherDraws)
{
    // Keys and indices that differ in their high 32 bits only, and the
    // ends of the keys' range.
    const std::uint64_t high = std::uint64_t{1} << 32;
    std::set<double> seen;
    std::size_t made = 0;
    for (std::uint64_t key :
         {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{2}, high + 1, ~std::uint64_t{0}}) {
        for (std::uint64_t k : {std::uint64_t{0}, std::uint64_t{1}, high, high + 1}) {
            for (double u : engine::unit_draw(key, k, 4)) {
                EXPECT_GT(u, 0);
                EXPECT_LT(u, 1);
                seen.insert(u);
                ++made;
            }
        }
    }
    EXPECT_EQ(seen.size(), made);
}

TEST(Draws, VariedParametersSetTheDesign)
{
    const std::vector<engine::varied> v =
        engine::read_varied({"strength = lognormal:35:1.5", " density=uniform:1200:1400"});
    ASSERT_EQ(v.size(), 2u);
    EXPECT_STREQ(v[0].param->name, "strength");
    EXPECT_EQ(v[1].dist.kind, engine::distribution_kind::uniform);
    const tether::design d = engine::design_with(tether::design{}, v, {30, 1250});
    EXPECT_EQ(d.tether.strength, 30);
    EXPECT_EQ(d.tether.density, 1250);
    EXPECT_EQ(d.climber.vmax, tether::design{}.climber.vmax);
    EXPECT_EQ(engine::varied_text(v, {30, 1250.5}), "strength=30, density=1250.5");
}

std::string error_of(const std::function<void()>& f)
{
    try {
        f();
    }
    catch (const engine::usage_error& e) {
        return e.what();
    }
    return "no error";
}

TEST(Draws, BadDistributionsAreRefusedNamingTheArgument)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"strength=gauss:35:5", "unknown distribution 'gauss'; known: normal, lognormal, uniform "
                                "or triangular"},
        {"strength=", "unknown distribution ''"},
        {"strength=normal:35", "normal:MEAN:SD takes 2 numbers, not 1"},
        {"strength=normal:35:5:1", "normal:MEAN:SD takes 2 numbers, not 3"},
        {"strength=triangular:1:2", "triangular:LOW:MODE:HIGH takes 3 numbers, not 2"},
        {"strength=normal:35:0", "SD = 0: must be greater than 0"},
        {"strength=normal:35:-2", "SD = -2: must be greater than 0"},
        {"strength=normal:nan:1", "MEAN 'nan' is not a finite number"},
        {"strength=normal:35:inf", "SD 'inf' is not a finite number"},
        {"strength=normal:1e999:1", "MEAN '1e999' is beyond the largest number"},
        {"strength=normal::1", "MEAN '' is not a finite number"},
        {"strength=uniform:5:5", "LOW = 5 and HIGH = 5: LOW must be less than HIGH"},
        {"strength=uniform:6:5", "LOW = 6 and HIGH = 5: LOW must be less than HIGH"},
        {"strength=triangular:3:4:3", "LOW = 3 and HIGH = 3: LOW must be less than HIGH"},
        {"strength=triangular:1:4:3", "MODE = 4: must lie from LOW = 1 to HIGH = 3"},
        {"strength=triangular:1:0.5:3", "MODE = 0.5: must lie from LOW = 1 to HIGH = 3"},
        {"strength=lognormal:35:1", "FACTOR = 1: must be greater than 1"},
        {"strength=lognormal:35:0.5", "FACTOR = 0.5: must be greater than 1"},
        {"strength=lognormal:0:1.5", "MEDIAN = 0: must be greater than 0"},
        {"strength=lognormal:-3:1.5", "MEDIAN = -3: must be greater than 0"},
        {"strength", "expected NAME=DISTRIBUTION"},
        {"nosuch=normal:1:1", "unknown parameter 'nosuch'"},
        {"planet=normal:1:1", "unknown parameter 'planet'"},
    };
    for (const auto& [given, wanted] : cases) {
        const std::string& text = given;
        const std::string got   = error_of([&] { engine::parse_varied(text); });
        EXPECT_EQ(got.substr(0, wanted.size()), wanted) << text;
    }
    // Twice: the second is at fault.
    try {
        engine::read_varied(
            {"strength=normal:35:1", "density=uniform:1:2", "strength=uniform:1:2"});
        ADD_FAILURE() << "strength varied twice was taken";
    }
    catch (const engine::varied_error& e) {
        EXPECT_EQ(e.index, 2u);
        EXPECT_STREQ(e.what(), "strength is varied twice");
    }
    try {
        engine::read_varied({"strength=normal:35:1", "density=uniform:2:1"});
        ADD_FAILURE() << "uniform:2:1 was taken";
    }
    catch (const engine::varied_error& e) {
        EXPECT_EQ(e.index, 1u);
    }
}

TEST(Draws, CountsAndKeysMustBeWholeNumbersInRange)
{
    EXPECT_EQ(engine::parse_draw_count("1"), 1u);
    EXPECT_EQ(engine::parse_draw_count(" 1000 "), 1000u);
    EXPECT_EQ(engine::parse_draw_count("1e7"), engine::max_draws);
    for (const char* bad : {"0", "-1", "1.5", "10000001", "1e300", "abc", "", "nan", "inf"}) {
        EXPECT_NE(error_of([&] {
                      engine::parse_draw_count(bad);
                  }).find("the number of draws must be a whole number from 1 to 10000000"),
                  std::string::npos)
            << bad;
    }
    EXPECT_EQ(engine::parse_key("0"), 0u);
    EXPECT_EQ(engine::parse_key(" 42 "), 42u);
    EXPECT_EQ(engine::parse_key("18446744073709551615"), ~std::uint64_t{0});
    // Written as a number, as a count of draws may be, read the same way.
    for (const char* number : {"1e3", "1000.0", "1e6"}) {
        EXPECT_EQ(engine::parse_key(number), engine::parse_draw_count(number)) << number;
    }
    EXPECT_EQ(engine::parse_key("9.007199254740992e15"), std::uint64_t{1} << 53);
    for (const char* bad : {"18446744073709551616", "-1", "+1", "1.5", "1e30", "", "0x10", "12a"}) {
        EXPECT_EQ(error_of([&] { engine::parse_key(bad); }),
                  "'" + std::string(bad) +
                      "': a seed must be a whole number from 0 to 18446744073709551615")
            << bad;
    }
    EXPECT_NE(error_of([] { engine::parse_key("1e19"); }).find(", in digits above 2^53"),
              std::string::npos);
}

}  // namespace
