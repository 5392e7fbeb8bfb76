// The adaptive quadrature's limits and stopping test, against Boost's rule
// called directly and integrals known in closed form.
#include "tether/quadrature.hpp"

#include "exact.hpp"

#include <gtest/gtest.h>

#include <boost/math/quadrature/gauss_kronrod.hpp>

#include <cmath>

namespace {

using rule = boost::math::quadrature::gauss_kronrod<double, 31>;

// Peaked at 0.3: the rule on [0, 1] alone is far off, and each halving
// gains a few digits.
double peak(double x)
{
    return 1 / (1e-4 + (x - 0.3) * (x - 0.3));
}
const double peak_integral = 100 * (std::atan(70.0) + std::atan(30.0));

TEST(Quadrature, MaxDepthLimitsTheHalvingsOfAPanel)
{
    auto f = [](double x) { return peak(x); };
    // No halving: the rule on the one panel.
    tether::estimate e = tether::integrate_adaptive(f, 0.0, 1.0, 1e-12, {0, 2000});
    EXPECT_BITS(e.value, rule::integrate(f, 0.0, 1.0, 0));
    // One: the two halves, and nothing finer.
    e = tether::integrate_adaptive(f, 0.0, 1.0, 1e-12, {1, 2000});
    EXPECT_BITS(e.value, rule::integrate(f, 0.0, 0.5, 0) + rule::integrate(f, 0.5, 1.0, 0));
    // Unlimited, the peak is resolved.
    e = tether::integrate_adaptive(f, 0.0, 1.0, 1e-12);
    EXPECT_NEAR(e.value, peak_integral, 1e-12 * peak_integral);
}

// It halves until the estimate is at most a tenth of the tolerance (the
// caller's check then has a margin): at every tolerance, whatever step of
// the refinement it falls between.
TEST(Quadrature, StopsAtATenthOfTheTolerance)
{
    auto f = [](double x) { return peak(x); };
    for (double tolerance = 1e-2; tolerance > 1e-12; tolerance /= std::pow(10.0, 0.05)) {
        const tether::estimate e = tether::integrate_adaptive(f, 0.0, 1.0, tolerance);
        EXPECT_LE(e.error, tolerance / 10 * e.value) << tolerance;
        EXPECT_NEAR(e.value, peak_integral, tolerance * peak_integral) << tolerance;
    }
}

}  // namespace
