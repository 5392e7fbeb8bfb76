#include "climber/study.hpp"

#include <cmath>

namespace climber {

namespace {

using tether::beyond_range;
using tether::message_number;
using tether::problem;

// The top of the march: below GEO, where gravity still pulls down.
std::optional<problem> check_top(const tether::design& d, const tether::model& m)
{
    const double ztop   = top_of_march(d, m);
    const double geoalt = m.rgeo - m.RE;
    if (tether::is_automatic(d.march.ztop) && !(ztop > 0)) {
        return problem{"ztop", "auto gives " + message_number(ztop) +
                                   " km, which is not positive: the geostationary altitude is " +
                                   message_number(geoalt) +
                                   " km, and the march stops 19 km below it"};
    }
    if (!(ztop < geoalt) || !(tether::grav(m, m.RE + ztop) > 0)) {
        return problem{"ztop", "must be below the geostationary altitude, " +
                                   message_number(geoalt) + " km"};
    }
    return std::nullopt;
}

// The drive's figures at the surface, where they are largest.
std::optional<problem> check_drive(const drive_params& drv)
{
    if (!std::isnormal(drv.vs)) {
        return beyond_range("modulus", "a wave speed", "density");
    }
    if (!std::isfinite(drv.fvg) || !(drv.fvg > 0)) {
        return beyond_range("mclimb", "a climber weight");
    }
    if (!std::isfinite(drv.fmax)) {
        return beyond_range("fextra", "a drive-force limit");
    }
    if (!std::isnormal(drv.zg)) {
        return beyond_range("rhog", "a tether impedance", "modulus");
    }
    // Higher up the weight is smaller and the impedance larger, so the
    // power is at most its value at the surface.
    const double power = ((0.5 * drv.fmax) * drv.fmax) / drv.zg;
    if (!std::isfinite(power)) {
        return beyond_range("fextra", "a drive power", "rhog");
    }
    if (!std::isfinite(drv.vmax * drv.fvg)) {
        return beyond_range("vmax", "a climbing power", "mclimb");
    }
    return std::nullopt;
}

// The march's points, rows and sums.
std::optional<problem> check_march(const tether::design& d, const tether::model& m,
                                   const drive_params& drv, bool with_rows)
{
    const march_plan plan = plan_march(d, m);
    if (plan.points > 1000000000) {
        return problem{"dz", "gives " + message_number(static_cast<double>(plan.points)) +
                                 " march points from 0 to " + message_number(plan.ztop) +
                                 " km; at most 1e9 are allowed"};
    }
    if (!std::isnormal(plan.dtfac)) {
        return beyond_range("dz", "a step's climbing time");
    }
    if (!std::isnormal(plan.dm0)) {
        return beyond_range("dz", "a step's tether mass", "rhog");
    }
    const double k = std::nearbyint(d.march.rowdz / d.march.dz);
    if (with_rows &&
        (!(k >= 1) || !(std::fabs(d.march.rowdz - k * d.march.dz) <= 1e-9 * d.march.rowdz))) {
        return problem{"rowdz",
                       "must be a whole multiple of dz = " + message_number(d.march.dz) + " km"};
    }
    // The force margin at the surface, as the march computes it: below GEO
    // the weight is at most its surface value (to a few units in the last
    // place), so the margin is at least this. It must not be lost to
    // rounding next to the weight.
    const double margin = drv.fmax - drv.fvg;
    if (!(margin >= 1e-12 * drv.fmax)) {
        return problem{"fextra",
                       "give a force margin at the surface (" + message_number(margin) +
                           " N) lost to rounding next to the climber's weight, " +
                           message_number(drv.fvg) + " N; fextra must be at least 1e-12 of it",
                       "mclimb"};
    }
    // The slowest speed the march can compute: half the margin (room for
    // the rounding of each step), the largest impedance (at GEO) and the
    // surface weight, in the march's order of operations. The sums stay
    // below these bounds with a margin of 2.
    const double taper_max = 1 / m.taper_re;
    const double excess    = 0.5 * margin;
    const double speed_min = (((0.5 * excess) * excess) / (drv.zg * taper_max)) / drv.fvg;
    const double slowest   = std::fmin(speed_min, drv.vmax);
    const auto n           = static_cast<double>(plan.points);
    if (!(slowest > 0) || !std::isfinite(2 * n * (plan.dtfac / slowest))) {
        return speed_min < drv.vmax ? beyond_range("fextra", "a travel time", "mclimb")
                                    : beyond_range("vmax", "a travel time");
    }
    if (!std::isfinite(2 * n * (plan.dm0 * taper_max))) {
        return beyond_range("rhog", "a tether mass");
    }
    return std::nullopt;
}

}  // namespace

std::optional<tether::problem> check(const tether::design& d, bool with_rows)
{
    if (auto p = tether::check(d)) {
        return p;
    }
    const tether::model m = tether::compute_model(d);
    if (auto p = check_top(d, m)) {
        return p;
    }
    const drive_params drv = compute_drive_params(d, m);
    if (auto p = check_drive(drv)) {
        return p;
    }
    return check_march(d, m, drv, with_rows);
}

study compute_study(const tether::design& d)
{
    return compute_study(d, [](const drive_point&, double) {});
}

void print_report(std::FILE* out, const tether::design& d)
{
    const tether::model model       = tether::compute_model(d);
    const tether::positions pos     = tether::compute_positions(d, model);
    const climber::drive_params drv = compute_drive_params(d, model);

    print_drive_params(out, drv);
    const double total = run_march(out, model, drv, plan_march(d, model)).total;
    tether::print_cnt_properties(out, d, model);
    tether::print_positions(out, d, model, pos);
    print_mass_summary(out, total, pos.mapex);
}

}  // namespace climber
