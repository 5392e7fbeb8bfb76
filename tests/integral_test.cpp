// The integrals against the march they are the limit of, against an
// independent quadrature written here with its own search for the cap's
// changes, and through designs whose cap starts and stops between any
// fixed scan's points.
#include "climber/figures.hpp"
#include "climber/study.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using tether::design;

struct figures {
    double total;
    double time;
    double cap_alt;
};

figures march_of(const design& d)
{
    const climber::study s = climber::compute_study(d);
    return {s.sums.total, s.sums.time, s.sums.cap_alt};
}

// Five-point Gauss-Legendre on one panel.
template <class F> double gauss_legendre(const F& f, double a, double b)
{
    const double s   = std::sqrt(10.0 / 7);
    const double x[] = {0, std::sqrt(5 - 2 * s) / 3, std::sqrt(5 + 2 * s) / 3};
    const double w[] = {128.0 / 225, (322 + 13 * std::sqrt(70.0)) / 900,
                        (322 - 13 * std::sqrt(70.0)) / 900};
    const double mid = a + (b - a) / 2;
    const double h   = b - a;
    double panel     = w[0] * f(mid);
    for (int j = 1; j < 3; ++j) {
        panel += w[j] * (f(mid - x[j] * h / 2) + f(mid + x[j] * h / 2));
    }
    return panel * h / 2;
}

// Gauss-Legendre on panels of [a, b] at most (b - a) / n wide that grow by
// a tenth from 2^-50 of the width (or 1e-14 of a) at a: near the surface the climb's
// integrand changes on the scale of fextra over the weight's slope, which
// can be far below any equal panel.
template <class F> double graded(const F& f, double a, double b, int n)
{
    const double least  = 1e-14 * std::fabs(a);  // some units in the last place of a
    const double widest = std::fmax((b - a) / n, least);
    double width        = std::fmax(std::ldexp(b - a, -50), least);
    double sum          = 0;
    for (double x = a; x < b; width = std::fmin(1.1 * width, widest)) {
        const double next = b - x < 1.5 * width ? b : x + width;
        sum += gauss_legendre(f, x, next);
        x = next;
    }
    return sum;
}

// The climber's uncapped speed written here from the model's definitions:
// power = excess^2 / (2 zg taper) and speed = power / (mclimb grav), with
// the force margin excess = fextra + mclimb (grav(RE) - grav(r)) and that
// fall of gravity as 1000 (GM (r - RE)(r + RE) / (RE^2 r^2) + omega^2 z).
struct reference {
    tether::model m;
    climber::drive_params p;
    double ztop;

    explicit reference(const design& d)
        : m(tether::compute_model(d)), p(climber::compute_drive_params(d, m)),
          ztop(climber::top_of_march(d, m))
    {
    }

    double speed(double z) const
    {
        const double r = m.RE + z;
        const double fall =
            1000 * (m.GM * (z / m.RE) * ((r + m.RE) / m.RE) / (r * r) + m.omega2 * z);
        const double excess = p.fextra + p.mclimb * fall;
        return excess * excess / (2 * p.zg * tether::taper(m, r)) / (p.mclimb * tether::grav(m, r));
    }

    // speed - vmax changes sign: a scan whose step halves wherever the
    // function comes within its local change (slope and bend) of 0, and
    // bisection of each change to its capped end.
    struct change {
        double at;        // the middle of the bracket
        double first;     // the bracket's capped end
        bool starts_cap;  // capped above
    };
    std::vector<change> changes() const
    {
        const auto g      = [&](double z) { return speed(z) - p.vmax; };
        const double hmax = ztop / 4096;
        const double hmin = ztop * 1e-13;
        std::vector<change> out;
        const auto bisect = [&](double lo, double hi) {
            const bool rising = g(hi) > 0;
            for (int k = 0; k < 200 && hi - lo > 1e-12 * (1 + hi); ++k) {
                const double mid                   = lo + (hi - lo) / 2;
                ((g(mid) > 0) == rising ? hi : lo) = mid;
            }
            out.push_back({lo + (hi - lo) / 2, rising ? hi : lo, rising});
        };
        double z  = 0;
        double g0 = g(0);
        double h  = hmax;
        while (z < ztop) {
            const bool last   = h >= ztop - z;
            const double step = last ? ztop - z : h;
            const double z1   = last ? ztop : z + step;
            const double zm   = z + step / 2;
            const double gm   = g(zm);
            const double g1   = g(z1);
            const double near = std::fabs(g1 - g0) + 4 * std::fabs(g0 - 2 * gm + g1);
            if (std::fmin(std::fabs(g0), std::fmin(std::fabs(gm), std::fabs(g1))) <= 2 * near &&
                step > hmin) {
                h = step / 2;
                continue;
            }
            if ((g0 > 0) != (gm > 0)) {
                bisect(z, zm);
            }
            if ((gm > 0) != (g1 > 0)) {
                bisect(zm, z1);
            }
            z  = z1;
            g0 = g1;
            h  = std::fmin(2 * step, hmax);
        }
        return out;
    }

    figures integrals(int panels = 256) const
    {
        figures f{graded([&](double z) { return p.rhog * tether::taper(m, m.RE + z); }, 0, ztop,
                         4 * panels),
                  0, speed(0) > p.vmax ? 0 : std::numeric_limits<double>::quiet_NaN()};
        std::vector<double> edges{0};
        for (const change& c : changes()) {
            edges.push_back(c.at);
            if (c.starts_cap && std::isnan(f.cap_alt)) {
                f.cap_alt = c.first;
            }
        }
        edges.push_back(ztop);
        const auto inverse = [&](double z) {
            return (1000.0 / 3600) / std::fmin(speed(z), p.vmax);
        };
        for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
            f.time += graded(inverse, edges[i], edges[i + 1], panels);
        }
        return f;
    }
};

figures independent(const design& d)
{
    return reference(d).integrals();
}

// Both never capped, or capped first at altitudes within 1e-6 km.
void expect_same_cap(double got, double wanted)
{
    if (std::isnan(wanted)) {
        EXPECT_TRUE(std::isnan(got)) << got;
    }
    else {
        EXPECT_NEAR(got, wanted, 1e-6);
    }
}

void expect_agree(const design& d)
{
    const climber::design_figures in = climber::compute_study_integral(d);
    const figures wanted             = independent(d);
    EXPECT_FALSE(in.integral);
    EXPECT_NEAR(in.sums.total, wanted.total, 1e-12 * wanted.total);
    EXPECT_NEAR(in.sums.time, wanted.time, 1e-12 * wanted.time);
    expect_same_cap(in.sums.cap_alt, wanted.cap_alt);
}

TEST(Integral, TheMarchConvergesOnItAsTheStepHalves)
{
    design d{};
    const climber::design_figures in = climber::compute_study_integral(d);
    std::vector<figures> error;
    for (double dz : {0.25, 0.125, 0.0625}) {
        d.march.dz   = dz;
        const auto f = march_of(d);
        error.push_back({f.total - in.sums.total, f.time - in.sums.time, 0});
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
        expect_agree(d);
    }
}

TEST(Integral, CapFromTheSurfaceNeverAndTwice)
{
    design surface{};
    surface.climber.vmax       = 10;
    surface.climber.fextra     = 1e9;
    climber::design_figures in = climber::compute_study_integral(surface);
    EXPECT_EQ(in.sums.cap_alt, 0.0);
    // Capped all the way: the climb is its length over the top speed.
    EXPECT_NEAR(in.sums.time, in.plan.ztop * (1000.0 / 3600) / 10, 1e-12 * in.sums.time);

    design never{};
    never.climber.vmax = 1e9;
    EXPECT_TRUE(std::isnan(climber::compute_study_integral(never).sums.cap_alt));

    design twice{};
    twice.tether.strength = 10;
    twice.climber.vmax    = 20;
    in                    = climber::compute_study_integral(twice);
    expect_same_cap(in.sums.cap_alt, independent(twice).cap_alt);
    // The march's first capped point lies within a step above it.
    const double march = march_of(twice).cap_alt;
    EXPECT_GE(march, in.sums.cap_alt);
    EXPECT_LT(march - in.sums.cap_alt, twice.march.dz);
}

// Safety factors above 1: the cap's start and the travel time as the march
// finds them. Bounded with the breaking specific strength where the working
// one belongs, the speed's bounds missed the first climber's cap (the march
// caps it from 115.25 km) and put the second 7.8 h short.
TEST(Integral, AgreesWithTheMarchAtSafetyFactorsAboveOne)
{
    const auto with = [](double strength, double safety, double vmax, double fextra,
                         double mclimb) {
        design d{};
        d.tether.strength = strength;
        d.tether.safety   = safety;
        d.climber.vmax    = vmax;
        d.climber.fextra  = fextra;
        d.climber.mclimb  = mclimb;
        return d;
    };
    const design capped = with(13, 6.4, 4.2, 33, 510000);
    const design slow   = with(22, 7.8, 2, 570000, 180);
    for (const design& d : {capped, slow}) {
        ASSERT_FALSE(climber::check(d, false));
        const climber::design_figures in = climber::compute_study_integral(d);
        const figures march              = march_of(d);
        ASSERT_FALSE(in.integral);
        // The march's left sums lie above the integrals by its step's
        // error: 5e-7 and 2e-8 of the time here (7.8 h short was 6e-6).
        EXPECT_GT(march.time, in.sums.time);
        EXPECT_NEAR(in.sums.time, march.time, 2e-6 * march.time);
        EXPECT_NEAR(in.sums.total, march.total, 1e-4 * march.total);
        // Its first capped point lies within a step above the cap's start.
        if (std::isnan(march.cap_alt)) {
            EXPECT_TRUE(std::isnan(in.sums.cap_alt)) << in.sums.cap_alt;
        }
        else {
            EXPECT_GE(march.cap_alt, in.sums.cap_alt);
            EXPECT_LT(march.cap_alt - in.sums.cap_alt, d.march.dz);
        }
        expect_agree(d);
    }
    EXPECT_FALSE(std::isnan(march_of(capped).cap_alt));  // from 115.25 km
}

// A capped stretch of 58 km, [1266.40, 1324.89] km, well below the cap that
// lasts from 24361 km to the top: narrower than a scan of 128 steps.
TEST(Integral, FindsACappedStretchBetweenScanPoints)
{
    design d{};
    d.tether.strength = 10;
    d.climber.vmax    = 26.84;
    const reference ref(d);
    const std::vector<reference::change> changes = ref.changes();
    ASSERT_EQ(changes.size(), 3U);
    EXPECT_NEAR(changes[0].at, 1266.40, 0.01);
    EXPECT_NEAR(changes[1].at, 1324.89, 0.01);
    EXPECT_NEAR(changes[2].at, 24361.01, 0.01);
    expect_agree(d);
}

// A climber capped on [0.392, 55.25] km of a small, dense planet.
TEST(Integral, FindsACapThatStartsAndEndsNearTheSurface)
{
    design d{};
    d.tether.strength = 2.1583786252817743;
    d.climber.fextra  = 23.396446551121866;
    d.climber.mclimb  = 123673.87131629663;
    d.climber.vmax    = 2.3871735806854857;
    d.tether.rhog     = 0.00013109321930106156;
    d.march.ztop      = 17713;
    d.planet.RE       = 1128.9977759635317;
    const reference ref(d);
    const std::vector<reference::change> changes = ref.changes();
    ASSERT_EQ(changes.size(), 2U);
    EXPECT_NEAR(changes[0].at, 0.392, 0.001);
    EXPECT_NEAR(changes[1].at, 55.25, 0.01);
    expect_agree(d);
}

// Uncapped dips between capped stretches, and a cap that starts in the last
// stretch below the top.
TEST(Integral, CountsEveryDipAndTheCapNearTheTop)
{
    design dip{};
    dip.tether.strength = 12;
    dip.climber.vmax    = 31.464;
    expect_agree(dip);

    design top{};
    top.climber.vmax = 3e5;
    expect_agree(top);
    EXPECT_NEAR(climber::compute_study_integral(top).sums.cap_alt, 35671.455, 1e-3);
}

// A climber capped from the surface whose speed falls to the top speed
// (to within a few units in the last place) and rises again: no piece about
// the lowest speed is ever proven capped, however narrow. It stays capped
// from the surface, and the time is the climb at the top speed, or NaN where
// the narrowest pieces are so wide that their bounds' gap exceeds the
// tolerance.
TEST(Integral, ASpeedThatTouchesTheTopSpeedKeepsItsCapFromTheSurface)
{
    design d{};
    d.tether.strength = 10;
    d.climber.fextra  = 1e5;
    const reference ref(d);
    // The lowest speed, near 11927 km, by golden section.
    double a = 5000;
    double b = 20000;
    for (int i = 0; i < 200; ++i) {
        const double c1                         = a + (b - a) * 0.381966;
        const double c2                         = a + (b - a) * 0.618034;
        (ref.speed(c1) < ref.speed(c2) ? b : a) = ref.speed(c1) < ref.speed(c2) ? c2 : c1;
    }
    const double lowest = ref.speed(a + (b - a) / 2);
    int missed          = 0;
    for (int k = -2; k <= 2; ++k) {
        d.climber.vmax = lowest * (1 + k * 1.1e-16);
        ASSERT_GT(ref.speed(0), d.climber.vmax);
        const double at_top = ref.ztop * (1000.0 / 3600) / d.climber.vmax;
        for (double width : {1e-7, 1e-5, 1e-3, 1e-1, 10.0}) {
            climber::integral_settings s;
            s.min_width                      = width;
            const climber::design_figures in = climber::compute_study_integral(d, s);
            EXPECT_EQ(in.sums.cap_alt, 0.0) << k << " " << width;
            if (std::isnan(in.sums.time)) {
                ++missed;
                continue;
            }
            EXPECT_NEAR(in.sums.time, at_top, 1e-13 * at_top) << k << " " << width;
        }
    }
    EXPECT_LT(missed, 25);
}

TEST(Integral, AFigureThatMissesTheToleranceIsNaNAndSaysSo)
{
    climber::integral_settings tiny;
    tiny.max_depth                   = 0;
    tiny.tolerance                   = 1e-18;  // below the rounding of the sums
    const climber::design_figures in = climber::compute_study_integral(design{}, tiny);
    EXPECT_TRUE(in.integral);
    EXPECT_TRUE(std::isnan(in.sums.time) && std::isnan(in.sums.total));
    EXPECT_FALSE(std::isnan(in.sums.cap_alt));
}

// A top end one binary64 step above GEO leaves a counterweight below 0 by
// rounding: the tether would not swing back, its periods are NaN, and the
// study says it missed, and why.
TEST(Integral, AnUnstableTetherCountsAsMissed)
{
    design d{};
    d.tether.rapex = std::nextafter(tether::compute_model(d).rgeo, 1e300);
    const climber::design_figures in =
        climber::compute_figures(d, {climber::method::integral, {}, true, true, 2});
    ASSERT_TRUE(in.modes.unstable);
    EXPECT_TRUE(std::isnan(in.modes.in_plane[0]));
    EXPECT_TRUE(in.missed());
    EXPECT_NE(in.why_missed().find("would not swing back"), std::string::npos) << in.why_missed();
}

TEST(Integral, ASearchBeyondItsLimitOfPiecesIsNaNAndSaysSo)
{
    climber::integral_settings few;
    few.max_pieces = 2;
    design d{};
    d.tether.strength                = 10;
    d.climber.vmax                   = 26.84;
    const climber::design_figures in = climber::compute_study_integral(d, few);
    EXPECT_TRUE(in.integral);
    EXPECT_FALSE(std::isnan(in.sums.total));
    EXPECT_TRUE(std::isnan(in.sums.time) && std::isnan(in.sums.cap_alt));
    // The limit counts the pieces looked at: this design's search looks at
    // 69, and finishes with a limit of 69 but not of 68.
    few.max_pieces = 68;
    EXPECT_TRUE(std::isnan(climber::compute_study_integral(d, few).sums.time));
    few.max_pieces = 69;
    EXPECT_FALSE(std::isnan(climber::compute_study_integral(d, few).sums.time));
}

// Random designs on the Earth and Mars, log-uniform over wide ranges, with
// safety factors from 1 to 10: the taper's scale is the working specific
// strength, the breaking one over the safety factor.
TEST(Integral, AgreesWithTheReferenceOnRandomDesigns)
{
    std::mt19937_64 rng(20240611);
    const auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    const auto log_uniform = [&](double lo, double hi) {
        return std::exp(uniform(std::log(lo), std::log(hi)));
    };
    int tried  = 0;
    int missed = 0;
    while (tried < 2000) {
        design d{};
        if (uniform(0, 1) < 0.5) {
            d.planet = tether::mars();
        }
        d.tether.strength     = log_uniform(1, 200);
        d.climber.vmax        = log_uniform(1, 1e5);
        d.climber.fextra      = log_uniform(1e-3, 1e6);
        d.climber.mclimb      = log_uniform(1e2, 1e6);
        d.tether.safety       = log_uniform(1, 10);
        const tether::model m = tether::compute_model(d);
        d.march.ztop          = uniform(0, 1) * (m.rgeo - m.RE);
        if (climber::check(d, false)) {
            continue;
        }
        ++tried;
        const climber::design_figures in = climber::compute_study_integral(d);
        if (in.integral) {
            ++missed;
            continue;
        }
        const figures wanted = independent(d);
        EXPECT_NEAR(in.sums.total, wanted.total, 1e-10 * wanted.total) << tried;
        EXPECT_NEAR(in.sums.time, wanted.time, 1e-10 * wanted.time) << tried;
        expect_same_cap(in.sums.cap_alt, wanted.cap_alt);
        if (HasFailure()) {
            ADD_FAILURE() << "strength=" << d.tether.strength << " safety=" << d.tether.safety
                          << " vmax=" << d.climber.vmax << " fextra=" << d.climber.fextra
                          << " mclimb=" << d.climber.mclimb << " ztop=" << d.march.ztop
                          << " GM=" << d.planet.GM;
            return;
        }
    }
    EXPECT_LE(missed, 2);  // 0.1 %
}

}  // namespace
