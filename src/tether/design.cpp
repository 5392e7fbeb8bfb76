#include "tether/design.hpp"

#include "climber/drive.hpp"
#include "climber/march.hpp"
#include "tether/model.hpp"
#include "tether/positions.hpp"

#include <array>
#include <cmath>
#include <cstdio>

namespace tether {

bool is_automatic(double v)
{
    return std::isnan(v);
}

planet earth()
{
    return planet{};
}

planet mars()
{
    planet p;
    p.GM   = 42828.37;  // km^3/s^2
    p.RE   = 3396.2;    // km
    p.tsid = 88642.66;  // s
    return p;
}

std::optional<planet> planet_named(const std::string& name)
{
    if (name == "earth") {
        return earth();
    }
    if (name == "mars") {
        return mars();
    }
    return std::nullopt;
}

namespace {

// clang-format off
const std::array<param, 15> table{{
    {"planet",  "GM",       "km^3/s^2", "gravitational parameter",           false, [](design& d) -> double& { return d.planet.GM; }},
    {"planet",  "RE",       "km",       "equatorial radius",                 false, [](design& d) -> double& { return d.planet.RE; }},
    {"planet",  "tsid",     "s",        "sidereal day",                      false, [](design& d) -> double& { return d.planet.tsid; }},
    {"tether",  "rapex",    "km",       "radius of the top end",             false, [](design& d) -> double& { return d.tether.rapex; }},
    {"tether",  "strength", "GPa",      "tensile strength",                  false, [](design& d) -> double& { return d.tether.strength; }},
    {"tether",  "density",  "kg/m^3",   "density",                           false, [](design& d) -> double& { return d.tether.density; }},
    {"tether",  "csgeo",    "mm^2",     "cross-section at GEO",              false, [](design& d) -> double& { return d.tether.csgeo; }},
    {"tether",  "modulus",  "GPa",      "Young's modulus",                   false, [](design& d) -> double& { return d.tether.modulus; }},
    {"tether",  "rhog",     "kg/m",     "linear density at the surface",     false, [](design& d) -> double& { return d.tether.rhog; }},
    {"climber", "mclimb",   "kg",       "climber mass",                      false, [](design& d) -> double& { return d.climber.mclimb; }},
    {"climber", "fextra",   "N",        "drive force beyond surface weight", false, [](design& d) -> double& { return d.climber.fextra; }},
    {"climber", "vmax",     "m/s",      "top speed",                         false, [](design& d) -> double& { return d.climber.vmax; }},
    {"march",   "dz",       "km",       "step between march points",         false, [](design& d) -> double& { return d.march.dz; }},
    {"march",   "ztop",     "km",       "highest march point",               true,  [](design& d) -> double& { return d.march.ztop; }},
    {"march",   "rowdz",    "km",       "spacing of the table's rows",       false, [](design& d) -> double& { return d.march.rowdz; }},
}};
// clang-format on

std::string num(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

problem beyond_range(const char* name, const char* what)
{
    return {name, std::string("gives ") + what + " beyond the range of binary64 numbers"};
}

}  // namespace

const param* params_begin()
{
    return table.data();
}

const param* params_end()
{
    return table.data() + table.size();
}

const param* find_param(const std::string& name)
{
    for (const param& p : table) {
        if (name == p.name) {
            return &p;
        }
    }
    return nullptr;
}

double value_of(const design& d, const param& p)
{
    design copy = d;
    return p.field(copy);
}

namespace {

std::optional<problem> check_values(const design& d)
{
    for (const param& p : table) {
        const double v = value_of(d, p);
        if (p.can_be_auto && is_automatic(v)) {
            continue;
        }
        if (!std::isfinite(v)) {
            return problem{p.name, "must be a finite number"};
        }
        if (!(v > 0)) {
            return problem{p.name, "must be greater than 0"};
        }
    }
    return std::nullopt;
}

// The orbit, the apex, the top of the march and the taper between them.
std::optional<problem> check_tether(const design& d, const model& m)
{
    if (!std::isnormal(m.rgeo) || !std::isfinite(m.vgeo)) {
        return problem{"tsid",
                       "leaves no geostationary orbit within the range of binary64 numbers"};
    }
    if (!(m.rgeo > m.RE)) {
        return problem{"RE", "must be less than the geostationary radius, " + num(m.rgeo) + " km"};
    }
    if (!(m.rapex > m.rgeo)) {
        return problem{"rapex",
                       "must be greater than the geostationary radius, " + num(m.rgeo) + " km"};
    }
    const double ztop   = climber::top_of_march(d, m);
    const double geoalt = m.rgeo - m.RE;
    if (is_automatic(d.march.ztop) && !(ztop > 0)) {
        return problem{"ztop", "auto gives " + num(ztop) +
                                   " km, which is not positive: the geostationary altitude is " +
                                   num(geoalt) + " km, and the march stops 19 km below it"};
    }
    if (!(ztop < geoalt) || !(grav(m, m.RE + ztop) > 0)) {
        return problem{"ztop", "must be below the geostationary altitude, " + num(geoalt) + " km"};
    }
    if (!std::isnormal(m.taper_re) || !std::isnormal(m.taper_apex) ||
        !std::isfinite(1 / m.taper_re)) {
        return problem{"strength", "too low: the material is so weak that the tether's taper "
                                   "leaves the range of binary64 numbers"};
    }
    const positions pos = compute_positions(d, m);
    for (double v : {pos.fgeo, pos.sgeo, pos.mapex, pos.mre, pos.cs_apex, pos.cs_re}) {
        if (!std::isfinite(v)) {
            return beyond_range("csgeo", "a tether");
        }
    }
    return std::nullopt;
}

// The climber's drive and the march's points, rows and sums.
std::optional<problem> check_march(const design& d, const model& m, bool with_rows)
{
    const climber::drive_params drv = climber::compute_drive_params(d, m);
    if (!std::isfinite(drv.fvg) || !std::isfinite(drv.fmax)) {
        return beyond_range("mclimb", "a climber weight");
    }
    if (!std::isnormal(drv.zg) || !std::isfinite(drv.zg)) {
        return beyond_range("rhog", "a tether impedance");
    }
    const climber::march_plan plan = climber::plan_march(d, m);
    if (plan.points > 1000000000) {
        return problem{"dz", "gives " + num(static_cast<double>(plan.points)) +
                                 " march points from 0 to " + num(plan.ztop) +
                                 " km; at most 1e9 are allowed"};
    }
    const double k = std::nearbyint(d.march.rowdz / d.march.dz);
    if (with_rows &&
        (!(k >= 1) || !(std::fabs(d.march.rowdz - k * d.march.dz) <= 1e-9 * d.march.rowdz))) {
        return problem{"rowdz", "must be a whole multiple of dz = " + num(d.march.dz) + " km"};
    }
    // Below GEO the weight is at most its surface value and the force margin
    // at least fextra, and the taper at most its value at GEO, so the speed
    // is at least speed_min anywhere on the march; the sums stay below these
    // bounds (with a margin of 2).
    const double taper_max = 1 / m.taper_re;
    const double fextra    = d.climber.fextra;
    const double speed_min = ((0.5 * fextra) * fextra) / drv.fvg / drv.zg / taper_max;
    const double slowest   = std::fmin(speed_min, drv.vmax);
    const auto n           = static_cast<double>(plan.points);
    if (!(slowest > 0) || !std::isfinite(2 * n * (plan.dtfac / slowest))) {
        return beyond_range(speed_min < drv.vmax ? "fextra" : "vmax", "a travel time");
    }
    if (!std::isfinite(2 * n * (plan.dm0 * taper_max))) {
        return beyond_range("rhog", "a tether mass");
    }
    return std::nullopt;
}

}  // namespace

std::optional<problem> check(const design& d, bool with_rows)
{
    if (auto p = check_values(d)) {
        return p;
    }
    const model m = compute_model(d);
    if (auto p = check_tether(d, m)) {
        return p;
    }
    return check_march(d, m, with_rows);
}

}  // namespace tether
