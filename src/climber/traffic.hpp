// The elevator as a transport system: several climbers on the tether at
// once, how often one may leave the foot, and what it delivers in a year.
//
// The tether hangs in equilibrium with its counterweight: the tension at
// radius r balances everything above r,
//   T(r) = T0(r) + sum over climbers at or above r of m F(r_i),
// where T0 is the tether's own tension (the working stress times its
// cross-section) and F(r) = omega^2 r - GM / r^2 the net outward
// acceleration, negative below GEO. A climber below GEO lowers the tension
// below it and leaves it unchanged above, so it never raises the tether's
// stress; it takes its weight from the pull at the foot, which stays taut
// while
//   anchor + sum_i m |F(r_i)|  <=  T0(RE) = working stress x cs_re.
// Assumed: a rigid tether whose counterweight stays put; each climber
// driven as if alone, as the design's drive drives it; held climbers spaced
// from the foot up to GEO; a stream's climbers leaving the tether at the top
// of the march.
//
// Definitions
//   load_capacity   T0(RE), the pull at the foot with no climber on, kN
//   peak_load       anchor plus the largest sum of m |F(r)| the traffic puts
//                   on the tether, kN
//   load_share      peak_load / load_capacity; above 1 the foot would lift
//   min_interval    the shortest departure interval whose stream has a
//                   load_share of at most 1, h
//   on_tether       the most climbers on the tether at once in a stream at
//                   min_interval
//   max_throughput  payload x 8766 / min_interval (a year of 365.25 days), t/yr
//   throughput      the same at the design's interval, t/yr
//
// Units: a mass in kg times an acceleration in km/s^2 is a force in kN.
#pragma once

#include "climber/integral.hpp"
#include "climber/profile.hpp"
#include "climber/study.hpp"
#include "tether/design.hpp"

#include <array>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace climber {

// The design's traffic: climbers held, or a stream's interval; the
// anchor's pull; each climber's payload (tether::schedule).
using traffic_settings = tether::schedule;

// The most climbers held, or on the tether at once in a stream.
inline constexpr double most_climbers = 1e6;
// A load share above 1 by at most this is within the figures' accuracy: a
// design sized by goal seek for a share of 1 sits on it. Such a foot holds.
inline constexpr double share_tolerance = 1e-9;

// The first reason why traffic settings cannot be computed for a design
// that passes check (the climber's part), naming the parameter. Where a
// stream is asked for, its climb time is worked out (by the integrals) to
// count the climbers on the tether at once.
std::optional<tether::problem> check_traffic(const traffic_settings& t, const tether::design& d);

struct traffic {
    double load_capacity;   // kN
    double peak_load;       // kN
    double load_share;      // 1
    double min_interval;    // h
    double on_tether;       // climbers
    double max_throughput;  // t/yr
    double throughput;      // t/yr; NaN without a stream
    double climb_time;      // h, from the foot to the top of the march
    tether::miss missed;    // a figure is NaN, and why, in words
    // Why no departure interval fits, where even one climber at the foot
    // (with the anchor) exceeds the load capacity: an answer, not a miss.
    std::string none_fits;
    // Where load_share exceeds 1, what can keep the foot down.
    std::string remedy;
};

// The traffic's figures where not computed (the march's method).
traffic no_traffic();

// Adds to the notes so far where the traffic's peak load exceeds the load
// capacity, unless they already say that the foot cannot lift one climber.
void traffic_notes(const traffic& t, std::vector<note>& out);

// The traffic figures of a design that passes check and whose settings
// pass check_traffic, with its study (by either method: the figures take
// only the model, the positions, the drive and the top of the march from
// it).
traffic compute_traffic(const tether::design& d, const study& s, const traffic_settings& t,
                        const climb_profile& climb);
// Without departures, min_interval, on_tether and max_throughput are left
// NaN: the search for the shortest interval is most of the cost.
traffic compute_traffic(const tether::design& d, const study& s, const traffic_settings& t,
                        const integral_settings& is = {}, bool departures = true);

// The tension along the tether at one altitude, at the traffic's worst
// moment (the held climbers; a stream's departure; else one climber at
// the foot).
struct load_row {
    double alt;      // km
    double t0;       // the tether's own tension, kN
    double tension;  // with the climbers at or above alt, kN
    double share;    // tension / t0
};
std::vector<load_row> load_rows(const tether::design& d, const study& s, const traffic_settings& t,
                                const climb_profile& climb, const std::vector<double>& altitudes);

}  // namespace climber
