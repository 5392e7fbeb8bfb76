// One design as a face shows it: its headline figures by a method, the
// notes on the design and on its figures, and, where asked, the climber at
// every row of the ascent table.
#pragma once

#include "climber/figures.hpp"
#include "climber/study.hpp"
#include "tether/design.hpp"

#include <atomic>
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

}  // namespace engine
