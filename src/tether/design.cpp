#include "tether/design.hpp"

#include "tether/model.hpp"
#include "tether/pmath.hpp"
#include "tether/positions.hpp"

#include <array>
#include <cmath>
#include <iterator>
#include <limits>
#include <locale>
#include <sstream>

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

planet moon_l1()
{
    planet p;
    p.GM               = 4902.800066;  // km^3/s^2
    p.RE               = 1738.1;       // km
    p.tsid             = automatic;    // locked to the Earth
    p.partner_GM       = 398600.4418;  // the Earth, km^3/s^2
    p.partner_distance = 384400;       // km
    p.partner_RE       = 6378;         // km
    p.partner_side     = 1;
    return p;
}

planet moon_l2()
{
    planet p       = moon_l1();
    p.partner_side = -1;
    return p;
}

bool has_partner(const design& d)
{
    return d.planet.partner_GM > 0;
}

namespace {

struct preset {
    const char* name;
    planet (*make)();
};
const std::array<preset, 4> presets{
    {{"earth", earth}, {"mars", mars}, {"moon-l1", moon_l1}, {"moon-l2", moon_l2}}};

}  // namespace

std::optional<planet> planet_named(const std::string& name)
{
    for (const preset& p : presets) {
        if (name == p.name) {
            return p.make();
        }
    }
    return std::nullopt;
}

std::vector<std::string> planet_names()
{
    std::vector<std::string> names;
    names.reserve(presets.size());
    for (const preset& p : presets) {
        names.emplace_back(p.name);
    }
    return names;
}

namespace {

// No largest value: a parameter bounded only below.
constexpr double no_most = std::numeric_limits<double>::infinity();

// The partner's orbital period: the body's day when locked to it.
double locked_day(const design& d)
{
    if (!has_partner(d)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return (PI + PI) / compute_model(d).omega;
}

// clang-format off
const param table[] = {
    {"planet",  "GM",       "km^3/s^2", "gravitational parameter",           false, [](design& d) -> double& { return d.planet.GM; }, "", nullptr},
    {"planet",  "RE",       "km",       "equatorial radius",                 false, [](design& d) -> double& { return d.planet.RE; }, "", nullptr},
    {"planet",  "tsid",     "s",        "sidereal day",                      true,  [](design& d) -> double& { return d.planet.tsid; },
     "with a partner, the period of its orbit", locked_day},
    {"planet",  "partner_GM", "km^3/s^2", "partner's gravitational parameter; 0: none", false, [](design& d) -> double& { return d.planet.partner_GM; }, "", nullptr, 0, range::non_negative},
    {"planet",  "partner_distance", "km", "distance between the centres",    false, [](design& d) -> double& { return d.planet.partner_distance; }, "", nullptr, 0, range::positive, true},
    {"planet",  "partner_RE", "km",     "partner's radius",                  false, [](design& d) -> double& { return d.planet.partner_RE; }, "", nullptr, 0, range::positive, true},
    {"planet",  "partner_side", "1",    "+1: toward the partner (L1); -1: away (L2, L3 if the body is larger)", false, [](design& d) -> double& { return d.planet.partner_side; }, "", nullptr, 0, range::side, true},
    {"tether",  "rapex",    "km",       "radius of the top end",             false, [](design& d) -> double& { return d.tether.rapex; }, "", nullptr},
    {"tether",  "strength", "GPa",      "tensile strength",                  false, [](design& d) -> double& { return d.tether.strength; }, "", nullptr},
    {"tether",  "density",  "kg/m^3",   "density",                           false, [](design& d) -> double& { return d.tether.density; }, "", nullptr},
    {"tether",  "csgeo",    "mm^2",     "cross-section at GEO",              false, [](design& d) -> double& { return d.tether.csgeo; }, "", nullptr},
    {"tether",  "modulus",  "GPa",      "Young's modulus",                   false, [](design& d) -> double& { return d.tether.modulus; }, "", nullptr},
    {"tether",  "rhog",     "kg/m",     "linear density at the surface",     true,  [](design& d) -> double& { return d.tether.rhog; },
     "density x cross-section at RE", [](const design& d) { return surface_density(d, compute_model(d)); }},
    {"tether",  "safety",   "1",        "safety factor on the strength",     false, [](design& d) -> double& { return d.tether.safety; }, "", nullptr, 1},
    {"tether",  "damping",  "1",        "each sideways mode's fraction of critical damping", false, [](design& d) -> double& { return d.tether.damping; }, "", nullptr, 0, range::fraction, false, false, no_most, false, 3},
    {"climber", "mclimb",   "kg",       "climber mass",                      false, [](design& d) -> double& { return d.climber.mclimb; }, "", nullptr},
    {"climber", "fextra",   "N",        "drive force beyond surface weight", false, [](design& d) -> double& { return d.climber.fextra; }, "", nullptr},
    {"climber", "vmax",     "m/s",      "top speed",                         false, [](design& d) -> double& { return d.climber.vmax; }, "", nullptr},
    {"march",   "dz",       "km",       "step between march points",         false, [](design& d) -> double& { return d.march.dz; }, "", nullptr},
    {"march",   "ztop",     "km",       "highest march point",               true,  [](design& d) -> double& { return d.march.ztop; },
     "19 km below GEO, rounded down", [](const design& d) { return top_of_march(d, compute_model(d)); }},
    {"march",   "rowdz",    "km",       "spacing of the table's rows",       false, [](design& d) -> double& { return d.march.rowdz; }, "", nullptr},
    {"traffic", "climbers", "1",        "climbers held on the tether at once", false, [](design& d) -> double& { return d.traffic.climbers; }, "", nullptr, 1, range::positive, false, true, no_most, true},
    {"traffic", "interval", "h",        "time between a stream's departures", true, [](design& d) -> double& { return d.traffic.interval; },
     "no stream", [](const design&) { return automatic; }, 0, range::positive, false, true},
    {"traffic", "anchor",   "kN",       "pull the anchor keeps at the foot", false, [](design& d) -> double& { return d.traffic.anchor; }, "", nullptr, 0, range::positive, false, true},
    {"traffic", "payload",  "kg",       "what each climber delivers",        true,  [](design& d) -> double& { return d.traffic.payload; },
     "mclimb, the whole climber", [](const design& d) { return d.climber.mclimb; }, 0, range::positive, false, true},
    {"ribbon",  "width",    "mm",       "the ribbon's width",                false, [](design& d) -> double& { return d.ribbon.width; }, "", nullptr},
    {"ribbon",  "cut",      "1",        "share of the width a cutting particle spans", false, [](design& d) -> double& { return d.ribbon.cut; }, "", nullptr, 0, range::positive, false, false, 1},
    {"ribbon",  "debris_year", "yr",    "epoch of the debris model",         false, [](design& d) -> double& { return d.ribbon.debris_year; }, "", nullptr, first_debris_year, range::positive, false, false, last_debris_year},
    {"ribbon",  "solar_flux", "sfu",    "solar flux F10.7",                  false, [](design& d) -> double& { return d.ribbon.solar_flux; }, "", nullptr},
};
// clang-format on

}  // namespace

std::string message_number(double v, int digits)
{
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text.precision(digits);
    text << v;
    return text.str();
}

std::string compact_number(double v)
{
    std::string text = message_number(v);
    const auto e     = text.find('e');
    if (e == std::string::npos) {
        return text;
    }
    std::string exponent = text.substr(e + 1);
    const bool negative  = exponent.front() == '-';
    exponent.erase(0, exponent.find_first_not_of("+-0"));
    return text.substr(0, e + 1) + (negative ? "-" : "") + (exponent.empty() ? "0" : exponent);
}

problem beyond_range(const char* name, const char* what, const char* other)
{
    return {name,
            std::string(*other != 0 ? "give " : "gives ") + what +
                " beyond the range of binary64 numbers",
            other};
}

const param* params_begin()
{
    return std::begin(table);
}

const param* params_end()
{
    return std::end(table);
}

int revision(const param& p)
{
    if (p.added > 0) {
        return p.added;
    }
    if (std::string(p.group) == "ribbon") {
        return 2;
    }
    const bool partner = p.of_partner || std::string(p.name) == "partner_GM";
    return std::string(p.group) == "traffic" || partner ? 1 : 0;
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

// How far above GEO (relative) the top end must be.
constexpr double geo_margin = 1e-12;

std::optional<problem> check_range(const param& p, double v)
{
    switch (p.values) {
    case range::non_negative:
        return v >= 0 ? std::nullopt
                      : std::optional<problem>(problem{p.name, "must not be negative"});
    case range::side:
        return v == 1 || v == -1
                   ? std::nullopt
                   : std::optional<problem>(problem{
                         p.name, "must be +1 (the tether points at the partner, "
                                 "through L1) or -1 (away from it, through L2, or L3 where the "
                                 "body is the larger)"});
    case range::fraction:
        return v >= 0 && v < 1
                   ? std::nullopt
                   : std::optional<problem>(problem{p.name, "must be at least 0 and below 1"});
    case range::positive:
        break;
    }
    if (!(v > 0)) {
        return problem{p.name, "must be greater than 0"};
    }
    if (p.at_least > 0 && std::isfinite(p.at_most) && !(v >= p.at_least && v <= p.at_most)) {
        return problem{p.name, "must be from " + message_number(p.at_least) + " to " +
                                   message_number(p.at_most)};
    }
    if (!(v >= p.at_least)) {
        return problem{p.name, "must be at least " + message_number(p.at_least)};
    }
    if (!(v <= p.at_most)) {
        return problem{p.name, "must be at most " + message_number(p.at_most)};
    }
    return std::nullopt;
}

// The partner and the day that goes with it.
std::optional<problem> check_partner(const design& d)
{
    const planet& b = d.planet;
    if (!has_partner(d)) {
        if (is_automatic(b.tsid)) {
            return problem{"tsid", "may be auto only with a partner (partner_GM > 0): give the "
                                   "sidereal day"};
        }
        return std::nullopt;
    }
    if (!is_automatic(b.tsid)) {
        return problem{"tsid", "is worked out with a partner (the body turns locked to it, once "
                               "an orbit): set tsid = auto, or partner_GM = 0"};
    }
    if (!(b.partner_distance > b.RE + b.partner_RE)) {
        return problem{"partner_distance",
                       "must be greater than RE + partner_RE = " +
                           message_number(b.RE + b.partner_RE) + " km: the bodies would overlap",
                       "partner_RE"};
    }
    return std::nullopt;
}

std::optional<problem> check_values(const design& d)
{
    for (const param& p : table) {
        const double v = value_of(d, p);
        if (p.with_climb || (p.can_be_auto && is_automatic(v)) ||
            (p.of_partner && !has_partner(d))) {
            continue;
        }
        if (!std::isfinite(v)) {
            return problem{p.name, "must be a finite number"};
        }
        if (auto fault = check_range(p, v)) {
            return fault;
        }
    }
    return check_partner(d);
}

// The balance point (GEO, L1 or L2), the foot below it and the top beyond it.
std::optional<problem> check_balance(const design& d, const model& m)
{
    const bool partner = m.fld.partnered();
    if (!std::isnormal(m.rgeo) || !std::isfinite(m.vgeo)) {
        if (partner) {
            // Toward the partner F turns positive only at its centre when
            // its pull is too weak to show beside the body's: binary64's
            // precision, not its range, runs out there.
            return problem{"partner_GM",
                           "leaves no balance point (" + balance_name(m.fld) + ") " +
                               (m.fld.s > 0 ? "that the precision of binary64 numbers tells "
                                              "apart from the partner's centre"
                                            : "within the range of binary64 numbers"),
                           "partner_distance"};
        }
        return problem{"tsid",
                       "leaves no geostationary orbit within the range of binary64 numbers"};
    }
    const std::string radius = balance_radius_words(m);
    if (!(m.rgeo > m.RE)) {
        return problem{"RE", "must be less than " + radius + ", " + message_number(m.rgeo) + " km"};
    }
    if (partner && m.fld.s > 0 && !(m.rgeo < m.fld.D - d.planet.partner_RE)) {
        return problem{"partner_RE",
                       "puts " + balance_place(m) + ", " + message_number(m.rgeo) +
                           " km from the body's centre, inside the partner body, whose surface "
                           "lies " +
                           message_number(m.fld.D - d.planet.partner_RE) + " km from it",
                       "partner_distance"};
    }
    if (!(m.rapex > m.rgeo)) {
        return problem{"rapex",
                       "must be greater than " + radius + ", " + message_number(m.rgeo) + " km"};
    }
    // Within a relative 1e-12 of GEO the counterweight's acceleration
    // (omega^2 r - GM / r^2) cancels to a few ulps, and the computed GEO
    // radius itself is that far from the exact one: no mass there means
    // anything.
    if (!(m.rapex > m.rgeo * (1 + geo_margin))) {
        return problem{"rapex", "must be greater than " + radius + ", " +
                                    message_number(m.rgeo, 17) + " km, by more than a relative " +
                                    message_number(geo_margin)};
    }
    if (partner && m.fld.s > 0 && !(m.rapex < m.fld.D - d.planet.partner_RE)) {
        return problem{"rapex",
                       "must be less than partner_distance - partner_RE = " +
                           message_number(m.fld.D - d.planet.partner_RE) +
                           " km: toward the partner the top end must stay short of its surface",
                       "partner_distance"};
    }
    return std::nullopt;
}

// The orbit, the apex and the taper between them.
std::optional<problem> check_tether(const design& d, const model& m)
{
    if (auto p = check_balance(d, m)) {
        return p;
    }
    if (!std::isfinite(m.vre) || !std::isfinite(m.ere)) {
        return beyond_range("RE", "an effective potential at the surface");
    }
    if (!std::isfinite(m.vapex) || !std::isfinite(m.eapex)) {
        return beyond_range("rapex", "an effective potential at the apex");
    }
    if (!std::isnormal(m.yuri)) {
        return beyond_range("strength", "a specific strength", "density");
    }
    if (!std::isnormal(m.ywork)) {
        return beyond_range("safety", "a working specific strength", "strength");
    }
    // Where the material's own strength would do, the safety factor is what
    // brought the working stress too low.
    const auto safety_at_fault = [&m](double e) { return std::isnormal(pmath::exp(-e / m.yuri)); };
    if (!std::isnormal(m.taper_re) || !std::isfinite(1 / m.taper_re)) {
        if (safety_at_fault(m.ere) && std::isfinite(pmath::exp(m.ere / m.yuri))) {
            return problem{"safety",
                           "too high: the working stress (strength / safety) is so low that the "
                           "tether's taper from the surface to " +
                               balance_place(m) + " leaves the range of binary64 numbers",
                           "strength"};
        }
        return problem{"strength",
                       "too low: the material is so weak (or the planet's gravity so deep) that "
                       "the tether's taper from the surface to " +
                           balance_place(m) + " leaves the range of binary64 numbers",
                       m.ere > 1e6 ? "RE" : ""};
    }
    if (!std::isnormal(m.taper_apex)) {
        if (safety_at_fault(m.eapex)) {
            return problem{"safety",
                           "too high for the apex: the tether's taper from " + balance_place(m) +
                               " to the apex at the working stress (strength / safety) leaves "
                               "the range of binary64 numbers",
                           "strength"};
        }
        return problem{"strength",
                       "too low for the apex: the tether's taper from " + balance_place(m) +
                           " to the apex leaves the range of binary64 numbers",
                       "rapex"};
    }
    const positions pos = compute_positions(d, m);
    for (double v : {pos.fgeo, pos.sgeo, pos.mapex, pos.mre, pos.cs_apex, pos.cs_re}) {
        if (!std::isfinite(v)) {
            return beyond_range("csgeo", "a tether");
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<problem> check(const design& d)
{
    if (auto p = check_values(d)) {
        return p;
    }
    return check_tether(d, compute_model(d));
}

}  // namespace tether
