// The climber's power drive: the drive parameters, the report's opening
// block that lists them, and the climber evaluated at one altitude.
//
// Definitions
//   gee0   effective gravity at the surface, m/s^2
//   rhog   tether linear density at the surface, kg/m (= t/km)
//   fvg    the climber's weight at the surface, N
//   fmax   the climber's drive-force limit: surface weight plus fextra, N
//   zg     tether impedance to longitudinal waves at the surface, vs * rhog, kg/s
//
// The power beamed up the tether is half the square of the force margin
// (fmax - weight) over the impedance there, zg * taper.
#pragma once

#include "tether/model.hpp"

#include <cstdio>

namespace climber {

inline constexpr double mclimb = 16000;    // climber mass, kg
inline constexpr double fextra = 44000;    // drive force beyond the surface weight, N
inline constexpr double vmax   = 100;      // top speed, m/s
inline constexpr double rhog   = 0.01365;  // tether linear density at RE, kg/m
// Speed of longitudinal waves along the tether, sqrt(modulus / density)
// for a modulus of 1e12 Pa and 1300 kg/m^3, m/s.
inline constexpr double vs = 27735.009811261458;

struct drive_params {
    double gee0;  // effective gravity at RE, m/s^2
    double fvg;   // climber weight at RE, N
    double fmax;  // drive-force limit, N
    double zg;    // tether impedance at RE, kg/s
};

// The climber at one altitude.
struct drive_point {
    double alt;      // altitude above RE, km
    double r;        // radius, km
    double grav;     // effective gravity, m/s^2
    double taper;    // tether cross-section relative to RE
    double weight;   // climber weight, N
    double excess;   // force margin fmax - weight, N
    double z;        // tether impedance, kg/s
    double power;    // power delivered, W
    double speed;    // climb speed after the top-speed cap, m/s
    double pused;    // power the climber uses, W
    double surplus;  // power delivered beyond what it uses, W
};

drive_params compute_drive_params(const tether::model& m);
void print_drive_params(std::FILE* out, const drive_params& d);

drive_point drive_at(const tether::model& m, const drive_params& d, double alt);

}  // namespace climber
