// Goal seek: solving back to a design's own parameter from its figure, the
// linear cases exactly, and the refusals.
#include "engine/figures.hpp"
#include "engine/solve.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

double figure_of(const tether::design& d, const std::string& name)
{
    const climber::integral_study s = climber::compute_figures(d, climber::method::integral);
    const auto columns              = engine::figure_columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name == name) {
            return engine::figure_values(s)[i];
        }
    }
    ADD_FAILURE() << "no figure " << name;
    return std::nan("");
}

engine::goal goal_of(const std::string& solve, const std::string& figure)
{
    engine::goal g = engine::parse_solve(solve);
    engine::parse_for(g, figure);
    return g;
}

TEST(Solve, SolvesBackToTheParameterThatGaveTheFigure)
{
    struct trip {
        const char* name;
        double value;  // the design's own
        const char* bracket;
        const char* figure;
    };
    const trip trips[] = {
        {"strength", 50, "20:300", "time"},         {"vmax", 140, "50:400", "time"},
        {"rapex", 150000, "60000:300000", "mapex"}, {"mclimb", 9000, "1000:20000", "time"},
        {"safety", 1.3, "1:2", "system_mass"},
    };
    for (const trip& t : trips) {
        tether::design d{};
        tether::find_param(t.name)->field(d) = t.value;
        const double target                  = figure_of(d, t.figure);
        engine::goal g =
            goal_of(std::string(t.name) + "=" + t.bracket, std::string(t.figure) + "=0");
        g.value                  = target;
        const engine::solution s = engine::solve(tether::design{}, g);
        ASSERT_TRUE(s.solved()) << t.name << ": " << s.problem;
        EXPECT_NEAR(s.value, t.value, 1e-8 * t.value) << t.name << " for " << t.figure;
        // The solved design gives the target to the figure's own accuracy.
        tether::find_param(t.name)->field(d) = s.value;
        EXPECT_NEAR(figure_of(d, t.figure), target, 1e-9 * std::fabs(target)) << t.name;
    }
}

// The search ends on a bracket of 1e-12 of the value, not wider: the
// sidereal day that puts GEO at a given radius, 2 pi sqrt(r^3 / GM), and the
// day that gives a design's own orbit_alt back (a figure found by a root
// finder to 1e-12, on which the search ends bisecting), to 2e-12.
TEST(Solve, ClosesTheBracketToOnePartInATrillion)
{
    const double GM = tether::design{}.planet.GM;
    for (double r : {30000.0, 36000.0, 42164.0, 50000.0, 61234.5}) {
        const engine::solution s = engine::solve(
            tether::design{}, goal_of("tsid=40000:200000", "rgeo=" + std::to_string(r)));
        ASSERT_TRUE(s.solved()) << s.problem;
        const double day = 2 * tether::PI * std::sqrt(r * r * r / GM);
        EXPECT_NEAR(s.value, day, 2e-12 * day) << r;
    }
    for (double day : {77777.0, 86164.0, 90000.0}) {
        tether::design d{};
        d.planet.tsid    = day;
        engine::goal g   = goal_of("tsid=60000:120000", "orbit_alt=0");
        g.value          = figure_of(d, "orbit_alt");
        const auto found = engine::solve(tether::design{}, g);
        ASSERT_TRUE(found.solved()) << found.problem;
        EXPECT_NEAR(found.value, day, 2e-12 * day);
    }
}

TEST(Solve, TheFootsMassIsProportionalToTheCrossSection)
{
    // mre grows as csgeo: the cross-section that holds 20 t at the foot.
    const double mre0        = figure_of(tether::design{}, "mre");
    const engine::solution s = engine::solve(tether::design{}, goal_of("csgeo=1:1000", "mre=20"));
    ASSERT_TRUE(s.solved()) << s.problem;
    EXPECT_NEAR(s.value, 62.8 * 20 / mre0, 1e-12 * s.value);
}

TEST(Solve, SaysWhyThereIsNoAnswer)
{
    // The figure does not reach the target in the bracket: both ends said.
    engine::solution s = engine::solve(tether::design{}, goal_of("strength=10:300", "time=72"));
    EXPECT_EQ(s.problem, "time = 448.19 h at strength = 10 GPa and 104.39 h at strength = "
                         "300 GPa: 72 h is not between them");
    // A figure with no value at an end: the top speed never caps at 1e9 m/s.
    s = engine::solve(tether::design{}, goal_of("vmax=50:1e9", "cap_alt=1000"));
    EXPECT_EQ(s.problem, "cap_alt has no value at vmax = 1e+09 m/s (the bracket's high end)");
    // A design at an end that the check refuses, named by its own message.
    s = engine::solve(tether::design{}, goal_of("rapex=1000:300000", "mapex=1"));
    EXPECT_NE(s.problem.find("rapex = 1000 km: must be greater than the geostationary radius"),
              std::string::npos)
        << s.problem;
    EXPECT_NE(s.problem.find("(the bracket's low end)"), std::string::npos) << s.problem;
    // An end exactly on the target is the answer.
    s = engine::solve(tether::design{}, goal_of("strength=35.1:70", "yuri=27"));
    ASSERT_TRUE(s.solved());
    EXPECT_EQ(s.value, 35.1);
}

TEST(Solve, RefusesGoalsItCannotRead)
{
    for (const auto& [solve, figure] : {std::pair<const char*, const char*>{"colour=1:2", "time=1"},
                                        {"strength=3:2", "time=1"},
                                        {"strength=2:2", "time=1"},
                                        {"strength=a:2", "time=1"},
                                        {"strength=1:2:3", "time=1"},
                                        {"strength", "time=1"},
                                        {"strength=1:2", "colour=1"},
                                        {"strength=1:2", "time=x"}}) {
        EXPECT_THROW(goal_of(solve, figure), engine::usage_error) << solve << " " << figure;
    }
}

}  // namespace
