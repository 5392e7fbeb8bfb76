// The swing a climb sets off, solved anew for the tests: the untransformed
// problem mu Y_tt = (P Y')' - mu k Y + F delta(r - r_c) by finite
// differences (lumped masses, equal cells, the counterweight at the last
// node, the point force shared by the two nodes about it), its first modes
// by Eigen's eigenvalues of the symmetric tridiagonal form and inverse
// iteration, the static part by a tridiagonal solve, and each modal
// coordinate carried through steps of equal time in the complex variable
// eta = q' - conj(s) q, eta' = s eta + g, integrated in closed form.
// Units kg, km, s; forces kN.
#pragma once

#include "climber/figures.hpp"
#include "climber/profile.hpp"
#include "tether/field.hpp"
#include "tether/positions.hpp"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <complex>
#include <utility>
#include <vector>

namespace reference {

using complex = std::complex<double>;

struct swing_solution {
    static constexpr int cells        = 6000;
    static constexpr std::size_t kept = 40;  // modes carried in time
    const tether::design d;
    tether::model m     = tether::compute_model(d);
    tether::positions p = tether::compute_positions(d, m);
    climber::study s    = climber::compute_study_integral(d);
    climber::climb_profile climb{m, s.drive, s.plan.ztop};
    double h = (m.rapex - m.RE) / cells;
    Eigen::VectorXd mass, diag, off;       // B and K (K symmetric, tridiagonal)
    std::vector<double> lambda2;           // the kept modes' Omega^2
    std::vector<Eigen::VectorXd> shape;    // mass-normalised, at nodes 1..cells
    Eigen::VectorXd green_top, green_geo;  // K^-1 at the top node and at GEO

    explicit swing_solution(const tether::design& given)
        : d(given), mass(cells), diag(cells), off(cells)
    {
        const double mu = d.tether.density * d.tether.csgeo * 1e-3;  // kg/km at GEO
        const auto a    = [&](double r) { return tether::taper(m, r) * m.taper_re; };
        for (int i = 0; i < cells; ++i) {
            const double r  = m.RE + (i + 1) * h;
            const bool last = i + 1 == cells;
            off(i)          = last ? 0.0 : -mu * m.ywork * a(r + h / 2) / h;
            mass(i)         = (last ? h / 2 : h) * mu * a(r) + (last ? p.mapex * 1000 : 0.0);
            diag(i)         = mu * m.ywork * a(r - h / 2) / h - off(i) +
                      tether::across_in_plane(m.fld, r) * mass(i);
        }
        const Eigen::VectorXd ss = off.head(cells - 1).cwiseQuotient(
            mass.head(cells - 1).cwiseProduct(mass.tail(cells - 1)).cwiseSqrt());
        Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> es;
        es.computeFromTridiagonal(diag.cwiseQuotient(mass), ss, Eigen::EigenvaluesOnly);
        for (std::size_t n = 0; n < kept; ++n) {  // inverse iteration on K - l2 (1 - 1e-9) B
            Eigen::VectorXd x = Eigen::VectorXd::Ones(cells);
            for (int it = 0; it < 4; ++it) {
                x = solve(mass.cwiseProduct(x),
                          es.eigenvalues()(static_cast<Eigen::Index>(n)) * (1 - 1e-9));
                x /= std::sqrt(x.dot(mass.cwiseProduct(x)));
            }
            lambda2.push_back(es.eigenvalues()(static_cast<Eigen::Index>(n)));
            shape.push_back(x);
        }
        Eigen::VectorXd e = Eigen::VectorXd::Zero(cells);
        e(cells - 1)      = 1;
        green_top         = solve(e, 0);
        e(cells - 1)      = 0;
        const auto [i, w] = cell(m.rgeo);
        e(i - 1)          = 1 - w;
        e(i)              = w;
        green_geo         = solve(e, 0);
    }

    // (K - shift B) x = b by Thomas' algorithm.
    Eigen::VectorXd solve(Eigen::VectorXd b, double shift) const
    {
        Eigen::VectorXd dd = diag - shift * mass;
        Eigen::VectorXd x(cells);
        for (int i = 1; i < cells; ++i) {
            const double w = off(i - 1) / dd(i - 1);
            dd(i) -= w * off(i - 1);
            b(i) -= w * b(i - 1);
        }
        for (int i = cells - 1; i >= 0; --i) {
            x(i) = (b(i) - (i + 1 < cells ? off(i) * x(i + 1) : 0.0)) / dd(i);
        }
        return x;
    }
    // The cell holding radius r (its upper node, 0 the first above the
    // foot), and r's share of the way up it.
    std::pair<int, double> cell(double r) const
    {
        const double x = (r - m.RE) / h;
        const int i    = std::min(static_cast<int>(x), cells - 1);
        return {i, x - i};
    }
    double at(const Eigen::VectorXd& v, double r) const
    {
        const auto [i, w] = cell(r);
        return (i >= 1 ? v[i - 1] * (1 - w) : 0.0) + v[i] * w;
    }
    double force(double z) const  // kN
    {
        return -2 * s.drive.mclimb * m.omega *
               std::fmin(climber::uncapped_speed(m, s.drive, z), s.drive.vmax) / 1000;
    }

    // The climb walked in equal steps of about dt (s): the times (h), the
    // displacements at the top end and at GEO (force on), and each mode's
    // eta at arrival, with its exponent s = -zeta Omega + i Omega_d.
    std::vector<double> time, top, geo;
    std::vector<complex> eta = std::vector<complex>(kept);
    double arrival           = climb.climb_time() * 3600;  // s
    complex rate(std::size_t n) const
    {
        const double w = std::sqrt(lambda2[n]);
        const double z = d.tether.damping;
        return {-z * w, w * std::sqrt(1 - z * z)};
    }
    void walk(double dt)
    {
        std::vector<double> g0(kept, 0.0);
        for (int k = 0; k <= static_cast<int>(std::ceil(arrival / dt)); ++k) {
            const double t  = std::fmin(k * dt, arrival);
            const double st = t - std::fmin(std::max(k - 1, 0) * dt, arrival);
            const double z  = climb.altitude_at(std::fmin(t, arrival * (1 - 1e-15)) / 3600);
            const double f  = force(z);
            time.push_back(t / 3600);
            top.push_back(f * at(green_top, m.RE + z));
            geo.push_back(f * at(green_geo, m.RE + z));
            for (std::size_t n = 0; n < kept; ++n) {
                const double g1 = at(shape[n], m.RE + z) * f;
                const complex r = rate(n);
                const complex e = std::exp(r * st);
                if (k > 0) {
                    eta[n] = e * eta[n] + g0[n] * (e - 1.0) / r +
                             (g1 - g0[n]) / st * ((e - 1.0) / (r * r) - st / r);
                }
                g0[n]          = g1;
                const double q = eta[n].imag() / r.imag() - g1 / lambda2[n];
                top.back() += shape[n][cells - 1] * q;
                geo.back() += at(shape[n], m.rgeo) * q;
            }
        }
    }
    // After arrival by tau s, the first count modes' free motion at the top
    // end (0) or GEO (1).
    double after(double tau, int where, std::size_t count = kept) const
    {
        double u = 0;
        for (std::size_t n = 0; n < count; ++n) {
            const double q = (std::exp(rate(n) * tau) * eta[n]).imag() / rate(n).imag();
            u += (where == 0 ? shape[n][cells - 1] : at(shape[n], m.rgeo)) * q;
        }
        return u;
    }
    // The slowest mode's amplitude left at arrival, times |Y_1| at the top
    // end (0) or GEO (1): |eta| / Omega_d is the amplitude of q.
    double left(int where) const
    {
        return std::abs(eta[0]) / rate(0).imag() *
               std::fabs(where == 0 ? shape[0][cells - 1] : at(shape[0], m.rgeo));
    }
    // The largest |u| at the top end in a stream's steady state, walked with
    // dt a whole fraction of the interval (s), the parked climbs' free
    // motions summed directly until they have died away.
    double stream(double interval, int per) const
    {
        double most = 0;
        for (int i = 0; i < per; ++i) {
            double u = 0;
            double t = i * (interval / per);
            for (int k = 0; t < arrival; ++k, t += interval) {
                u += top[static_cast<std::size_t>(i) +
                         static_cast<std::size_t>(k) * static_cast<std::size_t>(per)];
            }
            for (; std::exp(rate(0).real() * (t - arrival)) > 1e-14; t += interval) {
                u += after(t - arrival, 0);
            }
            most = std::fmax(most, std::fabs(u));
        }
        return most;
    }
};

}  // namespace reference
