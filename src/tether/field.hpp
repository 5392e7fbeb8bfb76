// The field a tether hangs in, along the line it hangs on: the body's
// gravity, its partner's (where there is one) and the centrifugal pull of
// the frame turning with them.
//
// Definitions
//   GM      the body's gravitational parameter, km^3/s^2
//   GM2     the partner's, a point mass; 0: no partner
//   D       the distance between the centres, km
//   s       the side: +1, the tether points at the partner (through L1);
//           -1, away from it (through L2, or L3 where the body is the
//           larger)
//   b       the centre of mass's distance from the body's centre,
//           D GM2 / (GM + GM2), km
//   omega   the frame's rate: with no partner the body's rotation 2 pi / tsid;
//           with one the orbit's, omega^2 = (GM + GM2) / D^3 (the body
//           turned locked to its partner)
//   E(r)    the effective potential per kg at radius r from the body's
//           centre on the tether's side,
//             -GM / r - GM2 / |D - s r| - omega^2 (r - s b)^2 / 2, MJ/kg
//   F(r)    the net outward acceleration -dE/dr,
//             -GM / r^2 + s GM2 / (D - s r)^2 + omega^2 (r - s b), km/s^2
//   F'(r)   dF/dr = 2 GM / r^3 + 2 GM2 / |D - s r|^3 + omega^2 > 0: F rises
//           along the whole line, so it has one zero, the balance point
//           (GEO with no partner, L1, L2 or L3 with one)
//
// With no partner each function evaluates the central field's expression in
// the order the study always has (GM / r + omega^2 r^2 / 2, and so on), so
// that every figure keeps its bits; the partner's terms enter only where
// GM2 > 0.
#pragma once

#include <string>

namespace tether {

struct field {
    double GM     = 0;  // km^3/s^2
    double omega2 = 0;  // 1/s^2
    double GM2    = 0;  // km^3/s^2; 0: no partner
    double D      = 0;  // km
    double s      = 1;  // +1 or -1
    double b      = 0;  // km

    bool partnered() const
    {
        return GM2 > 0;
    }
};

// The field of a body with the given rotation (no partner).
field central_field(double GM, double omega2);
// The field of a body locked to a partner GM2 at distance D, on side s.
field partner_field(double GM, double GM2, double D, double s);

// The partner's terms' forms of lift and outward, below.
double partner_lift(const field& f, double r);
double partner_outward(const field& f, double r);

// -E(r), MJ/kg: the form the model's tapers use (it falls to the balance
// point and rises beyond it).
inline double lift(const field& f, double r)
{
    if (!f.partnered()) {
        return f.GM / r + ((0.5 * f.omega2) * r) * r;
    }
    return partner_lift(f, r);
}
// E(r), MJ/kg.
double potential(const field& f, double r);
// F(r), km/s^2.
inline double outward(const field& f, double r)
{
    if (!f.partnered()) {
        return f.omega2 * r - f.GM / (r * r);
    }
    return partner_outward(f, r);
}
// F'(r), 1/s^2, as two parts: `falling` falls with r (the body's and, on
// the far side, the partner's terms and omega^2), `rising` rises with r
// (the partner's term on its own side; 0 elsewhere). Their sum is F'.
struct field_slope {
    double falling;
    double rising;
};
field_slope outward_slope(const field& f, double r);
// F(r0 + z) - F(r0) for z > 0, km/s^2, written without a difference of near-equal
// terms (each term's difference factored): positive.
double outward_gain(const field& f, double r0, double z);
// The radius where F = 0, km; NaN where the field has none within the range
// of binary64 numbers (away from a partner) or none that their precision
// tells apart from the partner's centre (toward it).
double balance_radius(const field& f);
// The tidal stiffness across the line, 1/s^2: GM / r^3 + GM2 / |D - s r|^3,
// less omega^2 in the orbit's plane (the field's second derivatives at right
// angles to the line, negated).
double across_out_of_plane(const field& f, double r);
double across_in_plane(const field& f, double r);
// The tide across the line that Y = r phi leaves in the equation of a
// sideways displacement's phi (modes.hpp), 1/s^2: across_in_plane plus F / r,
// u = |D - s r|. With omega^2 b = GM2 / D^2 the body's terms and omega^2
// cancel, leaving GM2 (1 / u^3 + (D + u) / (u^2 D^2)), positive, without a
// difference; 0 with no partner.
double tide_in_plane(const field& f, double r);
// What the balance point is called: "GEO"; with a partner "L1" toward it,
// and away from it "L2" where the body is the smaller of the two (a moon),
// "L3" where it is the larger.
std::string balance_name(const field& f);

}  // namespace tether
