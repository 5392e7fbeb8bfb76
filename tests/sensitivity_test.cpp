#include "engine/answers/sensitivity.hpp"

#include "engine/words/settings.hpp"
#include "engine/words/vocabulary.hpp"

#include "climber/figures.hpp"
#include "climber/integral.hpp"
#include "tether/model.hpp"

#include <algorithm>
#include <atomic>
#include <boost/math/tools/minima.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

const engine::slope& slope_of(const engine::sensitivities& s, const std::string& figure,
                              const std::string& parameter)
{
    for (const engine::slope& row : s.slopes) {
        if (s.figures.at(row.figure).name == figure &&
            s.params.at(row.parameter)->name == parameter) {
            return row;
        }
    }
    throw std::runtime_error("no row " + figure + " by " + parameter);
}

bool noted(const engine::sensitivities& s, const std::string& words)
{
    return std::any_of(s.notes.begin(), s.notes.end(),
                       [&](const std::string& n) { return n.find(words) != std::string::npos; });
}

// The study's design with ztop set where auto would put it.
tether::design with_top(tether::design d)
{
    d.march.ztop = tether::top_of_march(d, tether::compute_model(d));
    return d;
}

// A figure of a design by the integral method, read by its name.
double figure_of(const tether::design& d, const std::string& name, unsigned modes = 0)
{
    climber::figures_request r{climber::method::integral};
    r.modes    = modes;
    r.survival = true;
    return engine::figure_values(climber::compute_figures(d, r),
                                 engine::figure_selection({name}, modes), modes)
        .at(0);
}

// An independent reference: the five-point central difference
// (f(x-2h) - 8 f(x-h) + 8 f(x+h) - f(x+2h)) / 12h, whose error falls as h^4,
// at h and h/2 extrapolated once (error as h^6).
double reference(const tether::design& d, const std::string& parameter, const std::string& figure,
                 double relative, unsigned modes = 0)
{
    const tether::param& q = *tether::find_param(parameter);
    const double x         = tether::value_of(d, q);
    const auto at          = [&](double step) {
        tether::design e = d;
        q.field(e)       = x + step;
        return figure_of(e, figure, modes);
    };
    const auto five = [&](double h) {
        return (at(-2 * h) - 8 * at(-h) + 8 * at(h) - at(2 * h)) / (12 * h);
    };
    const double h = relative * std::fabs(x);
    return (64 * five(h / 2) - five(h)) / 63;
}

TEST(Sensitivity, ExactCases)
{
    const tether::design d        = with_top({});
    const engine::sensitivities s = engine::compute_sensitivities(d);
    const tether::model m         = tether::compute_model(d);

    // rgeo = (GM / omega^2)^(1/3): d rgeo / d GM = rgeo / (3 GM).
    EXPECT_NEAR(slope_of(s, "rgeo", "GM").derivative, m.rgeo / (3 * m.GM),
                1e-9 * m.rgeo / (3 * m.GM));
    EXPECT_NEAR(slope_of(s, "rgeo", "GM").elasticity, 1.0 / 3, 1e-9);

    // taper_re = exp(-ere / ywork), ywork = strength 1000 / (density safety):
    // d taper_re / d strength = taper_re ere / (ywork strength).
    const double dt = m.taper_re * m.ere / (m.ywork * d.tether.strength);
    EXPECT_NEAR(slope_of(s, "taper_re", "strength").derivative, dt, 1e-9 * dt);
    // and by safety, one-sided at its bound 1: -taper_re ere / (ywork safety).
    const engine::slope& by_safety = slope_of(s, "taper_re", "safety");
    EXPECT_TRUE(by_safety.one_sided);
    EXPECT_NEAR(by_safety.derivative, -m.taper_re * m.ere / m.ywork, 1e-8 * dt * 35.1);
    EXPECT_TRUE(noted(s, "safety = 1 is at a bound"));
    EXPECT_FALSE(slope_of(s, "taper_re", "strength").one_sided);

    // A figure that does not depend on a parameter has derivative 0.
    EXPECT_EQ(slope_of(s, "rgeo", "strength").derivative, 0);
    EXPECT_EQ(slope_of(s, "time", "dz").derivative, 0);
}

TEST(Sensitivity, TimeByTopSpeedIsTheCappedLengthOverTheSquaredSpeed)
{
    // Where the climb is capped at vmax the time is the capped length over
    // vmax; the uncapped stretches do not depend on vmax, and their ends
    // move where both sides' speed is vmax, so no limit's term is left.
    for (double vmax : {100.0, 60.0, 150.0}) {
        tether::design d = with_top({});
        d.climber.vmax   = vmax;
        const auto s     = engine::compute_sensitivities(d);
        const auto m     = tether::compute_model(d);
        const auto stretch =
            climber::climb_stretches(m, climber::compute_drive_params(d, m), d.march.ztop);
        ASSERT_TRUE(stretch.has_value());
        double capped = 0;
        for (const climber::climb_stretch& c : *stretch) {
            capped += c.capped ? c.b - c.a : 0;
        }
        ASSERT_GT(capped, 0);
        const double expected = -capped * (1000.0 / 3600) / (vmax * vmax);
        EXPECT_NEAR(slope_of(s, "time", "vmax").derivative, expected, 1e-7 * std::fabs(expected))
            << "vmax " << vmax;
    }
}

// One figure's derivative by one parameter against the reference, whose
// own differences are as noisy as the figure is found.
void expect_reference(const tether::design& d, const engine::sensitivities& s,
                      const std::string& parameter, const std::string& figure, double noise)
{
    const engine::slope& got = slope_of(s, figure, parameter);
    const double f           = figure_of(d, figure);
    if (!std::isfinite(f)) {
        EXPECT_TRUE(std::isnan(got.derivative));
        return;
    }
    // ztop, and GM and tsid, which move GEO, by steps that keep the top of
    // the march below GEO.
    const std::string& p = parameter;
    const double rel     = p == "ztop" || p == "GM" || p == "tsid" ? 1e-5 : 1e-3;
    const double want    = reference(d, parameter, figure, rel);
    const double x       = tether::value_of(d, *tether::find_param(parameter));
    const double tol     = 1e-7 * std::fabs(want) + noise / rel * 40 * std::fabs(f / x);
    EXPECT_NEAR(got.derivative, want, tol)
        << figure << " by " << parameter << " at strength " << d.tether.strength;
    if (f != 0) {
        EXPECT_NEAR(got.elasticity, got.derivative * x / f, 1e-12 * std::fabs(got.elasticity));
    }
}

// Against the independent five-point reference, for every figure and the
// parameters that move them, at the study's design and at a weaker,
// heavier-loaded one.
TEST(Sensitivity, AgreesWithAnIndependentDifference)
{
    tether::design weak  = with_top({});
    weak.tether.strength = 20;
    weak.tether.safety   = 1.3;
    weak.climber.mclimb  = 9000;
    weak                 = with_top(weak);
    for (const tether::design& d : {with_top({}), weak}) {
        const engine::sensitivities s = engine::compute_sensitivities(d);
        // Found as roots to 1e-12 of their size (cap_alt to 1e-9 km): the
        // references' own differences are that noisy.
        const auto noise = [](const std::string& f) {
            return f == "orbit_alt" || f == "uniform_top" ? 1e-12 : f == "cap_alt" ? 1e-11 : 1e-14;
        };
        for (const char* parameter : {"GM", "RE", "tsid", "rapex", "strength", "density", "csgeo",
                                      "modulus", "mclimb", "fextra", "vmax", "ztop"}) {
            for (const engine::column& figure : s.figures) {
                expect_reference(d, s, parameter, figure.name, noise(figure.name));
            }
        }
    }
}

// Figures named: the ribbon's survival by its width against a central
// difference of two designs'; the default figures named have their default
// rows, bit for bit, and only named the ribbon's parameters are rows.
TEST(Sensitivity, NamedFigures)
{
    const tether::design d = with_top({});
    const auto s           = engine::compute_sensitivities(d, 0, nullptr, {"survival", "time"});
    ASSERT_EQ(s.figures.size(), 2U);
    EXPECT_EQ(s.figures[0].name, "survival");
    tether::design up   = d;
    tether::design down = d;
    up.ribbon.width *= 1 + 1e-4;
    down.ribbon.width *= 1 - 1e-4;
    const double want = (figure_of(up, "survival") - figure_of(down, "survival")) /
                        (up.ribbon.width - down.ribbon.width);
    EXPECT_NEAR(slope_of(s, "survival", "width").derivative, want, 1e-7 * std::fabs(want));
    const engine::sensitivities all = engine::compute_sensitivities(d);
    std::vector<std::string> names;
    for (const engine::column& c : all.figures) {
        names.push_back(c.name);
    }
    const engine::sensitivities same = engine::compute_sensitivities(d, 0, nullptr, names);
    ASSERT_EQ(same.slopes.size(), all.slopes.size());
    for (std::size_t i = 0; i < all.slopes.size(); ++i) {
        EXPECT_EQ(engine::slope_labels(same, same.slopes[i]),
                  engine::slope_labels(all, all.slopes[i]));
        EXPECT_EQ(same.slopes[i].derivative, all.slopes[i].derivative);
    }
    EXPECT_THROW(slope_of(all, "time", "width"), std::runtime_error);
}

TEST(Sensitivity, PeriodsToTheirAccuracy)
{
    const tether::design d        = with_top({});
    const engine::sensitivities s = engine::compute_sensitivities(d, 2);
    for (const char* parameter : {"strength", "rapex"}) {
        for (const char* figure : {"period_in_1", "period_in_2", "period_out_2"}) {
            const double want = reference(d, parameter, figure, 1e-2, 2);
            EXPECT_NEAR(slope_of(s, figure, parameter).derivative, want, 1e-5 * std::fabs(want))
                << figure << " by " << parameter;
        }
    }
    EXPECT_EQ(slope_of(s, "period_in_1", "vmax").derivative, 0);
}

TEST(Sensitivity, AStopEndsItWithTheFiguresAlone)
{
    const std::atomic<int> stop{2};
    const engine::sensitivities s = engine::compute_sensitivities({}, 100, &stop);
    EXPECT_TRUE(s.stopped && s.slopes.empty());
    EXPECT_EQ(s.figures.size(), engine::design_figure_selection(0).size() + 200);
}

// Where the climb's speed has a local peak just at vmax, a capped stretch
// appears or vanishes as vmax moves by a rounding: cap_alt jumps there, and
// its derivative is empty with a note.
TEST(Sensitivity, AJumpingFigureIsEmptyWithANote)
{
    // At strength 12 the speed peaks near 2000 km at about 35.6 m/s, dips to
    // 31.5 m/s near 8000 km and rises again.
    tether::design d     = with_top({});
    d.tether.strength    = 12;
    d.tether.csgeo       = 10000;  // a foot that lifts the climber
    d.climber.vmax       = 33;
    const auto m         = tether::compute_model(d);
    const auto drive     = climber::compute_drive_params(d, m);
    const auto stretches = climber::climb_stretches(m, drive, d.march.ztop);
    ASSERT_TRUE(stretches.has_value());
    // The uncapped stretch between two capped ones holds the speed's dip;
    // the first capped one holds a peak, below the dip's start.
    std::vector<climber::climb_stretch> capped;
    for (const climber::climb_stretch& c : *stretches) {
        if (c.capped) {
            capped.push_back(c);
        }
    }
    ASSERT_GE(capped.size(), 2U);
    const auto minus_speed = [&](double z) { return -climber::uncapped_speed(m, drive, z); };
    const auto peak =
        boost::math::tools::brent_find_minima(minus_speed, capped[0].a, capped[0].b, 52);
    d.climber.vmax                = -peak.second;
    const engine::sensitivities s = engine::compute_sensitivities(d);
    EXPECT_TRUE(std::isnan(slope_of(s, "cap_alt", "vmax").derivative));
    EXPECT_TRUE(noted(s, "cap_alt is not smooth"));
    EXPECT_TRUE(std::isfinite(slope_of(s, "cap_alt", "fextra").derivative) || noted(s, "fextra"));
    EXPECT_FALSE(noted(s, "rgeo is not smooth"));
}

// A small derivative of a period (mode 34 by tsid: 6e-8 h/s, spread 4e-11
// over 2.6 s steps) settles on the period's own noise; a jump does not.
TEST(Sensitivity, SmallDerivativesSettleOnTheirFiguresNoise)
{
    const double error = engine::period_noise * 0.949 / 2.63;
    const double by    = engine::mode_slope_accuracy;
    EXPECT_TRUE(engine::settles(6.05e-8, error, 0.949, 2.63, by, engine::period_noise));
    EXPECT_FALSE(engine::settles(6.05e-8, 3e-8, 0.949, 2.63, by, engine::period_noise));
}

TEST(Sensitivity, RefusesADesignThatCannotBeComputed)
{
    tether::design d;
    d.tether.rapex = 1000;
    EXPECT_THROW(engine::compute_sensitivities(d), engine::usage_error);
}

TEST(Sensitivity, HoldsAutoParametersAndSaysSo)
{
    tether::design d;
    d.tether.rhog                 = tether::automatic;
    const engine::sensitivities s = engine::compute_sensitivities(d);
    EXPECT_TRUE(noted(s, "ztop = auto is held at its worked-out value, 35767 km"));
    EXPECT_TRUE(noted(s, "rhog = auto is held"));
    // Held: the material's rhog does not follow the density.
    EXPECT_EQ(slope_of(s, "time", "csgeo").derivative, 0);
    const engine::sensitivities set = engine::compute_sensitivities(with_top(d));
    EXPECT_EQ(slope_of(s, "time", "ztop").derivative, slope_of(set, "time", "ztop").derivative);
    // With a partner, what auto gives is named from its balance point.
    d.planet = *tether::planet_named("moon-l1");
    EXPECT_TRUE(noted(engine::compute_sensitivities(d), "below the balance point (L1)"));
}

}  // namespace
