// What a user should read beside a design's figures: one kind for each
// thing a module can say, so that a run of many designs says each once.
#pragma once

#include <string>

namespace tether {

enum class note_kind {
    rhog_departure,           // rhog departs from density x cross-section at RE by more than 1 %
    negative_tether_mass,     // the counterweight outweighs the tether summed below the top of the
                              // march
    coarse_march,             // the march's first point alone gives more than 1 % of a sum
    cannot_lift,              // the tether's foot holds less than the climber's mass
    foot_lifts,               // the traffic's peak load exceeds the load capacity at the foot
    partner_release,          // with a partner body the release figures are not computed
    integral_only,            // figures asked for that the integral method alone computes
    top_in_partner,           // uniform_top would lie inside the partner body
    thick_ribbon,             // the ribbon would be thicker than wide: the flat model does not fit
    no_debris,                // the body is not the Earth: no debris figures
    meteoroids_extrapolated,  // the cutting meteoroid lies beyond Grün's fitted masses
    debris_extrapolated,      // the cutting object lies beyond NASA-90's fitted sizes
    swing_no_stream,          // swing_stream asked for with no stream
    swing_undamped,           // swing_stream asked for with no damping: the mode nearest to ringing
};
struct note {
    note_kind kind;
    std::string text;      // one sentence, without a program's name or options
    std::string concerns;  // the parameter or figure it is about
};

}  // namespace tether
