#include "engine/run/run.hpp"
#include "engine/run/spread.hpp"

#include "sorted_quantile.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <vector>

namespace {

// Every row of a run as execute hands it over with the given jobs.
std::vector<std::vector<double>> rows_of(const engine::run& r, unsigned jobs,
                                         engine::run_summary* summary = nullptr)
{
    std::vector<std::vector<double>> rows;
    std::vector<std::uint64_t> order;
    engine::run_settings s;
    s.jobs                      = jobs;
    const engine::run_summary t = r.execute(
        0, r.size(),
        [&](std::uint64_t i, engine::run_row& row) {
            order.push_back(i);
            rows.push_back(row.values);
            return true;
        },
        s);
    for (std::uint64_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(order[i], i);
    }
    if (summary != nullptr) {
        *summary = t;
    }
    return rows;
}

bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

TEST(Run, RowsComeInOrderAndAlikeOnAnyNumberOfJobs)
{
    engine::run_request q{tether::design{}, {{"vmax=20:200:7"}, {"strength=30,60"}}};
    q.figures = {climber::method::integral};
    const engine::run r(q);
    ASSERT_EQ(r.size(), 14u);
    EXPECT_EQ(r.columns()[0].name, "vmax");
    EXPECT_EQ(r.columns()[1].name, "strength");
    const auto serial = rows_of(r, 0);
    for (unsigned jobs : {1u, 2u}) {
        const auto threaded = rows_of(r, jobs);
        ASSERT_EQ(threaded.size(), serial.size());
        for (std::size_t i = 0; i < serial.size(); ++i) {
            for (std::size_t c = 0; c < serial[i].size(); ++c) {
                EXPECT_TRUE(same(threaded[i][c], serial[i][c])) << i << " " << c;
            }
        }
    }
    // Each row is its own design's figures, computed apart.
    const climber::design_figures third =
        climber::compute_figures(r.design_at(3), {climber::method::integral});
    const std::vector<double> figures = engine::figure_values(third);
    for (std::size_t c = 0; c < figures.size(); ++c) {
        EXPECT_TRUE(same(serial[3][2 + c], figures[c])) << c;
    }
}

TEST(Run, FiguresAskedForAreTheColumnsAndOnlyTheirModulesAreComputed)
{
    engine::run_request q{tether::design{}, {{"vmax=50,100"}}};
    q.figures                = {climber::method::integral};
    q.figures.modes          = 2;
    engine::run_request some = q;
    some.names               = {"time", "rgeo", "period_in_2"};
    const engine::run all(q);
    const engine::run chosen(some);
    ASSERT_EQ(chosen.columns().size(), 4u);
    EXPECT_EQ(chosen.columns()[1].name, "time");
    EXPECT_EQ(chosen.columns()[3].name, "period_in_2");
    const auto every = rows_of(all, 0);
    const auto few   = rows_of(chosen, 1);
    for (std::size_t i = 0; i < every.size(); ++i) {
        for (std::size_t c = 0; c < chosen.columns().size(); ++c) {
            std::size_t k = 0;
            while (all.columns()[k].name != chosen.columns()[c].name) {
                ++k;
            }
            EXPECT_EQ(few[i][c], every[i][k]) << chosen.columns()[c].name;
        }
    }
    const climber::figures_request time_only =
        engine::request_for(q.figures, engine::figure_selection({"time"}, 2));
    EXPECT_TRUE(time_only.sums);
    EXPECT_FALSE(time_only.whole);
    EXPECT_EQ(time_only.modes, 0u);
    const climber::figures_request tether_only =
        engine::request_for(q.figures, engine::figure_selection({"rgeo", "system_mass"}, 2));
    EXPECT_FALSE(tether_only.sums);
    EXPECT_TRUE(tether_only.whole);
    // Unknown, a parameter's or named twice: refused.
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"nothing"}, {"time", "vmax"}, {"time", "mre", "time"}}) {
        EXPECT_THROW(engine::figure_selection(bad, 0), engine::usage_error);
    }
}

TEST(Run, ATableRunSaysEachRowsFaultAndComputesTheOthers)
{
    engine::design_table t;
    t.params = {tether::find_param("vmax")};
    t.values = {50, std::nan(""), -1, 100};
    t.rows   = 4;
    engine::run_request q;
    q.table = t;
    const engine::run r(q);
    std::vector<engine::run_row> rows;
    for (std::uint64_t i = 0; i < r.size(); ++i) {
        rows.push_back(r.row(i));
    }
    EXPECT_FALSE(rows[0].fault);
    ASSERT_TRUE(rows[1].fault);
    EXPECT_EQ(rows[1].fault->message, "vmax = NaN: not a finite number");
    ASSERT_TRUE(rows[2].fault);
    EXPECT_EQ(rows[2].fault->name, "vmax");
    EXPECT_TRUE(std::isnan(rows[2].values.at(0)));
    // The computed rows are the grid's.
    const engine::run grid(engine::run_request{tether::design{}, {{"vmax=50,100"}}});
    const std::vector<double> want = grid.row(1).values;
    ASSERT_EQ(want.size(), rows[3].values.size() + 1);
    for (std::size_t c = 0; c < rows[3].values.size(); ++c) {
        EXPECT_TRUE(same(rows[3].values[c], want[c + 1])) << c;
    }
}

TEST(Run, AGoalRunSolvesEachDesignAsTheSearchAlone)
{
    tether::design base;
    base.tether.rhog = tether::automatic;
    engine::run_request q{base, {{"vmax=160,300"}}};
    engine::goal g = engine::parse_solve("strength=27:300");
    engine::parse_for(g, "time=72");
    q.sought = g;
    const engine::run r(q);
    EXPECT_EQ(r.columns()[1].name, "strength");
    const auto rows = rows_of(r, 2);
    for (std::uint64_t i = 0; i < r.size(); ++i) {
        const engine::solution s = engine::solve(r.design_at(i), g);
        ASSERT_TRUE(s.solved());
        EXPECT_EQ(rows[i][1], s.value);
    }
}

// A single design's goal is sought once, before the rows: its row is the
// one execute hands on, and a goal without an answer is said; the goal's
// parameter swept too, or a mistake in one of its texts, names which text.
TEST(Run, ASingleGoalIsSoughtAtTheStartAndItsRowHandedOn)
{
    tether::design base;
    base.tether.rhog = tether::automatic;
    engine::run_request q{base};
    q.sought = engine::read_goal("strength=27:300", "time=110");
    const engine::run r(q);
    engine::run_start start = r.start(nullptr);
    ASSERT_TRUE(start.first);
    EXPECT_TRUE(start.unsolved.empty());
    const double value = start.first->values.at(0);
    EXPECT_EQ(value, engine::solve(base, *q.sought).value);
    std::vector<double> handed;
    const engine::run_summary summary = r.execute(
        0, 1,
        [&](std::uint64_t, engine::run_row& row) {
            handed = row.values;
            return true;
        },
        {}, std::move(start.first));
    ASSERT_FALSE(handed.empty());
    EXPECT_EQ(handed.at(0), value);
    EXPECT_EQ(summary.missed, 0u);

    q.sought = engine::read_goal("strength=10:11", "time=110");
    EXPECT_FALSE(engine::run(q).start(nullptr).unsolved.empty());

    q.axes = {{"strength=10,20"}};
    try {
        engine::run swept(q);
        ADD_FAILURE() << "the goal's parameter was swept";
    }
    catch (const engine::goal_error& e) {
        EXPECT_FALSE(e.target) << e.what();
    }
    for (const auto& [seek, target, in_target] :
         {std::tuple{"colour=1:2", "time=1", false}, std::tuple{"vmax=1:2", "colour=1", true}}) {
        try {
            engine::read_goal(seek, target);
            ADD_FAILURE() << seek << " " << target;
        }
        catch (const engine::goal_error& e) {
            EXPECT_EQ(e.target, in_target) << e.what();
        }
    }
}

// A grid's start checks it whole: the first design that cannot be computed.
TEST(Run, AGridStartsCheckedWhole)
{
    engine::run_request q{tether::design{}, {{"strength=50,-1"}}};
    const engine::run_start start = engine::run(q).start(nullptr);
    ASSERT_TRUE(start.fault);
    EXPECT_EQ(start.fault->name, "strength");
    EXPECT_FALSE(start.first);
}

TEST(Run, NotesAndMissesAreTalliedWithTheirFirstDesign)
{
    engine::run_request q{tether::design{}, {{"strength=10,20,150"}}};
    const engine::run r(q);
    engine::note_tally design_notes;
    EXPECT_FALSE(r.check([] { return false; }, &design_notes));
    ASSERT_FALSE(design_notes.entries().empty());
    EXPECT_EQ(design_notes.entries()[0].first, 0u);
    EXPECT_EQ(design_notes.entries()[0].count, 3u);
    EXPECT_EQ(r.led(design_notes)[0].text.rfind("design 1 of 3 (strength=10) and 2 more: ", 0), 0u);
    engine::run_summary summary;
    rows_of(r, 2, &summary);
    EXPECT_EQ(summary.result.done, 3u);
    EXPECT_EQ(summary.missed, 0u);
}

// A run of draws: its rows are the draws' values and each drawn design's
// figures, a draw that is no design a row with its reason; its summary is
// what those rows say.
TEST(Run, DrawsAreRowsAndTheSummaryTheirs)
{
    engine::run_request q{tether::design{}};
    q.figures = {climber::method::integral};
    q.names   = {"time", "system_mass"};
    q.drawn   = engine::draw_request{
        engine::read_varied({"strength=normal:15:15", "density=uniform:1200:1400"}), 400, 9};
    const engine::run r(q);
    ASSERT_EQ(r.columns().size(), 5u);
    EXPECT_EQ(r.columns()[0].name, "draw");
    EXPECT_EQ(r.columns()[2].name, "density");
    // Figures are found by name among the figures alone.
    EXPECT_EQ(r.figure_index("system_mass"), std::optional<std::size_t>(4));
    EXPECT_EQ(r.figure_index("density"), std::nullopt);
    const engine::draws drawn(engine::distributions_of(q.drawn->vary), 9);
    std::vector<double> times;
    std::uint64_t unbuilt = 0;
    std::uint64_t met     = 0;
    engine::run_settings s;
    s.jobs = 2;
    r.execute(
        0, r.size(),
        [&](std::uint64_t k, engine::run_row& row) {
            const std::vector<double> v = drawn.values_at(k);
            EXPECT_EQ(row.values[0], static_cast<double>(k));
            EXPECT_EQ(row.values[1], v[0]);
            EXPECT_EQ(row.values[2], v[1]);
            if (v[0] > 1) {
                EXPECT_EQ(row.reason, "") << k;
            }
            if (v[0] <= 0) {
                EXPECT_EQ(row.reason.substr(0, 11), "strength = ");
            }
            if (!row.reason.empty()) {
                EXPECT_TRUE(std::isnan(row.values[3]));
                ++unbuilt;
            }
            else {
                EXPECT_TRUE(
                    same(row.values[3], engine::figure_values(climber::compute_figures(
                                            r.design_at(k), {climber::method::integral}))[10]));
                if (!std::isnan(row.values[3])) {  // a foot that cannot lift: no climb
                    times.push_back(row.values[3]);
                }
                met += row.values[3] < 110 ? 1 : 0;
            }
            return true;
        },
        s);
    ASSERT_GT(unbuilt, 50u);
    s.jobs                           = 1;
    const engine::spread_summary sum = engine::summarize(r, s, std::string("time<110"));
    ASSERT_EQ(sum.figures.size(), 2u);
    const engine::figure_summary& t = sum.of[0];
    EXPECT_EQ(t.computed, times.size());
    EXPECT_EQ(sum.unbuilt.met, unbuilt);
    EXPECT_EQ(sum.met.met, met);
    EXPECT_EQ(sum.met.total, 400u);
    std::sort(times.begin(), times.end());
    EXPECT_EQ(t.p50, sorted_quantile(times, 0.5));
    EXPECT_EQ(t.p95, sorted_quantile(times, 0.95));
    EXPECT_EQ(t.max, times.back());
    double total = 0;
    for (double v : times) {
        total += v;
    }
    EXPECT_NEAR(t.mean, total / static_cast<double>(times.size()), 1e-12 * t.mean);
    const std::vector<engine::labelled_row> rows = sum.rows();
    EXPECT_EQ(rows[1].texts.front(), "system_mass");
    EXPECT_EQ(rows[1].values.back(), static_cast<double>(unbuilt) / 400);
}

// Rows i^2 on 4 threads, those from `refused` on not started and `lost` out of
// memory on a row i % 5 = 2: every row comes in order all the same.
engine::run_result lossy_run(unsigned refused, int lost, bool every_worker = false)
{
    const std::thread::id here = std::this_thread::get_id();
    std::atomic<int> left{lost};
    const std::function<double(std::uint64_t)> row = [&](std::uint64_t i) {
        const bool worker = std::this_thread::get_id() != here;
        return i % 5 == 2 && worker && (every_worker || left-- > 0) ? throw std::bad_alloc()
                                                                    : static_cast<double>(i * i);
    };
    std::uint64_t next = 0;
    engine::run_settings s;
    s.jobs     = 4;
    s.starting = [&](unsigned t) {
        return t >= refused ? throw std::system_error(std::make_error_code(std::errc::io_error))
                            : void();
    };
    const engine::run_result r = engine::run_in_order<double>(
        0, 300, row, [&](std::uint64_t i, double& v) { return i == next++ && v == double(i * i); },
        s);
    EXPECT_EQ(r.done, 300u);
    EXPECT_EQ(r.wanted, 4u);
    EXPECT_EQ(engine::threads_text(r).empty(), r.threads == 4);
    return r;
}

TEST(Run, AThreadOutOfMemoryLeavesItsRowsToTheOthersAndTheCallingThreadLast)
{
    EXPECT_EQ(lossy_run(4, 0).threads, 4u);
    EXPECT_EQ(lossy_run(3, 0).threads, 3u);  // one could not start
    EXPECT_EQ(lossy_run(4, 2).threads, 2u);
    EXPECT_EQ(lossy_run(0, 0).threads, 1u);        // none started: the calling thread computes
    EXPECT_EQ(lossy_run(4, 0, true).threads, 1u);  // every one left
}

TEST(Run, AnExceptionEndsTheRunWithEveryThreadJoined)
{
    engine::run_settings s;
    s.jobs                                         = 3;
    bool fault                                     = true;
    const std::function<double(std::uint64_t)> row = [&](std::uint64_t i) {
        return i == 40 && fault ? throw std::runtime_error("a fault") : static_cast<double>(i);
    };
    const auto run = [&](const std::function<bool(std::uint64_t, double&)>& sink) {
        return engine::run_in_order<double>(0, 1000, row, sink, s);
    };
    const auto all = [](std::uint64_t, double&) { return true; };
    EXPECT_THROW(run(all), std::runtime_error);
    s.starting = [](unsigned t) { return t == 2 ? throw std::bad_alloc() : void(); };
    EXPECT_THROW(run(all), std::runtime_error);
    fault = false;  // one on this thread
    EXPECT_THROW(
        run([](std::uint64_t i, double&) { return i < 20 || (throw std::bad_alloc(), 0); }),
        std::bad_alloc);
}

// A stop asked once every row is computed is heard by the bootstrap that
// follows: the run says it stopped, and gives no indices.
TEST(Run, IndicesHearAStopAfterTheRows)
{
    engine::run_request q{tether::design{}};
    q.figures = {climber::method::integral};
    q.names   = {"time"};
    q.drawn   = engine::draw_request{engine::read_varied({"strength=uniform:30:60"}), 40, 3, true};
    const engine::run r(q);
    std::atomic<int> stop{0};
    engine::run_settings s;
    s.stop                         = &stop;
    s.progress                     = [&](std::uint64_t done) { stop = done == r.size() ? 2 : 0; };
    const engine::spread_indices x = engine::indices_of(r, s);
    EXPECT_EQ(x.run.result.done, r.size());
    EXPECT_TRUE(x.run.result.stopped);
    EXPECT_TRUE(x.of.empty());
}

}  // namespace
