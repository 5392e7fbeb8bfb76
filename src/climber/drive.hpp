// The climber's power drive: the drive parameters, and the climber
// evaluated at one altitude.
//
// Definitions
//   gee0   effective gravity at the surface, m/s^2
//   rhog   tether linear density at the surface, kg/m (= t/km)
//   vs     speed of longitudinal waves along the tether, sqrt(modulus / density), m/s
//   fvg    the climber's weight at the surface, N
//   fmax   the climber's drive-force limit: surface weight plus fextra, N
//   zg     tether impedance to longitudinal waves at the surface, vs * rhog, kg/s
//
// The power beamed up the tether is half the square of the force margin
// (fmax - weight) over the impedance there, zg * taper.
#pragma once

#include "tether/design.hpp"
#include "tether/model.hpp"
#include "tether/positions.hpp"

namespace climber {

struct drive_params {
    double mclimb;  // climber mass, kg
    double vmax;    // top speed, m/s
    double rhog;    // tether linear density at RE, kg/m
    double vs;      // wave speed along the tether, m/s
    double gee0;    // effective gravity at RE, m/s^2
    double fvg;     // climber weight at RE, N
    double fextra;  // drive force beyond the surface weight, N
    double fmax;    // drive-force limit, N
    double zg;      // tether impedance at RE, kg/s
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

// The climber's sideways push on the tether: climbing, it is carried east
// faster and faster, so the tether pushes it east and it pushes the tether
// west with the Coriolis force, which bends the tether at the climber
// against its tension.
struct push_params {
    double two_m_omega;  // 2 mclimb omega, kg/s
    double tension_re;   // the tether's working tension at RE, N
};
struct sideways {
    double coriolis;  // Coriolis force on the climber, toward the west, N
    double tilt;      // angle by which the tether bends at the climber, degrees
};
push_params compute_push_params(const tether::design& d, const tether::model& m,
                                const tether::positions& p);
sideways sideways_at(const push_params& q, const drive_point& p);

// Speed of longitudinal waves along the design's tether, m/s.
double wave_speed(const tether::cable& c);

drive_params compute_drive_params(const tether::design& d, const tether::model& m);

drive_point drive_at(const tether::model& m, const drive_params& d, double alt);

// drive_at in the field chosen once for a loop of points: Partner false for
// a design with no partner (the central field's expressions, no test of the
// field at each point), true for one with a partner.
template <bool Partner>
drive_point drive_in(const tether::model& m, const drive_params& d, double alt)
{
    drive_point p{};
    p.alt    = alt;
    p.r      = m.RE + alt;
    p.grav   = Partner ? tether::grav(m, p.r) : tether::central_grav(m, p.r);
    p.taper  = Partner ? tether::taper(m, p.r) : tether::central_taper(m, p.r);
    p.weight = d.mclimb * p.grav;
    p.excess = d.fmax - p.weight;
    p.z      = d.zg * p.taper;
    p.power  = ((0.5 * p.excess) * p.excess) / p.z;
    p.speed  = p.power / p.weight;
    p.pused  = p.power;
    if (p.speed > d.vmax) {  // exactly vmax is not capped
        p.speed = d.vmax;
        p.pused = d.vmax * p.weight;
    }
    p.surplus = p.power - p.pused;
    return p;
}

}  // namespace climber
