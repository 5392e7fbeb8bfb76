// The figures of one design, whatever the method: the study's (the march's
// sums or the integrals they approximate), the whole tether's, the
// oscillation modes' and the traffic's, each module computed where the request asks for it,
// each result saying what it missed and why, in words made from its own
// settings.
#pragma once

#include "climber/integral.hpp"
#include "climber/study.hpp"
#include "climber/traffic.hpp"
#include "tether/design.hpp"
#include "tether/modes.hpp"
#include "tether/whole.hpp"

#include <atomic>
#include <string>
#include <vector>

namespace climber {

// How the travel time and the tether's mass are worked out: the march's
// sums over its points, or the integrals they approximate.
enum class method { march, integral };

// What to compute of a design, and how; a module a member. The model and
// the positions are always computed: every module needs them.
struct figures_request {
    method how                    = method::march;
    integral_settings integral    = {};    // the integrals' settings, the whole tether's too
    bool sums                     = true;  // time, total and cap_alt, by the method
    bool whole                    = true;  // the whole tether
    unsigned modes                = 0;     // the first oscillation modes wanted (0: none)
    tether::mode_settings mode_by = {};    // the modes' settings
    bool traffic                  = true;  // the design's traffic, by the integral method only
    bool departures               = true;  // the traffic's shortest interval, with it
};

// The figures of a design that passes check. A module not asked for is
// left NaN (the sums, the whole tether) or empty (the modes).
struct design_figures : study {
    integral_misses integral;    // by the integral method: what its sums missed and why
    tether::whole_tether whole;  // the tether from foot to top end
    tether::modes modes;         // the first oscillation modes, where asked for
    climber::traffic traffic = no_traffic();  // where asked for, by the integral method

    // Whether any figure missed its accuracy (and is NaN).
    bool missed() const;
    // Why, in words: the modes' reason first, then the sums', then the
    // whole tether's, then the traffic's.
    std::string why_missed() const;
};

// The notes on a design's figures: the study's (notes(const study&, bool)),
// then where the traffic's peak load exceeds the load capacity, unless the
// study's note already says that the foot cannot lift one climber.
std::vector<note> notes(const design_figures& s, bool by_march);

// The study with its sums as integrals (the whole tether and the modes not
// computed).
design_figures compute_study_integral(const tether::design& d, const integral_settings& s = {});

// The notes on the figures the request asked for that depend on the field:
// with a partner body the release figures (orbit_alt, escape_alt,
// apex_speed, apex_vinf) are NaN, and why; so is uniform_top where it would
// lie inside the partner body.
std::vector<note> field_notes(const design_figures& f, const figures_request& r);

// The figures the request asks for. The march ends early once *stop is set,
// its sums marked stopped.
design_figures compute_figures(const tether::design& d, const figures_request& r = {},
                               const std::atomic<int>* stop = nullptr);

}  // namespace climber
