// The study of one design by the march: its figures, the notes on them, and
// the checks a design must pass first.
#pragma once

#include "climber/drive.hpp"
#include "climber/march.hpp"
#include "tether/design.hpp"
#include "tether/model.hpp"
#include "tether/positions.hpp"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace climber {

// The first reason why a design cannot give the study's figures, or none:
// the tether's part (tether::check), then the march's top, the climber's
// drive and the march's points and sums. A design that passes computes to
// finite figures at every point, in the binary64 arithmetic the march does.
// `with_rows`: the ascent table is wanted, so rowdz must be a whole multiple
// of dz.
std::optional<tether::problem> check(const tether::design& d, bool with_rows);

struct study {
    tether::model model;
    tether::positions positions;
    drive_params drive;
    march_plan plan;
    march_sums sums;
};

// Computes every figure of a design that passes check; row(point,
// time) is called at every row of the ascent table, as march calls it.
// Once *stop is set the march ends early and its sums are marked stopped.
template <class Row>
study compute_study(const tether::design& d, Row&& row, const std::atomic<int>* stop = nullptr)
{
    study s{};
    s.model     = tether::compute_model(d);
    s.positions = tether::compute_positions(d, s.model);
    s.drive     = compute_drive_params(d, s.model);
    s.plan      = plan_march(d, s.model);
    s.sums      = march(s.model, s.drive, s.plan, row, stop);
    return s;
}

// What a user should read beside a design's figures, where it applies.
enum class note_kind {
    rhog_departure,        // rhog departs from density x cross-section at RE by more than 1 %
    negative_tether_mass,  // the counterweight outweighs the tether summed below the top of the
                           // march
    coarse_march,          // the march's first point alone gives more than 1 % of a sum
    cannot_lift,           // the tether's foot holds less than the climber's mass
    foot_lifts,            // the traffic's peak load exceeds the load capacity at the foot
    partner_release,       // with a partner body the release figures are not computed
    top_in_partner,        // uniform_top would lie inside the partner body
};
struct note {
    note_kind kind;
    std::string text;      // one sentence, without a program's name or options
    std::string concerns;  // the parameter or figure it is about
};

// The notes on a study's figures; by_march: its sums are the march's (the
// integrals have no first point).
std::vector<note> notes(const study& s, bool by_march);

// The notes on a design itself, before any figure: rhog's departure from
// its material. Where `written` is given, a note of a kind it refuses is
// given with its kind alone (no text, no concerns): a tally of many designs
// keeps one text of each kind, and the text's numbers cost several times
// the check.
std::vector<note> design_notes(const tether::design& d,
                               const std::function<bool(note_kind)>& written = {});

// The same, without the ascent table.
study compute_study(const tether::design& d, const std::atomic<int>* stop = nullptr);

}  // namespace climber
