// The march's two sums as the integrals they approximate: the tether's mass
// and the climber's travel time from the surface to the top of the march,
// by adaptive Gauss-Kronrod quadrature, with the altitudes where the top
// speed starts or stops capping the speed found with a guarantee: bounds of
// the speed and of its slope over pieces of the climb, from the monotone
// factors of its formula, and a bracketing root finder where a piece holds
// exactly one crossing.
//
// Definitions
//   total    integral of rhog * taper(RE + z) dz over [0, ztop], t
//   time     integral of (1000 / 3600) / min(speed(z), vmax) dz over [0, ztop], h,
//            where speed(z) is the uncapped speed, power / weight
//   cap_alt  the lowest altitude where the uncapped speed exceeds vmax, km
#pragma once

#include "climber/drive.hpp"
#include "climber/march.hpp"
#include "tether/miss.hpp"
#include "tether/model.hpp"

#include <optional>
#include <string>
#include <vector>

namespace climber {

struct integral_settings {
    unsigned max_depth  = 60;     // halvings of a panel, at most
    unsigned max_panels = 2000;   // panels of a piece, at most
    double tolerance    = 1e-12;  // the largest error estimate allowed, relative to the value
    // The search for the altitudes where the cap starts or stops splits
    // [0, ztop] into pieces until, on each, the uncapped speed is proven
    // above vmax, below it, or monotone (then a root finder places its one
    // crossing). Beyond this many pieces it gives up: time and cap_alt are
    // NaN and time is named missed. Random designs need at most about 60
    // pieces, a speed that just touches vmax about 400; the limit keeps a
    // design's search under about 100 microseconds.
    unsigned max_pieces = 2000;
    // A piece this narrow (km) whose speed still cannot be told from vmax
    // (a speed that only touches the top speed) is not split further: its
    // share of the time is taken between its bounds, and the gap between
    // them counts in time's error estimate.
    double min_width = 1e-7;
};

// The integrals, with the march's field names. A figure whose error
// estimate exceeds the tolerance is NaN (and missed says why, from the
// tolerance); so are time and cap_alt when the search for the cap's
// changes reaches max_pieces.
struct integral_sums {
    march_sums sums;  // time, total and cap_alt
    tether::miss missed;
};

integral_sums integrate(const tether::model& m, const drive_params& d, double ztop,
                        const integral_settings& s = {});

// The climb from 0 to ztop cut where the top speed starts or stops capping
// the speed, as the time integral cuts it, for following a climber along
// it: end to end, in order. The narrow pieces where the speed cannot be
// told from vmax count as capped. None where the search for the cap's
// changes reached its limit of pieces.
struct climb_stretch {
    double a;      // from this altitude, km
    double b;      // to this one, km
    bool capped;   // at vmax throughout; else at the uncapped speed
    double scale;  // uncapped: the length over which 1 / speed changes by about e above a, km
};
std::optional<std::vector<climb_stretch>> climb_stretches(const tether::model& m,
                                                          const drive_params& d, double ztop,
                                                          const integral_settings& s = {});
// The uncapped speed at altitude z (km) as the time integral evaluates it,
// power / weight, m/s.
double uncapped_speed(const tether::model& m, const drive_params& d, double z);

}  // namespace climber
