// What strikes the ribbon: the cuts a year by orbital debris and by
// meteoroids, the chance that the ribbon lives through a year, and the
// tracked objects the anchor must move it out of the way of. Engineering
// flux models, as docs/survival.md describes them.
//
// Definitions
//   width        the ribbon's width, mm: a flat ribbon of constant width,
//                both faces exposed to an isotropic flux
//   cut          a particle of diameter at least cut x width severs it
//   debris_year  the epoch of the debris model
//   solar_flux   the solar flux F10.7 that sets the upper atmosphere's drag
//   debris_cuts      expected cuts a year by debris, 2 x width x the integral
//                    over 200-2000 km of NASA-90's flux at cut x width
//   meteoroid_cuts   expected cuts a year by meteoroids, 2 x width x length
//                    x Grün's flux at the mass of a cutting sphere
//   untracked_cuts   the debris cuts by objects below 10 cm
//   survival         exp(-(debris_cuts + meteoroid_cuts)): no cut in a year
//   survival_dodging exp(-(untracked_cuts + meteoroid_cuts)): every tracked
//                    object dodged
//   dodges           tracked objects (10 cm and more) a year that would
//                    strike the ribbon
#pragma once

#include "tether/design.hpp"
#include "tether/model.hpp"
#include "tether/note.hpp"

#include <vector>

namespace tether {

// Grün's interplanetary flux at 1 AU: meteoroids of mass at least m (g) a
// year on a m^2 of a randomly oriented plate.
double meteoroid_flux(double m);
// The mass (g) of a meteoroid, a sphere of 2.5 g/cm^3, of diameter d (mm).
double meteoroid_mass(double d);
// NASA-90: debris objects of diameter at least d (cm) a year on a m^2 at
// altitude h (km) in the year t with the solar flux s.
double debris_flux(double d, double h, double t, double s);
// The integral of NASA-90's altitude factor over the band of 200 to 2000 km,
// km, by its closed form.
double debris_band(double s);

// The band's altitudes, km; and the smallest size tracked, cm.
inline constexpr double band_low  = 200;
inline constexpr double band_high = 2000;
inline constexpr double tracked   = 10;

struct survival {
    double debris_cuts;       // 1/yr; NaN where the body is not the Earth
    double meteoroid_cuts;    // 1/yr
    double untracked_cuts;    // 1/yr; NaN where the body is not the Earth
    double survival;          // 1
    double survival_dodging;  // 1
    double dodges;            // 1/yr; NaN where the body is not the Earth
    // What the notes read: the width (mm), the cross-section at GEO, the
    // largest (mm^2), the cutting diameter (mm) and the cutting sphere's
    // mass (g), and whether the body is the Earth.
    double width   = 0;
    double csgeo   = 0;
    double cutting = 0;
    double mass    = 0;
    bool earth     = false;
    bool computed  = false;
};

// The figures where not computed: every one NaN.
survival no_survival();

// The survival figures of a design that passes check.
survival compute_survival(const design& d, const model& m);

// Adds the notes on the figures where they were computed: a ribbon thicker
// than wide, a body other than the Earth, a size beyond a model's range.
void survival_notes(const survival& s, std::vector<note>& out);

}  // namespace tether
