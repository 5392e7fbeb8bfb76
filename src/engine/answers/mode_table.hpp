// A design's oscillation modes as every face shows them: how many may be
// asked for, the table of periods a row a mode, and the shapes at evenly
// spaced altitudes from the foot to the top end.
#pragma once

#include "engine/words/vocabulary.hpp"

#include "tether/design.hpp"
#include "tether/model.hpp"
#include "tether/modes.hpp"

#include <atomic>
#include <string>
#include <vector>

namespace engine {

inline constexpr unsigned max_modes    = 100;
inline constexpr unsigned shape_points = 1001;  // from the foot to the top end, inclusive

// The number of modes that text asks for: a whole number from 1 to
// max_modes. Throws usage_error ("0 is not a whole number from 1 to 100"),
// for the face to say where it was given.
unsigned modes_count(const std::string& text);

// The table of modes: the mode's number, then its periods (figure_families()).
std::vector<column> mode_columns();
// Mode k's row (k from 0): k + 1, then its periods in and out of plane.
std::vector<double> mode_row(const tether::modes& found, unsigned k);

// The altitudes of the shapes, km: points (at least 2) evenly spaced from
// the foot (0) to the top end (rapex - RE), the top end exactly.
std::vector<double> shape_altitudes(const tether::model& m, unsigned points = shape_points);
// The table of shapes: the altitude, then shape_1 ... shape_n.
std::vector<column> shape_columns(unsigned n);

// One design's table of its first n modes: a row a mode, or with shapes a
// row an altitude; and why the modes are unstable or missed (else empty).
// Once *stop is set the table means nothing.
struct mode_table {
    std::vector<column> columns;
    std::vector<std::vector<double>> rows;
    std::string why;
};
mode_table mode_table_of(const tether::design& d, unsigned n, bool shapes,
                         const std::atomic<int>* stop = nullptr);

// One design's first n modes with the in-plane shapes of its first `drawn`
// (those of the n found, or found afresh where n is fewer) at `points`
// altitudes (shape_altitudes); why as mode_table's.
struct drawn_modes {
    tether::modes found;
    std::string why;
    std::vector<double> altitudes;
    std::vector<std::vector<double>> shapes;
};
drawn_modes modes_drawn(const tether::design& d, unsigned n, unsigned drawn, unsigned points);

}  // namespace engine
