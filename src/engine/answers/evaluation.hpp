// One design as a face shows it: its headline figures by a method, the
// notes on the design and on its figures, and, where asked, the climber at
// every row of the ascent table.
#pragma once

#include "engine/words/table.hpp"

#include "climber/figures.hpp"
#include "climber/report.hpp"
#include "climber/study.hpp"
#include "tether/design.hpp"

#include <atomic>
#include <string>
#include <vector>

namespace engine {

struct evaluation {
    std::vector<climber::note> design_notes;  // on the design (climber::design_notes)
    std::vector<climber::note> figure_notes;  // on its figures by the method, then the field's
    std::vector<double> figures;              // figure_columns()'s values, NaN where none
    std::vector<double> ascent;  // where asked: rows of ascent_columns(), one after another
};

// The evaluation of a design that passes the check (engine::design_error,
// with rows where the ascent is asked for). By the march, one march gives
// both the figures and the ascent's rows. The march ends early once *stop
// is set.
evaluation evaluate(const tether::design& d, climber::method how, bool with_ascent,
                    const std::atomic<int>* stop = nullptr);

// The report is the study of a planet turning alone: its words and its
// release section are GEO's and a two-body orbit's. A design with a partner
// body has none: throws usage_error, its message led by `report` (the
// face's name for the report) and naming `instead` (its names for the
// ascent and the modes, which such a design has).
void check_report(const tether::design& d, const std::string& report, const std::string& instead);

// The report of a design that passes the check with rows, its lines to
// `out`: the study it printed (climber::print_report).
climber::study report(const climber::line_sink& out, const tether::design& d,
                      const std::atomic<int>* stop = nullptr);

// The lines of a design's report, or (report false) its ascent's rows.
std::uint64_t march_length(const tether::design& d, bool report);

// The ascent's rows of a design that passes the check with rows, as a
// table, the notes on its march after them as warnings. The march ends
// early once *stop is set.
table ascent_table(const tether::design& d, const std::atomic<int>* stop = nullptr);

// The swing a climb sets off, over time, by the integral method, of a design
// that passes the check with rows: a row at each of the ascent's altitudes
// (every rowdz km from the foot) and at arrival at the top of the climb,
// then every hundredth of the slowest period for one slowest period after
// it; the notes on its figures as warnings; missed where they missed their
// accuracy. No rows where the foot cannot lift the climber (a note says
// so). Stopped where *stop is set.
table swing_table(const tether::design& d, const std::atomic<int>* stop = nullptr);

}  // namespace engine
