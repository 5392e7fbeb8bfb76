#include "climber/study.hpp"

#include "tether/positions.hpp"

#include <cmath>
#include <iomanip>
#include <locale>
#include <sstream>

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
        return problem{"ztop",
                       "auto gives " + message_number(ztop) + " km, which is not positive: " +
                           tether::balance_altitude_words(m) + " is " + message_number(geoalt) +
                           " km, and the march stops 19 km below it"};
    }
    if (!(ztop < geoalt) || !(tether::grav(m, m.RE + ztop) > 0)) {
        return problem{"ztop", "must be below " + tether::balance_altitude_words(m) + ", " +
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
    const double margin           = drv.fmax - drv.fvg;
    constexpr double least_margin = 1e-12;  // of the surface force, kept from rounding
    if (!(margin >= least_margin * drv.fmax)) {
        return problem{"fextra",
                       "give a force margin at the surface (" + message_number(margin) +
                           " N) lost to rounding next to the climber's weight, " +
                           message_number(drv.fvg) + " N; fextra must be at least " +
                           tether::compact_number(least_margin) + " of it",
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

std::optional<problem> check_all(const tether::design& d, bool with_rows)
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

}  // namespace

std::optional<tether::problem> check(const tether::design& d, bool with_rows)
{
    auto p = check_all(d, with_rows);
    // rhog = auto follows the material: a fault of rhog is the material's.
    if (p && tether::is_automatic(d.tether.rhog) && (p->name == "rhog" || p->other == "rhog")) {
        (p->name == "rhog" ? p->name : p->other) = "density";
        p->why += " (rhog = auto: density x cross-section at RE, which csgeo and strength set)";
    }
    return p;
}

std::vector<note> design_notes(const tether::design& d,
                               const std::function<bool(note_kind)>& written)
{
    std::vector<note> out;
    if (tether::is_automatic(d.tether.rhog)) {
        return out;
    }
    const tether::model m = tether::compute_model(d);
    const double material = tether::material_rhog(d, tether::compute_positions(d, m));
    const double rhog     = d.tether.rhog;
    if (std::fabs(rhog - material) > 0.01 * material) {
        if (written && !written(note_kind::rhog_departure)) {
            out.push_back({note_kind::rhog_departure, {}, {}});
            return out;
        }
        std::ostringstream percent;
        percent.imbue(std::locale::classic());
        percent << std::showpos << std::setprecision(3) << 100 * (rhog - material) / material;
        out.push_back({note_kind::rhog_departure,
                       "rhog = " + message_number(rhog) + " kg/m is " + percent.str() +
                           " % from density x cross-section at RE (" + message_number(material) +
                           " kg/m), so the tether's mass and its impedance disagree; rhog = auto "
                           "makes them agree",
                       "rhog"});
    }
    return out;
}

bool lifts(const study& s)
{
    return !(s.positions.mre * 1000 < s.drive.mclimb);
}

std::string foot_and_climber(const study& s)
{
    return "mre = " + message_number(s.positions.mre, 6) +
           " t, mclimb = " + message_number(s.drive.mclimb / 1000, 6) + " t";
}

bool advises_integral(const note& n)
{
    return n.kind == note_kind::coarse_march || n.kind == note_kind::integral_only;
}

std::vector<note> notes(const study& s, bool by_march)
{
    std::vector<note> out;
    const double tether_mass = s.sums.total - s.positions.mapex;
    if (tether_mass < 0) {
        out.push_back(
            {note_kind::negative_tether_mass,
             "tether_mass = " + message_number(tether_mass, 6) +
                 " t is negative: it is the tether's mass summed from the surface to the top of "
                 "the march (total_mass = " +
                 message_number(s.sums.total, 6) + " t) less the counterweight (mapex = " +
                 message_number(s.positions.mapex, 6) + " t), which here outweighs it",
             "tether_mass"});
    }
    if (!lifts(s)) {
        out.push_back({note_kind::cannot_lift,
                       "mre = " + message_number(s.positions.mre, 6) +
                           " t: at the working stress the tether's foot holds less than the "
                           "climber (mclimb = " +
                           message_number(s.drive.mclimb, 6) +
                           " kg), so it cannot lift it; a larger csgeo, a stronger material or a "
                           "smaller safety factor can",
                       "mre"});
    }
    if (by_march && s.plan.points > 0) {
        // The first point's own step, as the march adds it.
        const drive_point first = drive_at(s.model, s.drive, 0);
        const double time_share = (s.plan.dtfac / first.speed) / s.sums.time;
        const double mass_share = (s.plan.dm0 * first.taper) / s.sums.total;
        if (time_share > 0.01 || mass_share > 0.01) {
            const bool time      = time_share >= mass_share;
            const double percent = 100 * (time ? time_share : mass_share);
            out.push_back(
                {note_kind::coarse_march,
                 "the march's first point alone gives " + message_number(percent, 3) +
                     " % of the " + (time ? "travel time" : "tether's mass") +
                     ", so its sums are far from converged at dz = " + message_number(s.plan.dz) +
                     " km; the integral method computes them without steps",
                 time ? "time" : "total_mass"});
        }
    }
    return out;
}

study compute_study(const tether::design& d, const std::atomic<int>* stop)
{
    return compute_study(
        d, [](const drive_point&, double) {}, stop);
}

}  // namespace climber
