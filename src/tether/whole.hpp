// The whole tether, from its foot to its top end, and where a payload let go
// from it goes.
//
// Definitions
//   lower_mass    the tether's mass from the foot (RE) to GEO, t
//   upper_mass    the tether's mass from GEO to the top end (rapex), t
//   system_mass   lower_mass + upper_mass + the counterweight mapex, t
//   orbit_alt     the lowest altitude from which a payload let go (with the
//                 tether's speed, omega r, at right angles to it) goes into
//                 an orbit whose lowest point clears the surface, km
//   escape_alt    the lowest altitude from which a payload let go escapes
//                 the planet, km (it may lie above the top end)
//   apex_speed    a payload's speed when let go at the top end, km/s
//   apex_vinf     the speed it keeps far from the planet, km/s; NaN where it
//                 stays bound (an answer, not a failure)
//   uniform_yuri  the specific strength a tether of one cross-section needs
//                 to hang from GEO to the surface, MJ/kg
//   uniform_top   the altitude of the top of a free-standing tether of one
//                 cross-section with no counterweight, km; NaN where it would
//                 lie inside the partner body (top_in_partner says how deep)
//
// The masses follow the material: the linear density is density times the
// cross-section, csgeo times the taper relative to GEO, at the working
// stress; rhog plays no part.
#pragma once

#include "tether/design.hpp"
#include "tether/miss.hpp"
#include "tether/model.hpp"
#include "tether/positions.hpp"

#include <string>

namespace tether {

struct whole_tether {
    double lower_mass;      // t
    double upper_mass;      // t
    double system_mass;     // t
    double orbit_alt;       // km
    double escape_alt;      // km
    double apex_speed;      // km/s
    double apex_vinf;       // km/s, NaN where bound
    double uniform_yuri;    // MJ/kg
    double uniform_top;     // km
    double top_in_partner;  // km below the partner's surface where uniform_top would lie; NaN: not
    miss missed;            // a mass's error estimate exceeded the tolerance: the masses are NaN
};

// For a design that passes check. The masses are integrals whose error
// estimate must be at most tolerance of their value; the altitudes are
// roots found to tolerance of their value.
whole_tether compute_whole(const design& d, const model& m, const positions& p,
                           double tolerance = 1e-12);

// The tether's linear density at radius r (km), t/km (= kg/m): density
// times the cross-section there at the working stress.
double linear_density(const design& d, const model& m, double r);

}  // namespace tether
