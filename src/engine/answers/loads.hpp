// The tension along the tether at its traffic's worst moment, at altitude
// rows from the foot to GEO, so that its envelope can be drawn: a table of
// every face, beside the ascent's.
#pragma once

#include "engine/words/rows.hpp"

#include "climber/study.hpp"
#include "tether/design.hpp"

#include <string>
#include <vector>

namespace engine {

// alt, t0 (the tether's own tension), tension (with the climbers at the
// traffic's worst moment) and share (tension / t0).
std::vector<column> load_columns();

struct load_table {
    std::vector<std::vector<double>> rows;  // a row every rowdz from the foot, the last at GEO
                                            // (a multiple within 4 ulps of it merged into it)
    std::vector<climber::note> notes;       // on its figures (the traffic's)
    std::string why;  // why the tensions are NaN (the climb could not be followed), or empty
};

inline constexpr double max_load_rows = 1e7;

// The parameter that spaces the rows: a table it would make longer than
// max_load_rows is refused in its name, so a face names the error by it.
const tether::param& load_spacing();

// The table of a design that passes the check (engine::design_error), its
// climb by the integral method; throws usage_error where the foot cannot
// lift the climber (naming by how much the traffic overloads it) or where
// rowdz would give more than max_load_rows rows.
load_table loads_of(const tether::design& d);

}  // namespace engine
