// The tether sized at its three reference positions APEX, GEO and RE, and
// the report's CNT-properties block and position table.
//
// Definitions
//   gre    effective gravity at RE, km/s^2
//   aapex  net outward acceleration at APEX (centrifugal less gravity), km/s^2
//   fgeo   breaking force at GEO from SI units, kN
//   sgeo   breaking force at GEO from GPa x mm^2, kN (the same binary64 value)
//   mapex  counterweight whose outward pull at APEX equals the tether's
//          breaking force there, t
//   mre    mass whose weight at RE equals the tether's breaking force there, t
#pragma once

#include "tether/model.hpp"

#include <cstdio>

namespace tether {

inline constexpr double strength = 35.1;         // tensile strength, GPa
inline constexpr double density  = 1300;         // CNT density, kg/m^3
inline constexpr double yuri_si  = 27000000;     // specific strength, N m/kg (= yuri)
inline constexpr double csgeo    = 62.8;         // cross-section at GEO, mm^2
inline constexpr double csgeo_m2 = csgeo / 1e6;  // cross-section at GEO, m^2
static_assert(csgeo_m2 == 6.28e-05, "mm^2 to m^2 must give the nearest binary64 to 6.28e-05");

struct positions {
    double gre;      // effective gravity at RE, km/s^2
    double aapex;    // net outward acceleration at APEX, km/s^2
    double fgeo;     // breaking force at GEO (SI route), kN
    double sgeo;     // breaking force at GEO (GPa x mm^2), kN
    double s_apex;   // breaking force at APEX, kN
    double s_re;     // breaking force at RE, kN
    double mapex;    // apex counterweight, t
    double mre;      // mass the tether can hold at RE, t
    double cs_apex;  // cross-section at APEX, mm^2
    double cs_re;    // cross-section at RE, mm^2
};

positions compute_positions(const model& m);

void print_cnt_properties(std::FILE* out);
void print_positions(std::FILE* out, const model& m, const positions& p);

}  // namespace tether
