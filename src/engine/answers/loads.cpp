#include "engine/answers/loads.hpp"

#include "engine/words/numbers.hpp"
#include "engine/words/settings.hpp"

#include "climber/figures.hpp"
#include "climber/traffic.hpp"

#include <cmath>

namespace engine {

std::vector<column> load_columns()
{
    return {
        {"alt", "km", "altitude"},
        {"t0", "kN", "the tether's own tension, with no climber on"},
        {"tension", "kN", "the tension at the traffic's worst moment"},
        {"share", "-", "tension relative to t0"},
    };
}

const tether::param& load_spacing()
{
    return *tether::find_param("rowdz");
}

load_table loads_of(const tether::design& d)
{
    climber::figures_request r{climber::method::integral};
    r.sums                          = false;
    r.whole                         = false;
    r.departures                    = false;
    const climber::design_figures s = climber::compute_figures(d, r);
    if (!climber::lifts(s)) {
        using tether::message_number;
        const climber::traffic& t = s.traffic;
        throw usage_error(
            "the tether's foot cannot lift the climber (" + climber::foot_and_climber(s) +
            "): the traffic's peak load (peak_load = " + message_number(t.peak_load, 6) +
            " kN) is load_share = " + message_number(t.load_share, 6) +
            " times the pull at the foot (load_capacity = " + message_number(t.load_capacity, 6) +
            " kN)");
    }
    const climber::climb_profile climb(s.model, s.drive, s.plan.ztop, r.integral);
    // Held climbers reach up to GEO: the rows go there, its own the last.
    const double geo = s.model.rgeo - s.model.RE;
    if (!(geo / d.march.rowdz < max_load_rows)) {
        const tether::param& p = load_spacing();
        throw usage_error(std::string(p.name) + " = " + shortest(d.march.rowdz) +
                          unit_suffix(p.unit) + " gives more than " +
                          std::to_string(static_cast<long>(max_load_rows)) +
                          " rows from the foot to GEO");
    }
    // A multiple of rowdz within a few ulps of GEO is GEO's row, not one
    // more beside it.
    const double close = 4 * (std::nextafter(geo, geo + geo) - geo);
    std::vector<double> altitudes;
    for (double i = 0; geo - i * d.march.rowdz > close; ++i) {
        altitudes.push_back(i * d.march.rowdz);
    }
    altitudes.push_back(geo);
    load_table out;
    for (const climber::load_row& row : climber::load_rows(d, s, d.traffic, climb, altitudes)) {
        out.rows.push_back({row.alt, row.t0, row.tension, row.share});
    }
    out.notes = climber::notes(s, false);
    out.why   = s.traffic.missed.why;
    return out;
}

}  // namespace engine
