#include "climber/figures.hpp"

#include "tether/design.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace climber {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// The tether and the drive, without the sums.
void compute_base(design_figures& out, const tether::design& d)
{
    out.model     = tether::compute_model(d);
    out.positions = tether::compute_positions(d, out.model);
    out.drive     = compute_drive_params(d, out.model);
    out.plan      = plan_march(d, out.model);
}

}  // namespace

bool design_figures::missed() const
{
    return integral.time_missed || integral.total_missed || whole.mass_missed || modes.missed ||
           modes.unstable || traffic.missed;
}

std::string design_figures::why_missed() const
{
    for (const std::string* why : {&modes.why, &integral.why, &whole.why, &traffic.reason}) {
        if (!why->empty()) {
            return *why;
        }
    }
    return {};
}

design_figures compute_study_integral(const tether::design& d, const integral_settings& s)
{
    design_figures out{};
    compute_base(out, d);
    integral_sums in = integrate(out.model, out.drive, out.plan.ztop, s);
    out.sums         = in.sums;
    out.integral     = std::move(in.misses);
    return out;
}

design_figures compute_figures(const tether::design& d, const figures_request& r,
                               const std::atomic<int>* stop)
{
    design_figures out{};
    if (!r.sums) {
        compute_base(out, d);
        out.sums = {nan, nan, nan, false};
    }
    else if (r.how == method::integral) {
        out = compute_study_integral(d, r.integral);
    }
    else {
        static_cast<study&>(out) = compute_study(d, stop);
    }
    if (r.whole) {
        out.whole = tether::compute_whole(d, out.model, out.positions, r.integral.tolerance);
    }
    else {
        out.whole = {nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, false, {}};
    }
    if (r.modes > 0) {
        out.modes = tether::compute_modes(out.model, out.positions, r.modes, r.mode_by, stop);
    }
    if (r.traffic && r.how == method::integral) {
        out.traffic = compute_traffic(d, out, d.traffic, r.integral, r.departures);
    }
    return out;
}

std::vector<note> notes(const design_figures& s, bool by_march)
{
    std::vector<note> out = notes(static_cast<const study&>(s), by_march);
    const traffic& t      = s.traffic;
    const bool said       = std::any_of(out.begin(), out.end(),
                                        [](const note& n) { return n.kind == note_kind::cannot_lift; });
    // Above 1 by more than the figures' accuracy: a design sized by goal
    // seek for a share of 1 sits on it.
    if (said || !(t.load_share > 1 + share_tolerance)) {
        return out;
    }
    using tether::message_number;
    out.push_back({note_kind::foot_lifts,
                   "load_share = " + message_number(t.load_share, 6) +
                       ": the traffic's peak load (peak_load = " + message_number(t.peak_load, 6) +
                       " kN) exceeds the pull at the tether's foot (load_capacity = " +
                       message_number(t.load_capacity, 6) + " kN), so the foot would lift; " +
                       t.remedy,
                   "load_share"});
    return out;
}

std::vector<note> field_notes(const design_figures& f, const figures_request& r)
{
    if (!r.whole || !f.model.fld.partnered()) {
        return {};
    }
    std::vector<note> out{
        {note_kind::partner_release,
         "orbit_alt, escape_alt, apex_speed and apex_vinf are empty: they are orbits about "
         "the body alone, and a payload let go from a tether with a partner body moves under "
         "both bodies' pull",
         "orbit_alt"}};
    if (!std::isnan(f.whole.top_in_partner)) {
        out.push_back({note_kind::top_in_partner,
                       "uniform_top is empty: the top of a free-standing tether of one "
                       "cross-section would lie " +
                           tether::message_number(f.whole.top_in_partner, 6) +
                           " km inside the partner body, beyond its surface",
                       "uniform_top"});
    }
    return out;
}

}  // namespace climber
