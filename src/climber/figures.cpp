#include "climber/figures.hpp"

#include <limits>

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
           modes.unstable;
}

std::string design_figures::why_missed() const
{
    for (const std::string* why : {&modes.why, &integral.why, &whole.why}) {
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
    out.integral = integrate(out.model, out.drive, out.plan.ztop, s);
    out.sums     = out.integral.sums;
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
        out.whole = {nan, nan, nan, nan, nan, nan, nan, nan, nan, false, {}};
    }
    if (r.modes > 0) {
        out.modes = tether::compute_modes(out.model, out.positions, r.modes, r.mode_by, stop);
    }
    return out;
}

std::vector<note> field_notes(const design_figures& f, const figures_request& r)
{
    if (!r.whole || !f.model.fld.partnered()) {
        return {};
    }
    return {{note_kind::partner_release,
             "orbit_alt, escape_alt, apex_speed and apex_vinf are empty: they are orbits about "
             "the body alone, and a payload let go from a tether with a partner body moves under "
             "both bodies' pull",
             "orbit_alt"}};
}

}  // namespace climber
