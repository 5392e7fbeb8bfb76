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

const std::vector<module>& modules()
{
    using f = const design_figures&;
    using r = figures_request&;
    // clang-format off
    static const std::vector<module> table{
        {"tether",     nullptr,                                    nullptr,                                 nullptr, true},
        {"modes",      [](r q, bool w) { q.modes = w ? q.modes : 0; }, [](f s) { return &s.modes.missed; }, nullptr, true},
        {"sums",       [](r q, bool w) { q.sums = w; },            [](f s) { return &s.integral; },         nullptr, true},
        {"whole",      [](r q, bool w) { q.whole = w; },           [](f s) { return &s.whole.missed; },     nullptr, true},
        {"traffic",    [](r q, bool w) { q.traffic = w; },         [](f s) { return &s.traffic.missed; },
         [](f s, std::vector<note>& out) { traffic_notes(s.traffic, out); }, false},
        // The traffic's shortest interval, which needs the traffic.
        {"departures", [](r q, bool w) { q.departures = w; q.traffic = q.traffic || w; }, nullptr, nullptr, false},
        {"survival",   [](r q, bool w) { q.survival = w; },        nullptr,
         [](f s, std::vector<note>& out) { tether::survival_notes(s.survival, out); }, false},
        {"swing",      [](r q, bool w) { q.swing = w; q.swing_by.stream = false; }, [](f s) { return &s.swing.missed; },
         [](f s, std::vector<note>& out) { swing_notes(s.swing, out); }, false},
        // The stream's swing, which needs the swing.
        {"swing_stream", [](r q, bool w) { q.swing_by.stream = w; q.swing = q.swing || w; }, nullptr, nullptr, false},
    };
    // clang-format on
    return table;
}

bool design_figures::missed() const
{
    return std::any_of(modules().begin(), modules().end(), [this](const module& m) {
        return m.missed != nullptr && m.missed(*this)->any;
    });
}

std::string design_figures::why_missed() const
{
    for (const module& m : modules()) {
        if (m.missed != nullptr && !m.missed(*this)->why.empty()) {
            return m.missed(*this)->why;
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
    out.integral     = std::move(in.missed);
    return out;
}

void drop_unlifted_climb(design_figures& f)
{
    if (lifts(f)) {
        return;
    }
    f.sums.time    = nan;
    f.sums.cap_alt = nan;
    // The sums' miss was the time's alone where the mass is there: the time
    // is no miss now, but no climb.
    if (f.integral && !std::isnan(f.sums.total)) {
        f.integral = {};
    }
    f.traffic.min_interval   = nan;
    f.traffic.on_tether      = nan;
    f.traffic.max_throughput = nan;
    f.traffic.throughput     = nan;
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
        out.whole = {nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, {}};
    }
    if (r.modes > 0) {
        out.modes = tether::compute_modes(out.model, out.positions, r.modes, r.mode_by, stop);
    }
    if (r.traffic && r.how == method::integral) {
        out.traffic = compute_traffic(d, out, d.traffic, r.integral, r.departures);
    }
    if (r.survival) {
        out.survival = tether::compute_survival(d, out.model);
    }
    if (r.swing && r.how == method::integral) {
        out.swing = compute_swing(d, out, r.swing_by, r.integral, stop);
    }
    drop_unlifted_climb(out);
    return out;
}

std::vector<note> notes(const design_figures& s, bool by_march)
{
    std::vector<note> out = notes(static_cast<const study&>(s), by_march);
    for (const module& m : modules()) {
        if (m.notes != nullptr) {
            m.notes(s, out);
        }
    }
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
