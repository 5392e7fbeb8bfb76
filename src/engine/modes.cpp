#include "engine/modes.hpp"

#include "engine/numbers.hpp"
#include "engine/settings.hpp"

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

std::vector<double> shape_altitudes(const tether::model& m)
{
    std::vector<double> altitudes(shape_points);
    for (unsigned i = 0; i < shape_points; ++i) {
        // Evenly spaced; the last fraction is exactly 1, so the top end exactly.
        altitudes[i] = (m.rapex - m.RE) * (static_cast<double>(i) / (shape_points - 1));
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
    out.why = found.unstable || found.missed ? found.why : "";
    return out;
}

}  // namespace engine
