#include "tether/modes.hpp"

#include <Eigen/Eigenvalues>
#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
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
// The field enters as the in-plane stiffness across the line, k(r) (1/s^2;
// out of plane k + omega^2), and the cross-section relative to GEO's, A(r).
std::vector<double> finite_differences(const built& b, int cells, bool out_of_plane, int count,
                                       const std::function<double(double)>& stiffness,
                                       const std::function<double(double)>& section)
{
    const model& m     = b.m;
    const double h     = (m.rapex - m.RE) / cells;
    const double shift = out_of_plane ? m.omega2 : 0.0;
    const auto q       = [&](double r) { return -stiffness(r) - shift; };
    const auto area    = [&](const model&, double r) { return section(r); };
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
            diag(i - 1) -= top_mass(b) * q(m.rapex);
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

// A planet's field: k = -F / r.
std::vector<double> finite_differences(const built& b, int cells, bool out_of_plane, int count)
{
    return finite_differences(
        b, cells, out_of_plane, count, [&b](double r) { return -outward(b.m, r) / r; },
        [&b](double r) { return area(b.m, r); });
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

// The slowest mode by inverse iteration on a graded grid, independent of the
// program's shooting: the problem in phi = Y / r (Y = r solves the static
// equation, so the field terms drop out), -(p phi')' = lambda^2 w phi with
// p = c^2 A r^2 and w = A r^2 (A relative to GEO), phi(RE) = 0 and the
// counterweight's inertia top_mass rapex^2 at the top. Finite volumes on
// nodes r = RE + L (3 t^2 - 2 t^3), t evenly spaced, fine at both ends where
// the cross-section changes fastest: p at the cells' midpoints, w lumped at
// the nodes. Each step solves the stiffness matrix K, a chain of
// conductances held at the foot, by its two sums of positive terms (the load
// above each cell, then the stretches below each node): a factorisation of K
// loses lambda_1^2, 10^-30 of K's largest eigenvalue and less, to the
// cancellation of conductances 10^30 apart. The Rayleigh quotient is a sum
// of positive terms. Second order in the spacing: the lambda^2 of `cells`
// and of half as many, extrapolated.
struct slow_mode {
    double lambda2;             // 1/s^2
    std::vector<double> radii;  // km
    std::vector<double> Y;      // the shape r phi, 1 at the top
};

slow_mode inverse_iteration(const built& b, int cells)
{
    const model& m = b.m;
    const double L = m.rapex - m.RE;
    std::vector<double> r(static_cast<std::size_t>(cells) + 1);
    for (int i = 0; i <= cells; ++i) {
        const double t                 = static_cast<double>(i) / cells;
        r[static_cast<std::size_t>(i)] = i == cells ? m.rapex : m.RE + L * t * t * (3 - 2 * t);
    }
    const auto p = [&](double x) { return m.ywork * area(m, x) * x * x; };
    const auto w = [&](double x) { return area(m, x) * x * x; };
    const auto n = static_cast<Eigen::Index>(cells);
    Eigen::VectorXd k(n);  // conductances of the cells below nodes 1..cells
    Eigen::VectorXd mass(n);
    for (Eigen::Index i = 1; i <= n; ++i) {
        const auto j       = static_cast<std::size_t>(i);
        const double h     = r[j] - r[j - 1];
        k(i - 1)           = p((r[j] + r[j - 1]) / 2) / h;
        const double above = i == n ? 0.0 : r[j + 1] - r[j];
        mass(i - 1)        = w(r[j]) * (h + above) / 2;
    }
    mass(n - 1) += top_mass(b) * m.rapex * m.rapex;
    Eigen::VectorXd x = Eigen::VectorXd::Ones(n);
    double lambda2    = 0;
    for (int step = 0; step < 200; ++step) {
        // K^-1 (mass x): the flux through each cell is the load above it,
        // and the nodes' values the sums of flux / conductance below them.
        Eigen::VectorXd load = mass.cwiseProduct(x);
        double flux          = 0;
        for (Eigen::Index i = n - 1; i >= 0; --i) {
            flux += load(i);
            load(i) = flux / k(i);
        }
        for (Eigen::Index i = 1; i < n; ++i) {
            load(i) += load(i - 1);
        }
        x = load;
        x /= x(n - 1);
        double top    = k(0) * x(0) * x(0);
        double bottom = 0;
        for (Eigen::Index i = 0; i < n; ++i) {
            top += i > 0 ? k(i) * (x(i) - x(i - 1)) * (x(i) - x(i - 1)) : 0.0;
            bottom += mass(i) * x(i) * x(i);
        }
        const double before = lambda2;
        lambda2             = top / bottom;
        if (std::fabs(lambda2 - before) <= 1e-15 * lambda2) {
            break;
        }
    }
    slow_mode out{lambda2, r, std::vector<double>(r.size(), 0.0)};
    for (Eigen::Index i = 0; i < n; ++i) {
        const auto j = static_cast<std::size_t>(i) + 1;
        out.Y[j]     = r[j] * x(i) / m.rapex;
    }
    return out;
}

// The shape's value at radius x, linear between the nodes.
double shape_at(const slow_mode& s, double x)
{
    const auto j = static_cast<std::size_t>(std::lower_bound(s.radii.begin(), s.radii.end(), x) -
                                            s.radii.begin());
    if (j == 0) {
        return s.Y[0];
    }
    const double t = (x - s.radii[j - 1]) / (s.radii[j] - s.radii[j - 1]);
    return s.Y[j - 1] + t * (s.Y[j] - s.Y[j - 1]);
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

// With a partner body (the lunar M5 ribbon through L1 and through L2): the
// untransformed problems with the stiffness across the line written here
// from the two bodies, GM / r^3 + GM2 / |D - s r|^3 - omega^2 in plane and
// that plus omega^2 out of it, and the cross-section from the three terms
// of the effective potential E; by finite differences on 4000 and 8000
// cells, extrapolated (second order). The in-plane and out-of-plane
// stiffnesses differ by omega^2 everywhere, the top included, so out of
// plane lambda^2 is the in-plane one plus omega^2: the program's out-of-plane
// periods are checked against the differences of their own problem.
TEST(Modes, WithAPartnerAgreeWithFiniteDifferences)
{
    const double GM  = 4902.800066;
    const double GM2 = 398600.4418;
    const double D   = 384400;
    const double w2  = (GM + GM2) / (D * D * D);
    const double b   = D * GM2 / (GM + GM2);
    for (const double side : {1.0, -1.0}) {
        design d;
        d.planet          = *tether::planet_named(side > 0 ? "moon-l1" : "moon-l2");
        d.tether.strength = 5.7;
        d.tether.density  = 1700;
        d.tether.safety   = 2;
        d.tether.rapex    = 150000;
        d.tether.csgeo    = 3.4466;
        ASSERT_FALSE(tether::check(d));
        const built t = build(d);
        const auto E  = [&](double r) {
            return -GM / r - GM2 / std::fabs(D - side * r) -
                   w2 * (r - side * b) * (r - side * b) / 2;
        };
        const auto k = [&](double r) {
            const double u = std::fabs(D - side * r);
            return GM / (r * r * r) + GM2 / (u * u * u) - w2;
        };
        const double ywork = 5.7 / 2 * 1000 / 1700;
        const auto A       = [&](double r) { return std::exp((E(r) - E(t.m.rgeo)) / ywork); };
        const modes r      = tether::compute_modes(t.m, t.p, 4);
        ASSERT_FALSE(r.missed) << r.missed.why;
        for (const bool out : {false, true}) {
            const std::vector<double> coarse = finite_differences(t, 4000, out, 4, k, A);
            const std::vector<double> fine   = finite_differences(t, 8000, out, 4, k, A);
            for (unsigned j = 0; j < 4; ++j) {
                const double l2 = (4 * fine[j] - coarse[j]) / 3;
                EXPECT_NEAR(hours_of(l2) / (out ? r.out_of_plane[j] : r.in_plane[j]), 1, 1e-6)
                    << "side " << side << (out ? ", out of plane" : ", in plane") << ", mode "
                    << j + 1;
            }
        }
        // The pendulum is slow beside the next mode.
        EXPECT_GT(r.in_plane[0], 3 * r.in_plane[1]);
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

namespace {

design with(double strength, double safety)
{
    design d;
    d.tether.strength = strength;
    d.tether.safety   = safety;
    return d;
}

design jupiter_like()
{
    design d;
    d.planet.GM    = 126686534;
    d.planet.RE    = 71492;
    d.planet.tsid  = 35730;
    d.tether.rapex = 500000;
    return d;
}

// The slowest mode's period and shape against inverse iteration, for
// tethers from the study's to ones that taper by 10^31 (safety 40) and a
// Jupiter-like planet. The extrapolated lambda^2 of 16000 cells agrees with
// 8000 cells' to 1e-5 and with the program to 3e-11: the period is checked
// to 1e-8 of itself, the shape (linear between nodes 110 km apart at most)
// to 1e-6 of its largest size.
TEST(Modes, TheSlowestAgreesWithInverseIteration)
{
    std::vector<std::pair<std::string, design>> designs;
    for (double strength : {1.0, 1.5, 2.0, 3.0, 4.0, 5.0, 7.0, 35.1}) {
        designs.emplace_back("strength " + std::to_string(strength), with(strength, 1));
    }
    for (double safety : {3.0, 5.0, 8.0, 20.0, 40.0}) {
        designs.emplace_back("safety " + std::to_string(safety), with(35.1, safety));
    }
    designs.emplace_back("Jupiter-like", jupiter_like());
    for (const auto& [name, d] : designs) {
        ASSERT_FALSE(tether::check(d)) << name;
        const built b        = build(d);
        const modes r        = tether::compute_modes(b.m, b.p, 1);
        const slow_mode fine = inverse_iteration(b, 16000);
        const slow_mode half = inverse_iteration(b, 8000);
        const double lambda2 = (4 * fine.lambda2 - half.lambda2) / 3;
        ASSERT_FALSE(r.missed) << name;
        EXPECT_LE(r.error[0], 1e-6) << name;
        EXPECT_NEAR(r.in_plane[0] / hours_of(lambda2), 1, 1e-8) << name;
        const double L = b.m.rapex - b.m.RE;
        std::vector<double> at;
        for (int i = 1; i <= 40; ++i) {
            at.push_back(L * i / 40);
        }
        const auto shapes = tether::mode_shapes(b.m, b.p, r, at);
        for (std::size_t i = 0; i < at.size(); ++i) {
            EXPECT_NEAR(shapes[0][i], shape_at(fine, b.m.RE + at[i]), 1e-6)
                << name << " at " << at[i] << " km";
        }
    }
}

// Where the tether tapers by more than binary64 can hold in the slowest
// mode's equation (its cross-section 10^250 from the top to GEO), no period
// is given: each is NaN and the modes are marked missed.
TEST(Modes, BeyondReachEveryPeriodIsNaNAndMissed)
{
    for (double strength : {0.5, 0.2}) {
        const built b = build(with(strength, 1));
        const modes r = tether::compute_modes(b.m, b.p, 3);
        EXPECT_TRUE(r.missed) << strength;
        EXPECT_FALSE(r.unstable) << strength;
        EXPECT_EQ(tether::first_missed(r), 1U) << strength;
        for (unsigned k = 0; k < 3; ++k) {
            EXPECT_TRUE(std::isnan(r.in_plane[k])) << strength << " mode " << k + 1;
            EXPECT_TRUE(std::isnan(r.out_of_plane[k])) << strength << " mode " << k + 1;
        }
        const auto shapes = tether::mode_shapes(b.m, b.p, r, {1000.0});
        EXPECT_TRUE(std::isnan(shapes[0][0])) << strength;
    }
}

// Each period's error estimate is at least half its error against a solve
// at 1e-13, at loose tolerances too, for the first five modes of tethers
// strong and weak.
TEST(Modes, ErrorEstimatesAreNotLow)
{
    for (const design& d : {design{}, with(3, 1), with(35.1, 20), jupiter_like()}) {
        const built b = build(d);
        tether::mode_settings sharp;
        sharp.tolerance   = 1e-13;
        const modes exact = tether::compute_modes(b.m, b.p, 5, sharp);
        ASSERT_FALSE(exact.missed);
        for (double tolerance : {1e-6, 1e-7, 1e-8, 1e-9, 1e-10}) {
            tether::mode_settings loose;
            loose.tolerance = tolerance;
            loose.accuracy  = 1;
            const modes r   = tether::compute_modes(b.m, b.p, 5, loose);
            for (unsigned k = 0; k < 5; ++k) {
                const double actual = std::fabs(r.in_plane[k] / exact.in_plane[k] - 1);
                EXPECT_GE(r.error[k], actual / 2) << d.tether.strength << "/" << d.tether.safety
                                                  << " at " << tolerance << ", mode " << k + 1;
            }
        }
    }
}

// A run's stop, once set, ends the modes at once: marked stopped, no period.
TEST(Modes, TheRunsStopEndsThem)
{
    const built b = build(design{});
    std::atomic<int> stop{2};
    const modes r = tether::compute_modes(b.m, b.p, 100, {}, &stop);
    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(std::isnan(r.in_plane[0]));
    EXPECT_TRUE(std::isnan(r.in_plane[99]));
    const modes found = tether::compute_modes(b.m, b.p, 3);
    ASSERT_FALSE(found.stopped);
    const auto shapes = tether::mode_shapes(b.m, b.p, found, {1000.0, 2000.0}, {}, &stop);
    ASSERT_EQ(shapes.size(), 3U);
    EXPECT_TRUE(std::isnan(shapes[0][0]));
    EXPECT_TRUE(std::isnan(shapes[2][1]));
}

// Given only points high on the tether, each shape is still positive at the
// lowest of them, though beyond a node of its own.
TEST(Modes, ShapesArePositiveAtTheLowestPointGiven)
{
    const built b  = build(design{});
    const double L = b.m.rapex - b.m.RE;
    const auto all = tether::mode_shapes(b.m, b.p, 6, {0.6 * L, 0.8 * L, L});
    int negative   = 0;
    for (unsigned k = 0; k < 6; ++k) {
        EXPECT_GT(all[k][0], 0.0) << "mode " << k + 1;
        // The same shape seen with a point near the foot: its sign there.
        const auto near = tether::mode_shapes(b.m, b.p, k + 1, {1.0, 0.6 * L});
        negative += near[k][1] < 0 ? 1 : 0;
    }
    EXPECT_GT(negative, 0);  // some shape turned over to be shown positive
}

}  // namespace
