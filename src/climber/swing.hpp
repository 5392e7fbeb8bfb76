// The swing a climb sets off: the tether's sideways motion in the plane of
// the equator while a climber rises, what is left when it stops at the top
// of its climb, and the steady swing of a stream of climbers. Linear, in the
// frame turning with the planet (or with the pair, where there is a
// partner); docs/swing.md gives the model and what it leaves out.
//
// The eastward displacement u(r, t) obeys the equation of the in-plane
// modes (tether/modes.hpp) forced by the climber's Coriolis push
// F(t) = -2 m omega v(t) at its radius r_c(t):
//   mu u_tt = (P u_r)_r - mu k(r) u + F(t) delta(r - r_c(t)),
// with the counterweight M at the top. With the first N modes Y_n,
// mass-normalised (int mu Y_n^2 dr + M Y_n(rapex)^2 = 1), each modal
// coordinate obeys
//   q_n'' + 2 zeta Omega_n q_n' + Omega_n^2 q_n = Y_n(r_c(t)) F(t),
// integrated exactly on a forcing linear between the climb's steps, and
// the displacement is taken in the mode-acceleration form
//   u = F G(r, r_c) + sum_n Y_n(r) (q_n - Y_n(r_c) F / Omega_n^2),
// G the static Green's function of the same operator, from two of its
// solutions (with no partner: a quadrature). After the climber stops
// (F = 0) the swing is the N modes' free motion.
//
// Definitions
//   swing_top, swing_geo  the largest |u| at the top end and at the balance
//                         point (GEO, L1 or L2) from departure to arrival at
//                         the top of the climb, km
//   swing_left_top, swing_left_geo
//                         the slowest mode's amplitude left there at arrival,
//                         sqrt(q1^2 + ((q1' + zeta Omega_1 q1) / Omega_d)^2)
//                         |Y_1|, Omega_d = Omega_1 sqrt(1 - zeta^2), km
//   swing_stream          the largest |u| at the top end in the steady state
//                         of a stream, one identical climb every interval
//                         (each parks at the top of its climb), km; only with
//                         a stream and damping above 0
#pragma once

#include "climber/integral.hpp"
#include "climber/study.hpp"
#include "tether/design.hpp"
#include "tether/miss.hpp"
#include "tether/modes.hpp"

#include <atomic>
#include <limits>
#include <vector>

namespace climber {

// The rows after arrival: one slowest period in this many equal steps.
inline constexpr unsigned rows_after_arrival = 100;

struct swing_settings {
    unsigned modes      = 8;     // the modes summed beside the static Green's function
    unsigned most_modes = 16;    // and where their error estimate is above aim
    unsigned steps      = 256;   // exact steps along the climb (an even number)
    double aim          = 1e-3;  // the relative error estimate aimed at
    double accuracy     = 3e-3;  // relative error estimate above which a figure is NaN
    bool stream         = true;  // swing_stream too
    // The modes' own: their periods to some 1e-10, far below the swing's
    // accuracy, at two thirds of the cost of the default tolerance.
    tether::mode_settings mode_by = {1e-9, 1e-6};
};

struct swing {
    double top      = std::numeric_limits<double>::quiet_NaN();  // km
    double geo      = std::numeric_limits<double>::quiet_NaN();  // km
    double left_top = std::numeric_limits<double>::quiet_NaN();  // km
    double left_geo = std::numeric_limits<double>::quiet_NaN();  // km
    double stream   = std::numeric_limits<double>::quiet_NaN();  // km
    double error    = std::numeric_limits<double>::quiet_NaN();  // relative, estimated
    unsigned modes  = 0;  // the modes summed (the rows after arrival are their free swing)
    // What the notes read: whether computed, swing_stream asked for, a stream
    // set (interval) and damped, and the mode nearest to ringing: its
    // number (1 the slowest), its period (h) and the interval over it.
    bool computed         = false;
    bool asked            = false;  // swing_stream
    bool streaming        = false;
    bool damped           = false;
    unsigned nearest      = 0;
    double nearest_period = std::numeric_limits<double>::quiet_NaN();
    double nearest_ratio  = std::numeric_limits<double>::quiet_NaN();
    tether::miss missed;
};

// One moment of the swing: the time since departure (h), the climber's
// altitude (km), the displacement eastward of the top end and of the
// balance point (km).
struct swing_row {
    double time;
    double alt;
    double top;
    double geo;
};

// The swing of a design that passes check, with its study by the integral
// method (model, positions, drive, top of the march): none (every figure
// NaN, not missed) where the foot cannot lift the climber.
swing compute_swing(const tether::design& d, const study& s, const swing_settings& set = {},
                    const integral_settings& is = {}, const std::atomic<int>* stop = nullptr);

// The same figures with the swing over time: rows at the altitudes given
// (ascending, within [0, ztop]; the time theirs along the climb), then at
// arrival, then every hundredth of the slowest period for one slowest
// period after it. No rows where the figures are not computed or missed.
swing compute_swing(const tether::design& d, const study& s, const std::vector<double>& altitudes,
                    std::vector<swing_row>& rows, const swing_settings& set = {},
                    const integral_settings& is = {}, const std::atomic<int>* stop = nullptr);

// Adds the notes on the figures where computed: no stream, or an undamped
// one (and the mode nearest to ringing).
void swing_notes(const swing& s, std::vector<note>& out);

}  // namespace climber
