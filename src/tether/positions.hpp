// The tether sized at its three reference positions APEX, GEO and RE.
//
// Definitions
//   gre    effective gravity at RE, km/s^2
//   aapex  net outward acceleration at APEX (centrifugal less gravity), km/s^2
//   fgeo   working force at GEO from SI units, kN (with a safety factor of 1
//          the breaking force)
//   sgeo   breaking force at GEO from GPa x mm^2, kN (the same binary64 value
//          as fgeo for the study's material)
//   wgeo   working force at GEO from GPa x mm^2, kN: sgeo over the safety factor
//   mapex  counterweight whose outward pull at APEX equals the tether's
//          working force there, t
//   mre    mass whose weight at RE equals the tether's working force there, t
#pragma once

#include "tether/design.hpp"
#include "tether/model.hpp"

namespace tether {

struct positions {
    double gre;      // effective gravity at RE, km/s^2
    double aapex;    // net outward acceleration at APEX, km/s^2
    double fgeo;     // working force at GEO (SI route), kN
    double sgeo;     // breaking force at GEO (GPa x mm^2), kN
    double wgeo;     // working force at GEO (GPa x mm^2), kN
    double s_apex;   // breaking force at APEX, kN
    double s_re;     // breaking force at RE, kN
    double mapex;    // apex counterweight, t
    double mre;      // mass the tether can hold at RE, t
    double cs_apex;  // cross-section at APEX, mm^2
    double cs_re;    // cross-section at RE, mm^2
};

positions compute_positions(const design& d, const model& m);

// The tether's own linear density at the surface, kg/m: density times the
// cross-section at RE. The study keeps rhog as a figure of its own instead.
double material_rhog(const design& d, const positions& p);

// The values a design leaves to the program ("auto"), worked out: the
// linear density at the surface that the drive and the march use, kg/m (the
// design's rhog, or where auto the material's); the highest point that the
// design asks for, km (its ztop, or where auto 19 km below GEO rounded down
// to a whole km).
double surface_density(const design& d, const model& m);
double top_of_march(const design& d, const model& m);

}  // namespace tether
