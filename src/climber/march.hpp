// The ascent march: the climber stepped from the surface to just below GEO,
// the report's ascent table with its legend, and the mass summary.
//
// Definitions
//   dz     step between march points, km
//   ztop   highest march point, km: 19 km below GEO, so gravity stays positive
//   dtfac  hours to climb one step at 1 m/s
//   dm0    tether mass of one step at the surface cross-section, t
//   time   travel time summed over the march points, h
//   total  tether mass summed over the march points, t
#pragma once

#include "climber/drive.hpp"
#include "tether/model.hpp"

#include <cstdio>

namespace climber {

inline constexpr double dz     = 0.125;             // step, km
inline constexpr double ztop   = 35767;             // top of the march, km
inline constexpr double dtfac  = dz * 1000 / 3600;  // h per step at 1 m/s
inline constexpr double dm0    = dz * rhog;         // t per step at unit taper
inline constexpr double rowdz  = 20;                // a table row at each multiple of this, km
inline constexpr double rowtol = 0.0625;            // half a step, km

// The march's two sums after its last point.
struct march_sums {
    double time;   // travel time, h
    double total;  // tether mass from the surface to the top point, t
};

// Marches from 0 to ztop, printing the ascent table and then its legend.
march_sums run_march(std::FILE* out, const tether::model& m, const drive_params& d);

void print_mass_summary(std::FILE* out, double total, double mapex);

}  // namespace climber
