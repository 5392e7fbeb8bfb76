// Global adaptive Gauss-Kronrod quadrature with an error estimate, for the
// integrals of the tether and the climb (Boost.Math's 31-point rule on each
// panel). Header-only; callers link Boost's headers.
#pragma once

#include "tether/design.hpp"

#include <boost/math/quadrature/gauss_kronrod.hpp>

#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <vector>

namespace tether {

struct estimate {
    double value;  // the integral
    double error;  // its error estimate
};

struct quadrature_limits {
    unsigned max_depth  = 60;    // halvings of a panel, at most
    unsigned max_panels = 2000;  // panels, at most
};

// Why figures computed by quadrature to a tolerance are NaN.
inline std::string missed_integral(double tolerance)
{
    return "the integral's error estimate is above " + compact_number(tolerance) +
           " of its value; its figures are NaN";
}

namespace detail {

struct panel {
    double a;
    double b;
    double value;
    double error;
    unsigned depth;
};

// Boost's rule on one panel. Boost 1.74 returns the error of the rule on
// [-1, 1], not scaled by the panel's half-width: scaled here.
template <class F> panel rule_on(F& f, double a, double b, unsigned depth)
{
    using rule     = boost::math::quadrature::gauss_kronrod<double, 31>;
    double error   = 0;
    const double v = rule::integrate(f, a, b, 0, 0.0, &error);
    return {a, b, v, error * ((b - a) / 2), depth};
}

}  // namespace detail

// The integral of f over [a, b]: the panel with the largest error estimate
// is halved until the sum of the estimates is at most tolerance / 10 of the
// value, or that panel has been halved max_depth times, or the panels reach
// their limit. The caller compares the error with its own tolerance.
// The first panels are [a, a + scale], then each twice as wide as the one
// before: an integrand that changes on a scale far below b - a near a (a
// rule's nodes on [a, b] all miss it, and their two estimates agree on a
// wrong value) is resolved from the start. By default, one panel.
template <class F>
estimate integrate_adaptive(F& f, double a, double b, double tolerance,
                            const quadrature_limits& limits = {},
                            double scale = std::numeric_limits<double>::infinity())
{
    std::vector<detail::panel> panels;
    double width = std::fmax(scale, std::fmax(std::ldexp(b - a, -60), 1e-15 * std::fabs(a)));
    for (double x = a; x < b; width *= 2) {
        const double next = b - x <= 2 * width ? b : x + width;
        panels.push_back(detail::rule_on(f, x, next, 0));
        x = next;
    }
    double value = 0;
    double error = 0;
    for (const detail::panel& q : panels) {
        value += q.value;
        error += q.error;
    }
    while (!(error <= std::fabs(value) * (tolerance / 10)) && panels.size() < limits.max_panels) {
        std::size_t worst = 0;
        for (std::size_t i = 1; i < panels.size(); ++i) {
            if (panels[i].error > panels[worst].error) {
                worst = i;
            }
        }
        const detail::panel p = panels[worst];
        if (p.depth >= limits.max_depth) {
            break;
        }
        const double mid = p.a + (p.b - p.a) / 2;
        panels[worst]    = detail::rule_on(f, p.a, mid, p.depth + 1);
        panels.push_back(detail::rule_on(f, mid, p.b, p.depth + 1));
        // Summed afresh, so that no rounding of the running sums piles up.
        value = 0;
        error = 0;
        for (const detail::panel& q : panels) {
            value += q.value;
            error += q.error;
        }
    }
    return {value, error};
}

}  // namespace tether
