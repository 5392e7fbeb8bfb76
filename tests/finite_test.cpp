// Every design that passes the check computes to finite figures, by the
// march and by the integrals, and to finite values at every row of the
// ascent table; every other design is refused naming a parameter. Each
// parameter is driven to extremes alone and in pairs.
#include "climber/figures.hpp"
#include "climber/study.hpp"
#include "tether/design.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using tether::design;

std::string describe(const std::vector<std::pair<const tether::param*, double>>& set)
{
    std::string text;
    for (const auto& [p, v] : set) {
        text += std::string(p->name) + "=" + std::to_string(v) + " ";
    }
    return text;
}

int passed = 0;  // designs that passed the check and were computed

// Checks one design: refused with a known parameter, or finite throughout.
void expect_refused_or_finite(const std::vector<std::pair<const tether::param*, double>>& set)
{
    design d{};
    for (const auto& [p, v] : set) {
        p->field(d) = v;
    }
    const std::string which = describe(set);
    if (const auto problem = climber::check(d, true)) {
        EXPECT_NE(tether::find_param(problem->name), nullptr) << which << problem->name;
        return;
    }
    ++passed;
    bool rows_finite = true;
    const climber::study s =
        climber::compute_study(d, [&rows_finite](const climber::drive_point& p, double time) {
            for (double v : {p.alt, p.taper, p.grav, p.pused / 1000000, p.speed, time,
                             p.surplus / 1000000, p.grav / p.taper}) {
                rows_finite = rows_finite && std::isfinite(v);
            }
        });
    EXPECT_TRUE(rows_finite) << which;
    const climber::design_figures in = climber::compute_study_integral(d);
    for (const climber::study* study : {&s, static_cast<const climber::study*>(&in)}) {
        for (double v :
             {study->model.rgeo, study->model.yuri, study->model.taper_re, study->model.taper_apex,
              study->positions.cs_re, study->positions.cs_apex, study->positions.mapex,
              study->positions.mre, study->sums.total - study->positions.mapex, study->sums.total,
              study->sums.time}) {
            ASSERT_TRUE(std::isfinite(v)) << which << v;
        }
        EXPECT_FALSE(study->sums.cap_alt < 0) << which;
    }
    // The whole tether: finite, but for the speed kept far away by a
    // payload that stays bound, which has none.
    const tether::whole_tether w = tether::compute_whole(d, in.model, in.positions);
    EXPECT_FALSE(w.missed) << which;
    for (double v : {w.lower_mass, w.upper_mass, w.system_mass, w.orbit_alt, w.escape_alt,
                     w.apex_speed, w.uniform_yuri, w.uniform_top}) {
        EXPECT_TRUE(std::isfinite(v)) << which << v;
    }
    const bool bound = w.apex_speed * w.apex_speed <= (2 * in.model.GM) / in.model.rapex;
    EXPECT_EQ(std::isnan(w.apex_vinf), bound) << which;
    // A payload let go at RE falls back; the lowest altitude that orbits is
    // below GEO.
    EXPECT_TRUE(w.orbit_alt > 0 && w.orbit_alt < in.model.rgeo - in.model.RE) << which;
}

TEST(Finite, EveryParameterAloneAndInPairsAtItsExtremes)
{
    const std::vector<double> extremes{1e-300, 1e-11, 1e20, 1e300};
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        for (double v : extremes) {
            expect_refused_or_finite({{p, v}});
            expect_refused_or_finite({{p, std::nextafter(v, 0.0)}});
        }
        for (const tether::param* q = p + 1; q != tether::params_end(); ++q) {
            for (double v : {1e-300, 1e300}) {
                for (double w : {1e-300, 1e300}) {
                    expect_refused_or_finite({{p, v}, {q, w}});
                }
            }
        }
    }
    std::printf("%d of the designs passed the check and were computed\n", passed);
    EXPECT_GT(passed, 50);  // the extremes reach the computation, not only the check
}

TEST(Finite, JustPastEachBoundaryOfTheOrbitAndTheMarch)
{
    const design base{};
    const tether::model m = tether::compute_model(base);
    const double geoalt   = m.rgeo - m.RE;
    const auto p          = [](const char* name) { return tether::find_param(name); };
    for (double v : {std::nextafter(m.rgeo, 0.0), m.rgeo, std::nextafter(m.rgeo, 1e300)}) {
        expect_refused_or_finite({{p("rapex"), v}});
        expect_refused_or_finite({{p("RE"), v}});
    }
    for (double v : {std::nextafter(geoalt, 0.0), geoalt - 1e-9, geoalt - 1}) {
        expect_refused_or_finite({{p("ztop"), v}});
    }
    // The force margin at the surface barely above what rounding loses.
    for (double f : {1e-12, 1e-9, 1e-7, 1e-5}) {
        expect_refused_or_finite({{p("fextra"), f}});
        expect_refused_or_finite({{p("fextra"), f}, {p("mclimb"), 1e12}});
    }
}

// The faults found by hand: each is refused, naming the parameters at fault.
TEST(Finite, ExtremesThatOnceGaveInfinityAreRefusedNamingTheirParameter)
{
    struct named {
        const char* name;
        double value;
        const char* blamed;
        const char* other;
    };
    for (const named& c :
         {named{"fextra", 1e-11, "fextra", "mclimb"}, named{"mclimb", 1e20, "fextra", "mclimb"},
          named{"fextra", 1e300, "fextra", "rhog"}, named{"rapex", 1e308, "rapex", ""},
          named{"RE", 1e-300, "strength", "RE"}, named{"modulus", 1e308, "modulus", "density"},
          named{"dz", 1e308, "dz", ""}}) {
        design d{};
        tether::find_param(c.name)->field(d) = c.value;
        const auto problem                   = climber::check(d, false);
        ASSERT_TRUE(problem) << c.name;
        EXPECT_EQ(problem->name, c.blamed) << c.name << ": " << problem->why;
        EXPECT_EQ(problem->other, c.other) << c.name << ": " << problem->why;
    }
}

}  // namespace
