// A design of the tether and its climber, as one value. Its default member
// values are the study's: a CNT tether on the Earth and a 16 t climber.
//
// Definitions
//   GM        the planet's gravitational parameter
//   RE        the planet's equatorial radius: the tether's foot
//   tsid      the sidereal day: one rotation of the planet; with a partner
//             worked out (auto): the body turns locked to its partner, once an
//             orbit
//   partner_GM, partner_distance, partner_RE, partner_side
//             a partner body (a point mass; partner_GM = 0: none, and the
//             other three are not read), the distance between the centres,
//             its radius, and the side the tether hangs on (+1 toward the
//             partner, through L1; -1 away from it, through L2, or L3 where
//             the body is the larger): field.hpp
//   rapex     radius of the tether's top end
//   strength  the material's tensile strength; with density it gives the
//             specific strength yuri = strength / density (1 MYuri = 1 MJ/kg)
//   safety    the safety factor: the tether is sized and loaded at the
//             working stress strength / safety, never above it
//   damping   each sideways mode's fraction of critical damping, the
//             material's (climber/swing.hpp): at least 0, below 1
//   modulus   the material's Young's modulus; with density it gives the speed
//             of longitudinal waves along the tether
//   csgeo     the tether's cross-section at GEO (the balance point: L1, L2 or
//             L3 with a partner), its largest
//   rhog      the tether's linear density at the surface, which sets the
//             climber's drive impedance and the march's mass: the study's is
//             a figure of its own; auto takes the material's, density times
//             the cross-section at RE
//   fextra    drive force beyond the climber's weight at the surface
//   dz        step between march points; ztop the highest; rowdz the spacing
//             of the ascent table's rows
//   climbers  identical climbers held on the tether at once, spaced from the
//             foot up to GEO; interval, where set, a stream of single
//             climbers leaving the foot that many hours apart instead;
//             anchor the pull the foot's anchor keeps with every climber on;
//             payload what each climber delivers (climber::check_traffic
//             checks these, with the climb)
//   width, cut, debris_year, solar_flux
//             the ribbon's width, the share of it a particle must span to
//             cut it, the debris model's epoch and the solar flux F10.7
//             (survival.hpp)
#pragma once

#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tether {

// A value that the program works out for itself ("auto"): ztop, rhog.
inline constexpr double automatic = std::numeric_limits<double>::quiet_NaN();
bool is_automatic(double v);

struct planet {
    double GM         = 398600.4418;   // gravitational parameter, km^3/s^2
    double RE         = 6378;          // equatorial radius, km
    double tsid       = 86164.0905;    // sidereal day, s; auto (with a partner): the orbit's period
    double partner_GM = 0;             // the partner's gravitational parameter, km^3/s^2; 0: none
    double partner_distance = 384400;  // distance between the centres, km
    double partner_RE       = 1738.1;  // the partner's radius, km
    double partner_side     = 1;       // +1: toward the partner (L1); -1: away (L2 or L3)
};

struct cable {
    double rapex    = 300000;   // radius of the top end, km
    double strength = 35.1;     // tensile strength, GPa
    double density  = 1300;     // density, kg/m^3
    double csgeo    = 62.8;     // cross-section at GEO, mm^2
    double modulus  = 1000;     // Young's modulus, GPa
    double rhog     = 0.01365;  // linear density at the surface, kg/m; auto: the material's
    double safety   = 1;        // safety factor on the strength, at least 1
    double damping  = 0;        // each sideways mode's fraction of critical damping, [0, 1)
};

struct vehicle {
    double mclimb = 16000;  // climber mass, kg
    double fextra = 44000;  // drive force beyond the surface weight, N
    double vmax   = 100;    // top speed, m/s
};

struct stepping {
    double dz    = 0.125;      // step between march points, km
    double ztop  = automatic;  // highest march point, km; auto: floor(rgeo - RE - 19)
    double rowdz = 20;         // spacing of the ascent table's rows, km
};

struct schedule {
    double climbers = 1;          // identical climbers held at once
    double interval = automatic;  // h between a stream's departures; auto: no stream
    double anchor   = 0;          // pull the anchor keeps at the foot, kN
    double payload  = automatic;  // what each climber delivers, kg; auto: mclimb
};

// The debris model's years: its epoch, and the last year it is carried to
// (its 1980s growth rates carried forward twice as long as the catalogue
// they were fitted to, 1957-1988, had been kept).
inline constexpr double first_debris_year = 1988;
inline constexpr double last_debris_year  = 2050;

struct ribbon {
    double width       = 100;      // mm
    double cut         = 1.0 / 3;  // share of the width a cutting particle spans, (0, 1]
    double debris_year = 2025;     // the debris model's epoch
    double solar_flux  = 110;      // F10.7, 1e-22 W/m^2/Hz
};

struct design {
    tether::planet planet;
    cable tether;
    vehicle climber;
    stepping march;
    schedule traffic;
    tether::ribbon ribbon;
};

// The Earth: the study's figures.
planet earth();
// Mars: GM and equatorial radius from NASA's Mars Fact Sheet (D. R. Williams,
// NSSDCA); sidereal day 24 h 37 min 22.66 s (Allison and Schmunk, Mars24).
planet mars();
// The Moon with the Earth as its partner: GM from JPL's DE430 (4902.800066
// km^3/s^2), the equatorial radius 1738.1 km, the mean distance 384400 km;
// the tether through L1 (toward the Earth) or L2 (away from it).
planet moon_l1();
planet moon_l2();
// The preset of the given name ("earth", "mars", "moon-l1", "moon-l2"), or none.
std::optional<planet> planet_named(const std::string& name);
// The presets' names, in order.
std::vector<std::string> planet_names();

// The values a parameter may take.
enum class range {
    positive,      // greater than 0 (and at least at_least)
    non_negative,  // 0 or greater
    side,          // +1 or -1
    fraction,      // from 0 to below 1
};

// One adjustable figure of a design, for tools that list and set them.
struct param {
    const char* group;          // "planet", "tether", "climber", "march", "traffic" or "ribbon"
    const char* name;           // the member's name
    const char* unit;           // ASCII, as in "km^3/s^2"
    const char* meaning;        // a few words
    bool can_be_auto;           // "auto" lets the program choose it
    double& (*field)(design&);  // the member in a design
    const char* auto_rule;      // what auto gives, in words; empty where not allowed
    double (*worked_out)(const design&);  // the value auto gives; null where not allowed
    double at_least = 0;                  // the smallest value allowed; 0: any greater than 0
    range values    = range::positive;    // the values allowed
    bool of_partner = false;              // read only with a partner (partner_GM > 0)
    bool with_climb = false;              // checked with the climb, not here: the traffic's
    double at_most  = std::numeric_limits<double>::infinity();  // the largest value allowed
    bool whole      = false;                                    // whole numbers alone (climbers)
    // The table's revision that added it, where later than the traffic's
    // and a partner body's (3: damping): designs saved before it load
    // without it, at its default.
    int added = 0;
};

// Every figure of a design, in the order of the groups above.
const param* params_begin();
const param* params_end();
const param* find_param(const std::string& name);
// The table's revision that added a parameter: 0 the first, 1 the
// traffic's and a partner body's, 2 the ribbon's, 3 damping. A design kept
// by an older revision holds its parameters and earlier ones, in their
// order; the later ones take their defaults.
int revision(const param& p);
double value_of(const design& d, const param& p);

// Why a design cannot be computed: the parameter to change and the reason,
// in words a user understands ("must be greater than 0").
struct problem {
    std::string name;        // a parameter's name
    std::string why;         // the reason, with the allowed range where there is one
    std::string other = {};  // a second parameter at fault with the first, or empty
};

// v with ten (or the given number of) significant digits, as %g writes
// them in the POSIX locale, for messages.
std::string message_number(double v, int digits = 10);
// v as message_number writes it, the exponent without its "+" and leading
// zeros (1e-6, 2e3): a setting named in a message.
std::string compact_number(double v);

// NAME (and OTHER, where given) give WHAT beyond the range of binary64 numbers.
problem beyond_range(const char* name, const char* what, const char* other = "");

// Whether the design has a partner body (partner_GM > 0).
bool has_partner(const design& d);

// The first reason why the tether's part of the design (the planet, the
// orbit, the material and the tether's figures) cannot be computed, or none.
// The climber's part is checked above this layer (climber::check).
std::optional<problem> check(const design& d);

}  // namespace tether
