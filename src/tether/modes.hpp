// Small sideways oscillations of the tether about its vertical equilibrium,
// in the frame turning with the planet: the tether a taut string anchored at
// its foot, with the counterweight as a point mass at its top.
//
// Definitions
//   P(r)     the working tension, working stress times the cross-section, N
//   mu(r)    the linear density, density times the cross-section, kg/m
//   c        sqrt(P / mu), the same everywhere on a constant-stress tether:
//            the speed of sideways waves, sqrt(ywork) km/s
//   F(r)     omega^2 r - GM / r^2, the net outward acceleration
//   M        the counterweight mapex, which the tension holds: M F(rapex) = P(rapex)
//   lambda   a mode's angular frequency, rad/s; its period is 2 pi / lambda
//
// In plane     mu y_tt = (P y_r)_r + mu (F / r) y,
// out of plane mu z_tt = (P z_r)_r + mu (F / r - omega^2) z,
// with y = 0 at the foot and M y_tt = -P y_r + M (F / rapex) y at the top
// (out of plane with F / rapex - omega^2). Out of plane every mode has the
// in-plane shape and lambda^2 + omega^2, the top's mass included.
//
// How: Y = r phi turns the in-plane problem into -(P r^2 phi')' = lambda^2
// mu r^2 phi with phi(RE) = 0 and P phi' = lambda^2 M phi at the top (the
// equilibrium dP/dr = -mu F and the balance M F(rapex) = P(rapex) cancel
// every field term: Y = r, a turn of the whole tether about the planet's
// centre, solves the static equation). The Rayleigh quotient
//   lambda^2 = int P r^2 phi'^2 dr / (int mu r^2 phi^2 dr + M rapex^2 phi(rapex)^2)
// has no difference of near-equal terms, so even a pendulum mode 10^7 times
// slower than the next is found to full accuracy, and lambda_1^2 > 0 for
// every design whose counterweight is positive. The k-th mode, k >= 2, is
// shot from the foot with the scaled Pruefer angle of phi (Boost.Odeint),
// and lambda found by TOMS 748 where the angle at the top meets the top's
// condition after k - 1 half turns. The first, the swing about the foot, by
// the Riccati variable phi / (P r^2 phi') shot from the foot to the top's
// condition: where the tether tapers steeply its Pruefer angle at the top
// lies within 1e-10 of pi/2 and loses the mode to rounding (modes.cpp).
// Each lambda's error is estimated by shooting it again at a tenth of the
// tolerance; a period whose estimate is above the accuracy is NaN.
#pragma once

#include "tether/design.hpp"
#include "tether/miss.hpp"
#include "tether/model.hpp"
#include "tether/positions.hpp"

#include <atomic>
#include <string>
#include <vector>

namespace tether {

struct mode_settings {
    double tolerance = 1e-11;  // the ODE steps' relative tolerance on the Pruefer angle, rad/rad
    double accuracy  = 1e-6;   // relative error a period may have before it is missed
};

struct modes {
    std::vector<double> in_plane;      // periods in plane, h; NaN where missed or unstable
    std::vector<double> out_of_plane;  // periods out of plane, h; NaN where missed or unstable
    std::vector<double> lambda2_in;    // squared angular frequencies in plane, 1/s^2
    std::vector<double> lambda2_out;   // squared angular frequencies out of plane, 1/s^2
    std::vector<double> error;         // each in-plane period's estimated relative error
    bool unstable = false;             // lambda_1^2 <= 0: the tether would not swing back
    bool stopped  = false;             // the run's stop was set: the periods mean nothing
    // Periods NaN because some did not reach the accuracy or the tether is
    // unstable, and why, from the settings.
    miss missed;
};

// The first mode whose period missed its accuracy (1 the slowest), or 0.
unsigned first_missed(const modes& found);

// With a partner body (partner_GM > 0) the restoring terms across the line
// are GM / r^3 + GM2 / |D - s r|^3 - omega^2 in the orbit's plane and
// GM / r^3 + GM2 / |D - s r|^3 out of it (field.hpp); with no partner they
// are -F / r and -F / r + omega^2, the terms above. They still differ by
// omega^2 everywhere, so out of plane a mode is the in-plane one with
// lambda^2 + omega^2. Y = r phi no longer cancels them: a tide
// GM2 (1 / u^3 + (D + u) / (u^2 D^2)), u = |D - s r|, stays in the equation
// of phi and in the top's condition (lambda^2 less the tide there), and
// every mode, the pendulum too, is shot by the Pruefer angle (a lunar
// tether tapers mildly: the top's angle lies far from a half turn).
//
// The first n modes of a design that passes check. A counterweight that is
// not positive (the top a rounding above GEO) leaves lambda_1^2 <= 0: then
// unstable is set and every period is NaN. Ends early, marked stopped, once
// *stop (a run's stop request, as the march's) is set.
modes compute_modes(const model& m, const positions& p, unsigned n,
                    const mode_settings& settings = {}, const std::atomic<int>* stop = nullptr);

// The in-plane shapes Y of the modes found, at the given altitudes above RE
// (km, any order): shapes[k][i] is mode k + 1 at altitudes[i]. Each is
// scaled to a largest |Y| of 1 over the points and signed so that its value
// at the lowest point above the foot is positive; NaN at altitudes outside
// the tether, and every value NaN for a mode that was missed or unstable,
// and for all once *stop is set.
std::vector<std::vector<double>> mode_shapes(const model& m, const positions& p, const modes& found,
                                             const std::vector<double>& altitudes,
                                             const mode_settings& settings = {},
                                             const std::atomic<int>* stop  = nullptr);

// The first n modes' shapes, computing the modes first.
std::vector<std::vector<double>> mode_shapes(const model& m, const positions& p, unsigned n,
                                             const std::vector<double>& altitudes,
                                             const mode_settings& settings = {},
                                             const std::atomic<int>* stop  = nullptr);

}  // namespace tether
