// Goal seek: solving back to a design's own parameter from its figure, the
// linear cases exactly, and the refusals.
#include "engine/answers/solve.hpp"
#include "engine/words/vocabulary.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>

namespace {

double figure_of(const tether::design& d, const std::string& name)
{
    const std::vector<std::size_t> one = engine::figure_selection({name});
    const climber::design_figures s =
        climber::compute_figures(d, engine::request_for({climber::method::integral}, one));
    return engine::figure_values(s, one, 0)[0];
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
        {"strength", 50, "27:300", "time"},
        {"vmax", 140, "50:400", "time"},
        {"rapex", 150000, "60000:300000", "mapex"},
        {"mclimb", 9000, "1000:20000", "time"},
        {"safety", 1.3, "1:2", "system_mass"},
        {"mclimb", 9000, "8000:10000", "swing_left_top"},
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
    // The figure does not reach the target in the bracket: both ends said,
    // and the reason apart.
    tether::design thick{};
    thick.tether.csgeo = 10000;  // a foot that lifts the climber at strength 10
    engine::solution s = engine::solve(thick, goal_of("strength=10:300", "time=72"));
    EXPECT_EQ(s.problem, "time = 448.19 h at strength = 10 GPa and 104.39 h at strength = "
                         "300 GPa: 72 h is not between them");
    EXPECT_EQ(s.reason, "72 h is not between them");
    // The climb's figures have no value where the foot cannot lift the climber.
    s = engine::solve(tether::design{}, goal_of("strength=10:300", "time=110"));
    EXPECT_EQ(s.problem, "at strength = 10 GPa (the bracket's low end) the foot cannot lift the "
                         "climber (mre = 0.118675 t, mclimb = 16 t), so time has no value there");
    // A figure with no value at an end: the top speed never caps at 1e9 m/s.
    s = engine::solve(tether::design{}, goal_of("vmax=50:1e9", "cap_alt=1000"));
    EXPECT_EQ(s.problem, "cap_alt has no value at vmax = 1e+09 m/s (the bracket's high end)");
    // A design at an end that the check refuses, named by its own message.
    s = engine::solve(tether::design{}, goal_of("rapex=1000:300000", "mapex=1"));
    EXPECT_NE(s.problem.find("rapex = 1000 km: must be greater than the geostationary radius"),
              std::string::npos)
        << s.problem;
    EXPECT_NE(s.problem.find("(the bracket's low end)"), std::string::npos) << s.problem;
    ASSERT_TRUE(s.fault);
    EXPECT_EQ(s.reason, s.fault->reason);
    // An end exactly on the target is the answer.
    s = engine::solve(tether::design{}, goal_of("strength=35.1:70", "yuri=27"));
    ASSERT_TRUE(s.solved());
    EXPECT_EQ(s.value, 35.1);
    // The figures as computed, not less the target and back: a target of
    // 1e308 leaves them whole.
    s = engine::solve(tether::design{}, goal_of("vmax=1e-300:1e300", "time=1e308"));
    tether::design slow{};
    tether::design fast{};
    slow.climber.vmax = 1e-300;
    fast.climber.vmax = 1e300;
    EXPECT_EQ(s.problem, "time = " + tether::message_number(figure_of(slow, "time"), 5) +
                             " h at vmax = 1e-300 m/s and " +
                             tether::message_number(figure_of(fast, "time"), 5) +
                             " h at vmax = 1e+300 m/s: 1e+308 h is not between them");
    // Enough digits that the figures and the target read apart, and the
    // bracket's ends as given.
    s = engine::solve(tether::design{}, goal_of("rapex=42164.2:300000", "rgeo=42164.1"));
    EXPECT_EQ(s.problem, "rgeo = 42164.2 km at rapex = 42164.2 km and 42164.2 km at rapex = "
                         "300000 km: 42164.1 km is not between them");
}

TEST(Solve, ABaseDesignRefusedOnAnotherParameterIsRefusedBeforeAnySearch)
{
    tether::design base{};
    base.climber.vmax = -1;
    const auto fault  = engine::design_error(base, false);
    ASSERT_TRUE(fault);
    // In the check's own words, as a plain run says it: no bracket blamed.
    engine::solution s = engine::solve(base, goal_of("strength=10:300", "time=100"));
    EXPECT_EQ(s.problem, fault->message);
    ASSERT_TRUE(s.fault);
    EXPECT_EQ(s.fault->name, "vmax");
    EXPECT_EQ(s.reason, fault->reason);
    // The parameter sought replaces the base's value: no fault of the base.
    s = engine::solve(base, goal_of("vmax=50:400", "time=100"));
    EXPECT_TRUE(s.solved()) << s.problem;
}

// The parameter values a jump's message names, read back.
std::pair<double, double> jump_ends(const std::string& message, const std::string& param)
{
    const std::regex at(" at " + param + " = ([-+0-9.e]+)");
    std::vector<double> found;
    for (auto m = std::sregex_iterator(message.begin(), message.end(), at);
         m != std::sregex_iterator(); ++m) {
        found.push_back(std::stod((*m)[1].str()));
    }
    EXPECT_EQ(found.size(), 2U) << message;
    return found.size() == 2 ? std::pair{found[0], found[1]} : std::pair{0.0, 0.0};
}

TEST(Solve, AFigureThatJumpsOverTheTargetHasNoAnswer)
{
    struct jump {
        const char* set;  // the base design's one setting
        double value;
        const char* bracket;
        const char* figure;
        const char* why;
        double csgeo = 10000;  // the foot lifts the climber
    };
    const jump jumps[] = {
        // The lowest capped stretch vanishes: cap_alt leaps up the tether.
        {"strength", 10, "vmax=26.5:27.2", "cap_alt=5000",
         "(a capped stretch of the climb appears or vanishes there)"},
        // ztop = auto is a whole km below GEO: time and the masses step.
        {"strength", 35.1, "tsid=70000:100000", "time=100", "set ztop)", 62.8},
        {"strength", 35.1, "GM=390000:410000", "total_mass=2200", "set ztop)", 62.8},
    };
    for (const jump& j : jumps) {
        tether::design base{};
        tether::find_param(j.set)->field(base) = j.value;
        base.tether.csgeo                      = j.csgeo;
        const engine::goal g                   = goal_of(j.bracket, j.figure);
        const engine::solution s               = engine::solve(base, g);
        ASSERT_FALSE(s.solved()) << j.bracket << " gave " << s.value;
        EXPECT_TRUE(s.problem.empty()) << s.problem;
        EXPECT_EQ(engine::unsolved_reason(s), s.jump);
        EXPECT_EQ(s.jump.substr(s.jump.size() - s.reason.size()), s.reason);
        EXPECT_EQ(s.reason.rfind("it ", 0), 0U) << s.reason;
        EXPECT_NE(s.jump.find(j.why), std::string::npos) << s.jump;
        EXPECT_EQ(s.jump.rfind("no value gives " + std::string(j.figure).replace(
                                                       std::string(j.figure).find('='), 1, " = "),
                               0),
                  0U)
            << s.jump;
        // The ends named are neighbouring numbers where the figure, computed
        // here afresh, lies on either side of the target and far apart.
        const auto [a, b] = jump_ends(s.jump, g.param->name);
        EXPECT_EQ(std::nextafter(a, b), b) << s.jump;
        tether::design da      = base;
        tether::design db      = base;
        g.param->field(da)     = a;
        g.param->field(db)     = b;
        const std::string name = engine::figure_columns()[g.figure].name;
        const double fa        = figure_of(da, name);
        const double fb        = figure_of(db, name);
        EXPECT_NE(fa < g.value, fb < g.value) << s.jump;
        EXPECT_GT(std::fabs(fb - fa), 1e-7 * std::fabs(g.value)) << s.jump;
    }
    // With ztop set, time is smooth in tsid and the same search answers.
    tether::design fixed{};
    fixed.march.ztop  = 30000;
    fixed.planet.tsid = 80000;
    const double time = figure_of(fixed, "time");
    engine::goal g    = goal_of("tsid=70000:100000", "time=0");
    g.value           = time;
    fixed.planet.tsid = 86164;
    const auto s      = engine::solve(fixed, g);
    ASSERT_TRUE(s.solved()) << engine::unsolved_reason(s);
    EXPECT_NEAR(s.value, 80000, 1e-6);
}

TEST(Solve, ASteepButSmoothFigureIsAnswered)
{
    // The counterweight grows without bound as the top end nears GEO: at
    // 10 m above it, mapex changes about 4e6 times as fast as rapex in
    // relative terms, so neighbouring designs' figures differ by 1e-9 of
    // it, and still the root is a root.
    tether::design d{};
    d.tether.rapex     = 42164.18;
    engine::goal g     = goal_of("rapex=42164.17:42200", "mapex=0");
    g.value            = figure_of(d, "mapex");
    engine::solution s = engine::solve(tether::design{}, g);
    ASSERT_TRUE(s.solved()) << engine::unsolved_reason(s);
    EXPECT_NEAR(s.value, 42164.18, 1e-12 * 42164.18);
}

TEST(Solve, TheBaseDesignsOwnValueIsKeptWhereItGivesTheTarget)
{
    // The search would land within 1e-12 of it; the design asked about is
    // the answer itself.
    for (const double vmax : {100.0, 140.0, 61.3}) {
        tether::design d{};
        d.climber.vmax = vmax;
        engine::goal g = goal_of("vmax=50:400", "time=0");
        g.value        = figure_of(d, "time");
        const auto s   = engine::solve(d, g);
        ASSERT_TRUE(s.solved()) << engine::unsolved_reason(s);
        EXPECT_EQ(s.value, vmax);
        const std::vector<double> kept = engine::figure_values(s.study);
        const std::vector<double> own =
            engine::figure_values(climber::compute_figures(d, {climber::method::integral}));
        ASSERT_EQ(kept.size(), own.size());
        for (std::size_t i = 0; i < own.size(); ++i) {  // throughput is NaN without a stream
            EXPECT_TRUE(kept[i] == own[i] || (std::isnan(kept[i]) && std::isnan(own[i]))) << i;
        }
    }
}

TEST(Solve, ABracketOfManyDecadesIsSearchedOnALogScale)
{
    tether::design d{};
    d.climber.vmax = 140;
    engine::goal g = goal_of("vmax=1e-300:1e300", "time=0");
    g.value        = figure_of(d, "time");
    const auto s   = engine::solve(tether::design{}, g);
    ASSERT_TRUE(s.solved()) << engine::unsolved_reason(s);
    EXPECT_NEAR(s.value, 140, 1e-8 * 140);
}

TEST(Solve, ASolvedDesignCarriesTheNotesOfAPlainRun)
{
    // The study's rhog departs from the material's: said as a plain run says it.
    tether::design thick{};
    thick.tether.csgeo   = 10000;  // a foot that lifts the climber at strength 10
    const engine::goal g = goal_of("strength=10:300", "time=110");
    const auto s         = engine::solve(thick, g);
    ASSERT_TRUE(s.solved());
    tether::design d  = thick;
    d.tether.strength = s.value;
    const auto notes  = engine::solved_notes(thick, g, s);
    const auto plain  = climber::design_notes(d);
    ASSERT_FALSE(plain.empty());
    ASSERT_GE(notes.size(), plain.size());
    EXPECT_EQ(notes[0].text, plain[0].text);
    EXPECT_TRUE(engine::solved_notes(tether::design{}, g, engine::solution{}).empty());
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
    // A period is a figure of its own kind: not unknown, but not sought.
    try {
        goal_of("vmax=10:20", "period_in_1=100");
        ADD_FAILURE() << "a period sought";
    }
    catch (const engine::usage_error& e) {
        EXPECT_NE(std::string(e.what()).find("is an oscillation period"), std::string::npos)
            << e.what();
    }
}

}  // namespace
