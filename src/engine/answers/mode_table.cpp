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
    std::vector<column> columns{{"mode", "-", "the mode's number, 1 the slowest"}};
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

mode_table mode_table_of(const tether::design& d, unsigned n, bool shapes,
                         const std::atomic<int>* stop)
{
    const tether::model m     = tether::compute_model(d);
    const tether::positions p = tether::compute_positions(d, m);
    const tether::modes found = tether::compute_modes(m, p, n, {}, stop);
    mode_table out{shapes ? shape_columns(n) : mode_columns(), {}, {}};
    if (shapes) {
        const std::vector<double> altitudes = shape_altitudes(m);
        const auto each                     = tether::mode_shapes(m, p, found, altitudes, {}, stop);
        for (std::size_t i = 0; i < altitudes.size(); ++i) {
            out.rows.push_back({altitudes[i]});
            for (const auto& shape : each) {
                out.rows.back().push_back(shape.at(i));
            }
        }
    }
    for (unsigned k = 0; !shapes && k < n; ++k) {
        out.rows.push_back(mode_row(found, k));
    }
    out.why = found.missed.why;
    return out;
}

drawn_modes modes_drawn(const tether::design& d, unsigned n, unsigned drawn, unsigned points)
{
    const tether::model m     = tether::compute_model(d);
    const tether::positions p = tether::compute_positions(d, m);
    drawn_modes out{tether::compute_modes(m, p, n), {}, shape_altitudes(m, points), {}};
    out.why             = out.found.missed.why;
    tether::modes first = n >= drawn ? out.found : tether::compute_modes(m, p, drawn);
    for (auto* v : {&first.in_plane, &first.out_of_plane, &first.lambda2_in, &first.lambda2_out,
                    &first.error}) {
        v->resize(std::min<std::size_t>(v->size(), drawn));
    }
    out.shapes = tether::mode_shapes(m, p, first, out.altitudes);
    return out;
}

}  // namespace engine
