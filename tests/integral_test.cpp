// The integrals against the march they are the limit of, against an
// independent quadrature written here, and through the cap's changes.
#include "climber/integral.hpp"
#include "climber/study.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using tether::design;

struct figures {
    double total;
    double time;
};

figures march_of(const design& d)
{
    const climber::study s = climber::compute_study(d);
    return {s.sums.total, s.sums.time};
}

// Five-point Gauss-Legendre on n equal panels of [a, b].
template <class F> double gauss_legendre(const F& f, double a, double b, int n)
{
    const double s   = std::sqrt(10.0 / 7);
    const double x[] = {0, std::sqrt(5 - 2 * s) / 3, std::sqrt(5 + 2 * s) / 3};
    const double w[] = {128.0 / 225, (322 + 13 * std::sqrt(70.0)) / 900,
                        (322 - 13 * std::sqrt(70.0)) / 900};
    const double h   = (b - a) / n;
    double sum       = 0;
    for (int k = 0; k < n; ++k) {
        const double mid = a + (k + 0.5) * h;
        double panel     = w[0] * f(mid);
        for (int j = 1; j < 3; ++j) {
            panel += w[j] * (f(mid - x[j] * h / 2) + f(mid + x[j] * h / 2));
        }
        sum += panel * h / 2;
    }
    return sum;
}

// The same figures by the quadrature above, split where the cap starts or
// stops (found by bisection on a fine scan), the speed as drive_at gives it.
figures independent(const design& d)
{
    const tether::model m         = tether::compute_model(d);
    const climber::drive_params p = climber::compute_drive_params(d, m);
    const double ztop             = climber::top_of_march(d, m);
    const auto speed              = [&](double z) {
        const climber::drive_point pt = climber::drive_at(m, p, z);
        return pt.power / pt.weight;
    };
    std::vector<double> edges{0};
    const int scan = 20000;
    for (int i = 0; i < scan; ++i) {
        double lo = ztop * i / scan;
        double hi = ztop * (i + 1) / scan;
        if ((speed(lo) > p.vmax) != (speed(hi) > p.vmax)) {
            const bool rising = speed(hi) > p.vmax;
            for (int k = 0; k < 60; ++k) {
                const double mid                            = (lo + hi) / 2;
                ((speed(mid) > p.vmax) == rising ? hi : lo) = mid;
            }
            edges.push_back((lo + hi) / 2);
        }
    }
    edges.push_back(ztop);
    figures f{gauss_legendre([&](double z) { return p.rhog * tether::taper(m, m.RE + z); }, 0, ztop,
                             4096),
              0};
    for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
        f.time +=
            gauss_legendre([&](double z) { return (1000.0 / 3600) / std::fmin(speed(z), p.vmax); },
                           edges[i], edges[i + 1], 2048);
    }
    return f;
}

TEST(Integral, TheMarchConvergesOnItAsTheStepHalves)
{
    design d{};
    const climber::integral_study in = climber::compute_study_integral(d);
    std::vector<figures> error;
    for (double dz : {0.25, 0.125, 0.0625}) {
        d.march.dz   = dz;
        const auto f = march_of(d);
        error.push_back({f.total - in.sums.total, f.time - in.sums.time});
        EXPECT_GT(error.back().total, 0) << dz;  // left sums of a rising taper
    }
    for (std::size_t i = 0; i + 1 < error.size(); ++i) {
        EXPECT_NEAR(error[i].total / error[i + 1].total, 2, 0.2) << i;
        EXPECT_NEAR(error[i].time / error[i + 1].time, 2, 0.2) << i;
    }
    // The study's step: 2.6e-6 and 1.2e-5 above the integrals.
    EXPECT_NEAR(error[1].total / in.sums.total, 2.6e-6, 0.1e-6);
    EXPECT_NEAR(error[1].time / in.sums.time, 1.2e-5, 0.1e-5);
}

TEST(Integral, AgreesWithAnIndependentQuadratureOnEarthAndMars)
{
    design mars{};
    mars.planet = tether::mars();
    design capped_twice{};  // speed rises, falls below 20 m/s, then rises again
    capped_twice.tether.strength = 10;
    capped_twice.climber.vmax    = 20;
    for (const design& d : {design{}, mars, capped_twice}) {
        const climber::integral_study in = climber::compute_study_integral(d);
        const figures wanted             = independent(d);
        EXPECT_NEAR(in.sums.total, wanted.total, 1e-11 * wanted.total);
        EXPECT_NEAR(in.sums.time, wanted.time, 1e-11 * wanted.time);
        EXPECT_FALSE(in.time_missed || in.total_missed);
    }
}

TEST(Integral, CapFromTheSurfaceNeverAndTwice)
{
    design surface{};
    surface.climber.vmax       = 10;
    surface.climber.fextra     = 1e9;
    climber::integral_study in = climber::compute_study_integral(surface);
    EXPECT_EQ(in.sums.cap_alt, 0.0);
    // Capped all the way: the climb is its length over the top speed.
    EXPECT_NEAR(in.sums.time, in.plan.ztop * (1000.0 / 3600) / 10, 1e-12 * in.sums.time);

    design never{};
    never.climber.vmax = 1e9;
    EXPECT_TRUE(std::isnan(climber::compute_study_integral(never).sums.cap_alt));

    design twice{};
    twice.tether.strength  = 10;
    twice.climber.vmax     = 20;
    in                     = climber::compute_study_integral(twice);
    const climber::study s = climber::compute_study(twice);
    // The march's first capped point lies within a step above the integral's.
    EXPECT_GE(s.sums.cap_alt, in.sums.cap_alt);
    EXPECT_LT(s.sums.cap_alt - in.sums.cap_alt, twice.march.dz);
}

TEST(Integral, AFigureThatMissesTheToleranceIsNaNAndSaysSo)
{
    climber::integral_settings tiny;
    tiny.max_depth                   = 0;
    tiny.tolerance                   = 1e-16;
    const climber::integral_study in = climber::compute_study_integral(design{}, tiny);
    EXPECT_TRUE(in.time_missed && in.total_missed);
    EXPECT_TRUE(std::isnan(in.sums.time) && std::isnan(in.sums.total));
    EXPECT_FALSE(std::isnan(in.sums.cap_alt));
}

}  // namespace
