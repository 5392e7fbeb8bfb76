// What strikes the ribbon: the fluxes and the band against the reference
// written out anew, the figures' rules, bad parameters, the figures by name.
#include "engine/answers/solve.hpp"
#include "engine/words/vocabulary.hpp"
#include "tether/survival.hpp"

#include "reference/survival.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace {

using tether::design;

tether::survival of(const design& d)
{
    return tether::compute_survival(d, tether::compute_model(d));
}

void near(long double wanted, double got, const char* what)
{
    EXPECT_LE(std::fabs(static_cast<long double>(got) - wanted), 1e-9L * std::fabs(wanted)) << what;
}

TEST(Survival, FluxesAndTheBandAreTheReferencesToWithin1e9)
{
    for (double m : {1e-9, 1e-3, 1.0, 48.0, 5e4}) {
        near(reference::grun(static_cast<long double>(m)), tether::meteoroid_flux(m), "meteoroids");
    }
    for (double d : {0.01, 1.0, 6.0, 33.3, 300.0}) {
        for (double h : {300.0, 800.0, 1900.0}) {
            for (double t : {1995.0, 2011.0, 2040.0}) {
                near(reference::nasa90(static_cast<long double>(d), static_cast<long double>(h),
                                       static_cast<long double>(t), 110),
                     tether::debris_flux(d, h, t, 110), "debris");
            }
        }
    }
    for (double s : {60.0, 110.0, 250.0}) {
        near(reference::band(static_cast<long double>(s)), tether::debris_band(s), "band");
    }
    near(2500 * 3.14159265358979323846L / 162, tether::meteoroid_mass(100.0 / 3), "sphere");
}

TEST(Survival, TheFiguresKeepTheirRules)
{
    design d;
    const tether::survival base = of(d);
    d.tether.rapex              = 2 * d.tether.rapex - d.planet.RE;  // twice as long
    EXPECT_NEAR(of(d).meteoroid_cuts / base.meteoroid_cuts, 2, 1e-12);
    EXPECT_NEAR(base.debris_cuts - base.untracked_cuts, base.dodges, 1e-12 * base.dodges);
    EXPECT_DOUBLE_EQ(base.survival, std::exp(-(base.debris_cuts + base.meteoroid_cuts)));
    d.ribbon.cut = 1;
    EXPECT_LT(of(d).debris_cuts, base.debris_cuts);
    EXPECT_LT(of(d).meteoroid_cuts, base.meteoroid_cuts);
    for (double width : {100.0, 100.0001, 500.0}) {  // cut x width from 10 cm on
        d.ribbon.width = width;
        EXPECT_EQ(of(d).untracked_cuts, 0) << width;
    }
    d.planet = tether::mars();
    EXPECT_TRUE(std::isnan(of(d).debris_cuts) && std::isnan(of(d).dodges));
    EXPECT_DOUBLE_EQ(of(d).survival, std::exp(-of(d).meteoroid_cuts));
}

TEST(Survival, BadParametersAreRefusedByName)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::nan("");
    const std::pair<const char*, std::vector<double>> bad[] = {
        {"width", {0, -1, nan, inf}},
        {"cut", {0, -0.5, 1.0000001, nan}},
        {"debris_year", {1987.9, 2050.1, nan}},
        {"solar_flux", {0, -110, nan, inf}}};
    for (const auto& [name, values] : bad) {
        for (double v : values) {
            design d;
            tether::find_param(name)->field(d) = v;
            const auto fault                   = tether::check(d);
            ASSERT_TRUE(fault.has_value()) << name << " " << v;
            EXPECT_EQ(fault->name, name) << v << ": " << fault->why;
        }
    }
}

TEST(Survival, TheFiguresComeOnlyByNameAndGoalSeekFindsThem)
{
    EXPECT_EQ(engine::figure_columns().size() + 11, engine::figure_columns(0, true).size());
    EXPECT_TRUE(engine::request_for({}, engine::figure_selection({"survival"})).survival);
    EXPECT_FALSE(engine::request_for({}, engine::figure_selection({})).survival);
    design mars;
    mars.planet = tether::mars();  // meteoroids alone: survival rises with the width
    const engine::goal g{tether::find_param("width"), 1, 100, engine::figure_column("survival"),
                         0.9};
    const engine::solution s = engine::solve(mars, g);
    ASSERT_TRUE(s.solved()) << s.problem;
    EXPECT_NEAR(s.study.survival.survival, 0.9, 1e-9);
}

}  // namespace
