// The figures of one design, whatever the method: the study's (the march's
// sums or the integrals they approximate), the whole tether's, the
// oscillation modes', the traffic's, what strikes the ribbon and the swing a climb sets off, each
// module computed where the request asks for it, each result saying what it missed and why, in
// words made from its own settings.
#pragma once

#include "climber/integral.hpp"
#include "climber/study.hpp"
#include "climber/swing.hpp"
#include "climber/traffic.hpp"
#include "tether/design.hpp"
#include "tether/modes.hpp"
#include "tether/survival.hpp"
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
    integral_settings integral    = {};     // the integrals' settings, the whole tether's too
    bool sums                     = true;   // time, total and cap_alt, by the method
    bool whole                    = true;   // the whole tether
    unsigned modes                = 0;      // the first oscillation modes wanted (0: none)
    tether::mode_settings mode_by = {};     // the modes' settings
    bool traffic                  = true;   // the design's traffic, by the integral method only
    bool departures               = true;   // the traffic's shortest interval, with it
    bool survival                 = false;  // what strikes the ribbon: only where asked by name
    bool swing                    = false;  // the swing a climb sets off: only where asked by name
    swing_settings swing_by       = {};     // its settings (stream: swing_stream with it)
};

// The figures of a design that passes check. A module not asked for is
// left NaN (the sums, the whole tether) or empty (the modes).
struct design_figures : study {
    tether::miss integral;       // by the integral method: what its sums missed and why
    tether::whole_tether whole;  // the tether from foot to top end
    tether::modes modes;         // the first oscillation modes, where asked for
    climber::traffic traffic  = no_traffic();           // where asked for, by the integral method
    tether::survival survival = tether::no_survival();  // where asked for
    climber::swing swing;                               // where asked for, by the integral method

    // Whether any module's figure missed its accuracy (and is NaN).
    bool missed() const;
    // Why, in words: the first module's reason, in the order of modules().
    std::string why_missed() const;
};

// A module of a design's figures: how the request asks for it, what it
// missed and the notes on its figures. The figure table of the engine
// names the module of each figure.
struct module {
    const char* name;
    // Sets the request's flag for it (wanted: one of its figures is shown);
    // null where it is always computed.
    void (*ask)(figures_request& r, bool wanted);
    // Its result's miss; null where it has none.
    const tether::miss* (*missed)(const design_figures& f);
    // Adds its notes to those given so far; null where it has none.
    void (*notes)(const design_figures& f, std::vector<note>& out);
    // Its figures are among a design's own (no settings beyond the design's).
    bool own;
};
// The modules, in the order their misses' reasons are given.
const std::vector<module>& modules();

// The notes on a design's figures: the study's (notes(const study&, bool)),
// then each module's, in the order of modules().
std::vector<note> notes(const design_figures& s, bool by_march);

// The study with its sums as integrals (the whole tether and the modes not
// computed).
design_figures compute_study_integral(const tether::design& d, const integral_settings& s = {});

// The notes on the figures the request asked for that depend on the field:
// with a partner body the release figures (orbit_alt, escape_alt,
// apex_speed, apex_vinf) are NaN, and why; so is uniform_top where it would
// lie inside the partner body.
std::vector<note> field_notes(const design_figures& f, const figures_request& r);

// Where the foot cannot lift the climber (lifts), the climber has no
// climb: its figures (time, cap_alt, and the traffic's min_interval,
// on_tether, max_throughput and throughput) are NaN, and none of them
// missed; the tether's, the whole tether's, the modes' and the traffic's
// loads stay.
void drop_unlifted_climb(design_figures& f);

// The figures the request asks for, the climb's dropped where the foot
// cannot lift the climber (drop_unlifted_climb). The march ends early once *stop is set,
// its sums marked stopped.
design_figures compute_figures(const tether::design& d, const figures_request& r = {},
                               const std::atomic<int>* stop = nullptr);

}  // namespace climber
