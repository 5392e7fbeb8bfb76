// The planet and the constant-stress tether.
//
// Definitions
//   RE      equatorial radius: the tether's foot, position RE
//   GEO     the geostationary radius rgeo, where effective gravity is zero;
//           with a partner body the balance point L1 or L2 (field.hpp), which
//           takes GEO's place in every figure
//   APEX    the tether's top end, at radius rapex
//   effpot  effective potential GM/r + omega^2 r^2 / 2: the negative of the
//           rotating-frame potential energy per unit mass (with a partner,
//           its terms too: -E(r) of field.hpp)
//   yuri    specific strength; 1 MYuri = 1 MJ/kg = 1 km^2/s^2
//   taper   cross-section relative to a reference cross-section
//
// Units: radii in km, potentials and energies in MJ/kg (= km^2/s^2),
// accelerations computed in km/s^2.
//
// Every value is binary64 and the operation order of each formula is part
// of the result: the derived values below are tested bit for bit.
#pragma once

#include "tether/design.hpp"
#include "tether/field.hpp"
#include "tether/pmath.hpp"

#include <string>

namespace tether {

inline constexpr double PI    = 3.141592653589793;   // binary64 nearest pi
inline constexpr double third = 0.3333333333333333;  // binary64 nearest 1/3, cube-root exponent

// Values derived from a design, computed once.
struct model {
    double GM;      // gravitational parameter, km^3/s^2
    double RE;      // equatorial radius, km
    double rapex;   // radius of the top end, km
    double yuri;    // specific strength of the material, MJ/kg
    double ywork;   // working specific strength (at strength / safety), MJ/kg: the taper's scale
    double omega;   // the planet's rotation rate, rad/s
    double omega2;  // omega squared, 1/s^2
    tether::field fld;  // the field along the tether, the partner's pull with it
    double rgeo;        // geostationary radius (with a partner: the balance point's), km
    double vre;         // effective potential at RE, MJ/kg
    double vgeo;        // effective potential at GEO, MJ/kg
    double vapex;       // effective potential at APEX, MJ/kg
    double ere;         // energy to lift 1 kg from RE to GEO, MJ/kg
    double eapex;       // energy released by 1 kg moving from GEO to APEX, MJ/kg
    double taper_re;    // cross-section at RE relative to GEO
    double taper_apex;  // cross-section at APEX relative to GEO
};

model compute_model(const design& d);

// Specific strength of the design's material, MJ/kg: GPa over kg/m^3.
double specific_strength(const cable& c);
// The working stress, GPa: the strength over the safety factor.
double working_stress(const cable& c);

// Effective potential at radius r (km), MJ/kg. Smallest at rgeo.
double effpot(const model& m, double r);

// Effective gravity at radius r (km), m/s^2: positive (downward) below rgeo,
// negative above.
double grav(const model& m, double r);

// Tether cross-section at radius r (km) relative to the cross-section at RE.
double taper(const model& m, double r);

// effpot, grav and taper in a field with no partner, as the study has always
// computed them: for loops that choose the field once.
inline double central_grav(const model& m, double r)
{
    // Both products before the subtraction; 1000 turns km/s^2 into m/s^2.
    return (m.GM / (r * r) - m.omega2 * r) * 1000;
}
inline double central_effpot(const model& m, double r)
{
    return m.GM / r + ((0.5 * m.omega2) * r) * r;
}
inline double central_taper(const model& m, double r)
{
    return pmath::exp((m.vre - central_effpot(m, r)) / m.ywork);
}

// Words for the balance point, for messages: "GEO" or "the balance point
// (L1)"; "the geostationary radius" or "the radius of the balance point (L1)";
// "the geostationary altitude" or "the altitude of the balance point (L1)".
std::string balance_place(const model& m);
std::string balance_radius_words(const model& m);
std::string balance_altitude_words(const model& m);

}  // namespace tether
