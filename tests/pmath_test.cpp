// The portable elementary functions (tether/pmath.hpp) against Boost.
// Multiprecision's own 50-digit exp, log, pow, sin, cos, atan and atan2
// (no C library inside), on many arguments: the error in units in the last
// place stays within the bounds musl's authors give, so a table or a step
// lost in vendoring shows; and the special values come out as C99 Annex F
// says.
#include "tether/pmath.hpp"

#include <boost/multiprecision/cpp_bin_float.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <utility>

namespace {

using big       = boost::multiprecision::cpp_bin_float_50;
namespace pmath = tether::pmath;

constexpr double inf          = std::numeric_limits<double>::infinity();
constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

// |got - exact| in units of the last place of the double nearest exact
// (a normal number here).
double ulps(double got, const big& exact)
{
    const auto nearest = static_cast<double>(exact);
    const double ulp   = std::ldexp(1.0, std::ilogb(nearest) - 52);
    return static_cast<double>(abs(big(got) - exact) / ulp);
}

struct worst {
    double error = 0;
    std::string where;
    void see(double e, const std::string& at)
    {
        if (!(e <= error)) {
            error = e;
            where = at;
        }
    }
};

// Arguments drawn at random: x in [lo, hi] uniformly, or log-uniformly
// where both are positive and far apart.
class draws {
  public:
    explicit draws(unsigned key) : gen_(key) {}
    double uniform(double lo, double hi)
    {
        return std::uniform_real_distribution<>(lo, hi)(gen_);
    }
    double logs(double lo, double hi)
    {
        return std::exp(uniform(std::log(lo), std::log(hi)));
    }

  private:
    std::mt19937_64 gen_;
};

constexpr int n = 1500;  // arguments per range

// The largest error of f against exact over n arguments from draw, and
// where.
template <class Draw>
worst worst_of(const std::function<double(double)>& f, const std::function<big(const big&)>& exact,
               Draw draw)
{
    worst w;
    for (int i = 0; i < n; ++i) {
        const double x = draw();
        char text[64];
        std::snprintf(text, sizeof text, "x = %a", x);
        w.see(ulps(f(x), exact(big(x))), text);
    }
    return w;
}

#define EXPECT_ULPS(w, bound)                                                                      \
    do {                                                                                           \
        const worst seen = (w);                                                                    \
        EXPECT_LE(seen.error, bound) << seen.where;                                                \
        EXPECT_GT(seen.error, 0.0);                                                                \
    } while (false)

}  // namespace

TEST(PortableMath, ExpIsWithinItsBoundOfTheExactValue)
{
    draws d(1);
    const auto f     = [](double x) { return pmath::exp(x); };
    const auto exact = [](const big& x) { return big(exp(x)); };
    // musl: 0.511 ulp without fma; the march's exponents are within +-50.
    EXPECT_ULPS(worst_of(f, exact, [&] { return d.uniform(-50, 50); }), 0.52);
    EXPECT_ULPS(worst_of(f, exact, [&] { return d.uniform(-708, 709); }), 0.52);
    EXPECT_ULPS(worst_of(f, exact, [&] { return d.uniform(-1e-3, 1e-3); }), 0.52);
}

TEST(PortableMath, LogIsWithinItsBoundOfTheExactValue)
{
    draws d(2);
    const auto f     = [](double x) { return pmath::log(x); };
    const auto exact = [](const big& x) { return big(log(x)); };
    // musl: 0.519 ulp; near 1 (its own branch) 0.507 ulp.
    EXPECT_ULPS(worst_of(f, exact, [&] { return d.logs(1e-300, 1e300); }), 0.53);
    EXPECT_ULPS(worst_of(f, exact, [&] { return d.uniform(0.9, 1.1); }), 0.53);
}

TEST(PortableMath, PowIsWithinItsBoundOfTheExactValue)
{
    draws d(3);
    worst w;
    for (int i = 0; i < 4 * n; ++i) {
        // The ranges' ratios, the planets' cube roots, the step-size rule.
        const double x = i % 2 == 0 ? d.logs(1e-6, 1e6) : d.logs(1e-300, 1e300);
        const double y = i % 4 < 2 ? d.uniform(-30, 30) : d.uniform(-1, 1);
        char text[80];
        std::snprintf(text, sizeof text, "x = %a, y = %a", x, y);
        const big exact = pow(big(x), big(y));
        if (abs(exact) < big(1e-300) || abs(exact) > big(1e300)) {
            continue;
        }
        w.see(ulps(pmath::pow(x, y), exact), text);
    }
    EXPECT_LE(w.error, 0.55) << w.where;  // musl: 0.54 ulp
    EXPECT_GT(w.error, 0.0);
}

TEST(PortableMath, SinAndCosAreWithinAnUlpOfTheExactValue)
{
    draws d(4);
    const auto sine      = [](double x) { return pmath::sin(x); };
    const auto cosine    = [](double x) { return pmath::cos(x); };
    const auto exact_sin = [](const big& x) { return big(sin(x)); };
    const auto exact_cos = [](const big& x) { return big(cos(x)); };
    // The modes' angles (small multiples of pi), then the reductions by
    // pi/2 to medium and large arguments (below 2^20 pi/2, and beyond).
    for (const auto& range : {std::pair{-0.78, 0.78}, {-700.0, 700.0}, {1e3, 1e6}, {1e7, 1e15}}) {
        const double lo = range.first;
        const double hi = range.second;
        EXPECT_ULPS(worst_of(sine, exact_sin, [&] { return d.uniform(lo, hi); }), 0.8);
        EXPECT_ULPS(worst_of(cosine, exact_cos, [&] { return d.uniform(lo, hi); }), 0.8);
    }
}

TEST(PortableMath, AtanAndAtan2AreWithinAnUlpOfTheExactValue)
{
    draws d(5);
    const auto f     = [](double x) { return pmath::atan(x); };
    const auto exact = [](const big& x) { return big(atan(x)); };
    EXPECT_ULPS(worst_of(f, exact, [&] { return d.uniform(-3, 3); }), 0.8);
    EXPECT_ULPS(worst_of(f, exact, [&] { return d.logs(1e-20, 1e20); }), 0.8);
    worst w;
    for (int i = 0; i < n; ++i) {
        const double y = d.uniform(-1, 1) * d.logs(1e-10, 1e10);
        const double x = d.uniform(-1, 1) * d.logs(1e-10, 1e10);
        char text[80];
        std::snprintf(text, sizeof text, "y = %a, x = %a", y, x);
        w.see(ulps(pmath::atan2(y, x), atan2(big(y), big(x))), text);
    }
    EXPECT_LE(w.error, 1.5) << w.where;  // two roundings after atan's
}

TEST(PortableMath, SpecialValuesAreAsC99AnnexFSays)
{
    EXPECT_EQ(pmath::exp(0.0), 1.0);
    EXPECT_EQ(pmath::exp(-inf), 0.0);
    EXPECT_EQ(pmath::exp(inf), inf);
    EXPECT_EQ(pmath::exp(710.0), inf);
    EXPECT_EQ(pmath::exp(-746.0), 0.0);
    EXPECT_EQ(pmath::exp(-745.0), std::numeric_limits<double>::denorm_min());
    EXPECT_TRUE(std::isnan(pmath::exp(not_a_number)));

    EXPECT_EQ(pmath::log(1.0), 0.0);
    EXPECT_EQ(pmath::log(0.0), -inf);
    EXPECT_EQ(pmath::log(inf), inf);
    EXPECT_TRUE(std::isnan(pmath::log(-1.0)));
    EXPECT_LE(ulps(pmath::log(std::numeric_limits<double>::denorm_min()), -1074 * log(big(2))),
              0.53);

    EXPECT_EQ(pmath::pow(0.3, 0.0), 1.0);
    EXPECT_EQ(pmath::pow(not_a_number, 0.0), 1.0);
    EXPECT_EQ(pmath::pow(0.3, 1.0), 0.3);
    EXPECT_EQ(pmath::pow(2.0, -1074.0), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(pmath::pow(2.0, 1024.0), inf);
    EXPECT_EQ(pmath::pow(-2.0, 3.0), -8.0);
    EXPECT_EQ(pmath::pow(-0.5, -inf), inf);
    EXPECT_TRUE(std::isnan(pmath::pow(-2.0, 0.5)));
    double power = 1;  // 3^k, exact up to 3^33 < 2^53
    for (int k = 0; k <= 33; ++k, power *= 3) {
        EXPECT_EQ(pmath::pow(3.0, k), power) << k;
    }

    EXPECT_TRUE(std::signbit(pmath::sin(-0.0)));
    EXPECT_EQ(pmath::sin(0x1p-30), 0x1p-30);
    EXPECT_EQ(pmath::cos(0.0), 1.0);
    EXPECT_TRUE(std::isnan(pmath::sin(inf)));
    EXPECT_TRUE(std::isnan(pmath::cos(not_a_number)));
    // 1e300 (about 2^997) reduced by pi/2 with the 1584 bits of 2/pi that
    // the large reduction holds; the reference with 1300 bits.
    using huge = boost::multiprecision::number<boost::multiprecision::cpp_bin_float<400>>;
    EXPECT_LE(ulps(pmath::sin(1e300), big(sin(huge(1e300)))), 0.8);
    EXPECT_LE(ulps(pmath::cos(0x1.8p1000), big(cos(huge(0x1.8p1000)))), 0.8);

    EXPECT_EQ(pmath::atan(inf), 0x1.921fb54442d18p0);
    EXPECT_TRUE(std::signbit(pmath::atan(-0.0)));
    EXPECT_EQ(pmath::atan2(0.0, -1.0), 0x1.921fb54442d18p1);
    EXPECT_EQ(pmath::atan2(-0.0, -1.0), -0x1.921fb54442d18p1);
    EXPECT_EQ(pmath::atan2(1.0, 0.0), 0x1.921fb54442d18p0);
    EXPECT_EQ(pmath::atan2(-inf, inf), -0x1.921fb54442d18p-1);
    EXPECT_TRUE(std::isnan(pmath::atan2(not_a_number, 1.0)));
}
