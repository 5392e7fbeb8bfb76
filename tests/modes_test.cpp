#include "tether/modes.hpp"

#include <Eigen/Eigenvalues>
#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

using tether::design;
using tether::model;
using tether::modes;
using tether::positions;

struct built {
    design d;
    model m;
    positions p;
};

built build(const design& d)
{
    const model m = tether::compute_model(d);
    return {d, m, tether::compute_positions(d, m)};
}

// The cross-section relative to GEO at radius r (km).
double area(const model& m, double r)
{
    return std::exp((m.vgeo - tether::effpot(m, r)) / m.ywork);
}

// The net outward acceleration at radius r (km), km/s^2.
double outward(const model& m, double r)
{
    return m.omega2 * r - m.GM / (r * r);
}

// The counterweight as a length of tether of GEO's cross-section, km:
// mapex (t) over density (kg/m^3) times csgeo (mm^2), 1e3 kg/t * 1e6 mm^2/m^2
// / 1e3 m/km.
double top_mass(const built& b)
{
    return b.p.mapex * 1e6 / (b.d.tether.density * b.d.tether.csgeo);
}

// An independent discretisation of the untransformed problem, in plane or
// out of plane: -(P Y')' - mu q Y = lambda^2 mu Y on N equal cells with
// Y(RE) = 0, second-order finite differences (a lumped-mass finite-volume
// scheme), the top's half cell plus the counterweight at the last node.
// With the diagonal mass matrix B, B^-1/2 K B^-1/2 is symmetric tridiagonal:
// its eigenvalues come from Eigen. Returns the first `count` lambda^2, 1/s^2.
std::vector<double> finite_differences(const built& b, int cells, bool out_of_plane, int count)
{
    const model& m     = b.m;
    const double h     = (m.rapex - m.RE) / cells;
    const double shift = out_of_plane ? m.omega2 : 0.0;
    const auto q       = [&](double r) { return outward(m, r) / r - shift; };
    Eigen::VectorXd diag(cells);
    Eigen::VectorXd sub(cells - 1);
    Eigen::VectorXd mass(cells);
    for (int i = 1; i <= cells; ++i) {
        const double r     = m.RE + i * h;
        const double below = m.ywork * area(m, r - h / 2);
        const bool top     = i == cells;
        const double above = top ? 0.0 : m.ywork * area(m, r + h / 2);
        const double part  = top ? h / 2 : h;
        diag(i - 1)        = (below + above) / h - part * area(m, r) * q(r);
        mass(i - 1)        = part * area(m, r);
        if (top) {
            diag(i - 1) -= top_mass(b) * (b.p.aapex / m.rapex - shift);
            mass(i - 1) += top_mass(b);
        }
        else {
            sub(i - 1) = -above / h;
        }
    }
    for (int i = 0; i < cells; ++i) {
        diag(i) /= mass(i);
        if (i + 1 < cells) {
            sub(i) /= std::sqrt(mass(i) * mass(i + 1));
        }
    }
    Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver;
    solver.computeFromTridiagonal(diag, sub, Eigen::EigenvaluesOnly);
    std::vector<double> found(solver.eigenvalues().data(), solver.eigenvalues().data() + count);
    return found;
}

// lambda_1^2 as the Rayleigh quotient of the static shape phi = Y / r with
// P r^2 phi' constant and phi(rapex) = 1:
//   lambda^2 = C / (int A r^2 phi^2 dr + M rapex^2),  C = 1 / int dr / (c^2 A r^2).
// Its error relative to lambda_1^2 is of the order of lambda_1^2 / lambda_2^2,
// so it checks the slow pendulum mode where that ratio is tiny.
double static_quotient(const built& b)
{
    using boost::math::quadrature::gauss_kronrod;
    const model& m  = b.m;
    const auto flex = [&](double r) { return 1 / (m.ywork * area(m, r) * r * r); };
    const auto part = [&](double r) {
        return gauss_kronrod<double, 31>::integrate(flex, m.RE, r, 10, 1e-14);
    };
    const double whole = part(m.rapex);
    const auto weight  = [&](double r) {
        const double phi = part(r) / whole;
        return area(m, r) * r * r * phi * phi;
    };
    const double inertia = gauss_kronrod<double, 31>::integrate(weight, m.RE, m.rapex, 10, 1e-12);
    return (1 / whole) / (inertia + top_mass(b) * m.rapex * m.rapex);
}

double hours_of(double lambda2)
{
    return 2 * tether::PI / std::sqrt(lambda2) / 3600;
}

TEST(Modes, ConvergeWithATenfoldTighterTolerance)
{
    const built b    = build(design{});
    const modes base = tether::compute_modes(b.m, b.p, 10);
    tether::mode_settings tight;
    tight.tolerance /= 10;
    const modes finer = tether::compute_modes(b.m, b.p, 10, tight);
    ASSERT_FALSE(base.missed);
    ASSERT_FALSE(base.unstable);
    for (unsigned k = 0; k < 10; ++k) {
        EXPECT_LT(std::fabs(finer.in_plane[k] / base.in_plane[k] - 1), 1e-6) << "mode " << k + 1;
        EXPECT_LT(std::fabs(finer.out_of_plane[k] / base.out_of_plane[k] - 1), 1e-6)
            << "mode " << k + 1;
        EXPECT_LE(base.error[k], 1e-6);
    }
    // In order, the pendulum first.
    for (unsigned k = 1; k < 10; ++k) {
        EXPECT_LT(base.in_plane[k], base.in_plane[k - 1]);
        EXPECT_LT(base.out_of_plane[k], base.out_of_plane[k - 1]);
    }
}

TEST(Modes, HighModesApproachTheStringsSpacing)
{
    const built b   = build(design{});
    const modes r   = tether::compute_modes(b.m, b.p, 100);
    const double c  = std::sqrt(b.m.ywork);  // km/s
    const double to = 2 * (b.m.rapex - b.m.RE) / c / 3600;
    ASSERT_FALSE(r.missed);
    EXPECT_NEAR(19 * r.in_plane[19] / to, 1, 0.01);
    EXPECT_NEAR(99 * r.in_plane[99] / to, 1, 0.001);
    for (double e : r.error) {
        EXPECT_LE(e, 1e-6);
    }
}

TEST(Modes, OutOfPlaneAddsTheRotationSquared)
{
    const built b = build(design{});
    const modes r = tether::compute_modes(b.m, b.p, 20);
    for (unsigned k = 0; k < 20; ++k) {
        EXPECT_EQ(r.lambda2_out[k], r.lambda2_in[k] + b.m.omega2);
        EXPECT_NEAR(r.out_of_plane[k] / hours_of(r.lambda2_in[k] + b.m.omega2), 1, 1e-15);
        EXPECT_NEAR(r.in_plane[k] / hours_of(r.lambda2_in[k]), 1, 1e-15);
    }
}

// The untransformed problems, in plane and out of plane each on its own, by
// finite differences on 3000 cells: their error is about (k pi h / L)^2 / 12
// (2e-6 at mode 5); the pendulum mode's lambda^2 = 1.1e-10 1/s^2 against the
// matrix's largest eigenvalue ~4 c^2 / h^2 = 0.01 1/s^2 loses only ~1e-7 of
// itself to rounding, but its truncation error is the largest, 3e-5 here,
// falling fourfold with h (8e-6 on 6000 cells): the field terms that cancel
// exactly in Y = r cancel only to O(h^2) in the differences.
TEST(Modes, AgreeWithFiniteDifferences)
{
    const built b                 = build(design{});
    const modes r                 = tether::compute_modes(b.m, b.p, 5);
    const std::vector<double> in  = finite_differences(b, 3000, false, 5);
    const std::vector<double> out = finite_differences(b, 3000, true, 5);
    for (unsigned k = 0; k < 5; ++k) {
        EXPECT_NEAR(hours_of(in[k]) / r.in_plane[k], 1, 1e-4) << "in plane, mode " << k + 1;
        EXPECT_NEAR(hours_of(out[k]) / r.out_of_plane[k], 1, 1e-4)
            << "out of plane, mode " << k + 1;
    }
}

// Far from any field: GM scaled by 1e-12 and the day by 1e6 keep GEO where it
// is and scale F by 1e-12. The string fixed at both ends has lambda0_j =
// j pi c / L for mode k = j + 1. The differences, bounded by the min-max
// principle on the Rayleigh quotient:
//   the taper: A lies within a factor exp(D), D = (largest - smallest
//     effective potential) / ywork, and P / mu = c^2 everywhere, so
//     lambda^2 / lambda0^2 lies within exp(-D) .. exp(D);
//   the field: |q / w| = |F / r| <= max |F| / RE moves lambda^2 by at most that;
//   the top: a mass M instead of a fixed end lowers lambda^2 by about
//     2 / (j pi)^2 (mu L / M) of itself (a uniform string's cot(kL) = kL M / (mu L)).
// The period moves by half the relative change of lambda^2.
TEST(Modes, NearlyFieldFreeIsAStringFixedAtBothEnds)
{
    design d;
    d.planet.GM *= 1e-12;
    d.planet.tsid *= 1e6;
    ASSERT_FALSE(tether::check(d));
    const built b  = build(d);
    const model& m = b.m;
    const modes r  = tether::compute_modes(m, b.p, 12);
    ASSERT_FALSE(r.missed);
    ASSERT_FALSE(r.unstable);
    const double c = std::sqrt(m.ywork);
    const double L = m.rapex - m.RE;
    const double D = (std::fmax(m.vre, m.vapex) - m.vgeo) / m.ywork;
    const double field =
        std::fmax(std::fabs(outward(m, m.RE)), std::fabs(outward(m, m.rapex))) / m.RE;
    const double string_mass = L * std::fmax(area(m, m.RE), area(m, m.rapex));
    for (unsigned k = 2; k <= 12; ++k) {
        const double j       = k - 1;
        const double lambda0 = j * tether::PI * c / L;
        const double bound   = (std::expm1(D) + field / (lambda0 * lambda0) +
                              2 / (j * j * tether::PI * tether::PI) * string_mass / top_mass(b)) /
                             2;
        ASSERT_LT(bound, 1e-8);
        const double expected = 2 * L / (j * c) / 3600;
        EXPECT_NEAR(r.in_plane[k - 1] / expected, 1, bound + 1e-9) << "mode " << k;
    }
    // The pendulum: a very slow swing, as the static shape's quotient says.
    EXPECT_GT(r.in_plane[0], 1e6 * r.in_plane[1]);
    EXPECT_NEAR(r.lambda2_in[0] / static_quotient(b), 1, 1e-7);
}

// A top a tenth of a millimetre above GEO: a counterweight of some 10^11 t
// and a pendulum mode ~10^7 times slower than mode 2, still to full accuracy
// (the static shape's quotient is exact to ~lambda_1^2 / lambda_2^2 = 1e-14).
TEST(Modes, ThePendulumJustAboveGeo)
{
    design d;
    d.tether.rapex = tether::compute_model(d).rgeo + 1e-7;
    ASSERT_FALSE(tether::check(d));
    const built b = build(d);
    const modes r = tether::compute_modes(b.m, b.p, 5);
    ASSERT_FALSE(r.missed);
    ASSERT_FALSE(r.unstable);
    EXPECT_GT(r.in_plane[0], 5e6 * r.in_plane[1]);
    EXPECT_NEAR(r.lambda2_in[0] / static_quotient(b), 1, 1e-7);
    EXPECT_LE(r.error[0], 1e-6);
}

// One binary64 step above GEO passes check, but F(rapex) rounds below 0:
// the counterweight is negative, lambda_1^2 <= 0, and no period is given.
TEST(Modes, ANegativeCounterweightIsUnstable)
{
    design d;
    d.tether.rapex = std::nextafter(tether::compute_model(d).rgeo, 1e300);
    // The design check refuses it (within a relative 1e-12 of GEO); the
    // modes, asked all the same, say it is unstable.
    const auto refused = tether::check(d);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->name, "rapex");
    const built b = build(d);
    ASSERT_LT(b.p.aapex, 0);
    const modes r = tether::compute_modes(b.m, b.p, 3);
    EXPECT_TRUE(r.unstable);
    for (unsigned k = 0; k < 3; ++k) {
        EXPECT_TRUE(std::isnan(r.in_plane[k]));
        EXPECT_TRUE(std::isnan(r.out_of_plane[k]));
    }
}

TEST(Modes, ShapesAreScaledSignedAndHaveTheirNodes)
{
    const built b  = build(design{});
    const double L = b.m.rapex - b.m.RE;
    std::vector<double> at;
    for (int i = 2000; i >= 0; --i) {  // descending: any order will do
        at.push_back(L * i / 2000);
    }
    at.push_back(-1);     // below the foot
    at.push_back(L + 1);  // above the top
    const auto shapes = tether::mode_shapes(b.m, b.p, 6, at);
    ASSERT_EQ(shapes.size(), 6u);
    for (unsigned k = 0; k < 6; ++k) {
        const std::vector<double>& y = shapes[k];
        ASSERT_EQ(y.size(), at.size());
        EXPECT_TRUE(std::isnan(y[2001]));
        EXPECT_TRUE(std::isnan(y[2002]));
        EXPECT_EQ(y[2000], 0.0);  // the foot
        EXPECT_GT(y[1999], 0.0);  // the first point after it
        double largest = 0;
        int changes    = 0;
        for (int i = 1999; i >= 0; --i) {
            largest = std::fmax(largest, std::fabs(y[static_cast<unsigned>(i)]));
            const bool flips =
                (y[static_cast<unsigned>(i)] > 0) != (y[static_cast<unsigned>(i) + 1] > 0);
            changes += flips && i != 1999 ? 1 : 0;
        }
        EXPECT_EQ(largest, 1.0);
        EXPECT_EQ(changes, static_cast<int>(k)) << "mode " << k + 1;
    }
}

}  // namespace
