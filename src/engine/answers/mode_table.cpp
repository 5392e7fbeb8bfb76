#include "engine/answers/mode_table.hpp"

#include "engine/words/numbers.hpp"
#include "engine/words/settings.hpp"

#include <algorithm>
#include <cmath>

namespace engine {

unsigned modes_count(const std::string& text)
{
    const auto n = parse_number(text);
    if (!n || *n != std::floor(*n) || !(*n >= 1) || !(*n <= max_modes)) {
        throw usage_error(printable_value(trim(text)) + " is not a whole number from 1 to " +
                          std::to_string(max_modes));
    }
    return static_cast<unsigned>(*n);
}

std::vector<column> mode_columns()
{
    std::vector<column> columns{{"mode", "-", "the mode's number, 1 the slowest", false, true}};
    for (const column& c : figure_families()) {
        columns.push_back(c);
    }
    return columns;
}

std::vector<double> mode_row(const tether::modes& found, unsigned k)
{
    return {static_cast<double>(k + 1), found.in_plane.at(k), found.out_of_plane.at(k)};
}

std::vector<double> shape_altitudes(const tether::model& m, unsigned points)
{
    std::vector<double> altitudes(points);
    for (unsigned i = 0; i < points; ++i) {
        // Evenly spaced; the last fraction is exactly 1, so the top end exactly.
        altitudes[i] = (m.rapex - m.RE) * (static_cast<double>(i) / (points - 1));
    }
    return altitudes;
}

std::vector<column> shape_columns(unsigned n)
{
    std::vector<column> columns{{"alt", "km", "altitude above the surface"}};
    for (unsigned k = 1; k <= n; ++k) {
        columns.push_back(
            {"shape_" + std::to_string(k), "-",
             "the in-plane shape of mode " + std::to_string(k) + ", its largest size 1"});
    }
    return columns;
}

namespace {

// The table of shapes (shape_columns(n)): a row an altitude, each shape's
// value there.
table shape_table(unsigned n, const std::vector<double>& altitudes,
                  const std::vector<std::vector<double>>& each)
{
    table out{shape_columns(n)};
    for (std::size_t i = 0; i < altitudes.size(); ++i) {
        out.rows.push_back({{altitudes[i]}});
        for (const auto& shape : each) {
            out.rows.back().values.push_back(shape.at(i));
        }
    }
    return out;
}

}  // namespace

table modes_table(const tether::design& d, unsigned n, bool shapes, const std::atomic<int>* stop)
{
    const tether::model m     = tether::compute_model(d);
    const tether::positions p = tether::compute_positions(d, m);
    const tether::modes found = tether::compute_modes(m, p, n, {}, stop);
    table out{mode_columns()};
    if (shapes) {
        const std::vector<double> altitudes = shape_altitudes(m);
        out = shape_table(n, altitudes, tether::mode_shapes(m, p, found, altitudes, {}, stop));
    }
    for (unsigned k = 0; !shapes && k < n; ++k) {
        out.rows.push_back({mode_row(found, k)});
    }
    out.index    = shapes ? 0 : 1;
    out.rows_are = shapes ? "rows" : "modes";
    out.missed   = found.missed;
    return out;
}

drawn_modes modes_drawn(const tether::design& d, unsigned n, unsigned drawn, unsigned points)
{
    const tether::model m     = tether::compute_model(d);
    const tether::positions p = tether::compute_positions(d, m);
    drawn_modes out{tether::compute_modes(m, p, n), {}, {}};
    out.why                             = out.found.missed.why;
    const std::vector<double> altitudes = shape_altitudes(m, points);
    tether::modes first = n >= drawn ? out.found : tether::compute_modes(m, p, drawn);
    for (auto* v : {&first.in_plane, &first.out_of_plane, &first.lambda2_in, &first.lambda2_out,
                    &first.error}) {
        v->resize(std::min<std::size_t>(v->size(), drawn));
    }
    out.shapes = shape_table(static_cast<unsigned>(first.in_plane.size()), altitudes,
                             tether::mode_shapes(m, p, first, altitudes));
    return out;
}

}  // namespace engine
