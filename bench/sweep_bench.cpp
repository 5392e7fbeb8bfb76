// A sweep of 64 designs with its rows thrown away, on one thread and on
// every processor this process may use; one design by each method.
#include "engine/answers/solve.hpp"
#include "engine/run/run.hpp"
#include "engine/run/spread.hpp"
#include "engine/run/sweep.hpp"
#include "engine/threads/runner.hpp"
#include "engine/words/rows.hpp"
#include "engine/words/vocabulary.hpp"

#include "climber/figures.hpp"

#include "short.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

void sweep_64_designs(benchmark::State& state)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    if (sink == nullptr) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    const engine::run g(engine::run_request{
        tether::design{}, {{"strength=20:60:" + std::to_string(bench::sized(64))}}});
    const engine::row_writer out(engine::format::csv, g.columns());
    engine::run_settings s;
    s.jobs                                              = static_cast<unsigned>(state.range(0));
    const std::function<std::string(std::uint64_t)> row = [&](std::uint64_t i) {
        return out.row(g.row(i).values);
    };
    const std::function<bool(std::uint64_t, std::string&)> write =
        [&](std::uint64_t, std::string& text) { return std::fputs(text.c_str(), sink) >= 0; };
    for (auto _ : state) {
        engine::run_in_order<std::string>(0, g.size(), row, write, s);
    }
    std::fclose(sink);
}
BENCHMARK(sweep_64_designs)
    ->Arg(1)
    ->Arg(static_cast<int>(engine::available_cpus()))
    ->ArgName("jobs")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// One design's headline figures by each method: the march's sums over
// 286137 points, and their integrals.
void one_design(benchmark::State& state)
{
    const auto how = state.range(0) == 0 ? climber::method::march : climber::method::integral;
    const tether::design d{};
    for (auto _ : state) {
        benchmark::DoNotOptimize(climber::compute_figures(d, {how}));
    }
    state.SetLabel(state.range(0) == 0 ? "march" : "integral");
}
BENCHMARK(one_design)->Arg(0)->Arg(1)->ArgName("integral")->Unit(benchmark::kMicrosecond);

// One design's integrals where the search for the cap's changes works
// hardest: a capped stretch of 58 km far below the cap that lasts to the
// top (strength 10 GPa, vmax 26.84 m/s), and a top speed that the speed
// only touches at the bottom of its dip (vmax 14.015360143868751 m/s).
void one_hard_design(benchmark::State& state)
{
    tether::design d{};
    d.tether.strength = 10;
    d.climber.vmax    = state.range(0) == 0 ? 26.84 : 14.015360143868751;
    for (auto _ : state) {
        benchmark::DoNotOptimize(climber::compute_figures(d, {climber::method::integral}));
    }
    state.SetLabel(state.range(0) == 0 ? "capped stretch" : "touching");
}
BENCHMARK(one_hard_design)->Arg(0)->Arg(1)->ArgName("touch")->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

// Goal seek: the strength that gives a 110 h climb, for the study's design
// (goal: at most 200 us), and a solved sweep of 1000 top speeds on one
// thread (goal: at most 0.4 s).
engine::goal strength_for(double hours)
{
    engine::goal g = engine::parse_solve("strength=10:1000");
    engine::parse_for(g, "time=" + std::to_string(hours));
    return g;
}

void solve_one_design(benchmark::State& state)
{
    const engine::goal g = strength_for(110);
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine::solve(tether::design{}, g).value);
    }
}
BENCHMARK(solve_one_design)->Unit(benchmark::kMicrosecond);

void solved_sweep_1000(benchmark::State& state)
{
    const engine::goal g = strength_for(72);
    for (auto _ : state) {
        for (int i = 0; i < bench::sized(1000); ++i) {
            tether::design d{};
            d.climber.vmax = 160 + 0.14 * i;
            benchmark::DoNotOptimize(engine::solve(d, g).value);
        }
    }
}
BENCHMARK(solved_sweep_1000)->Unit(benchmark::kMillisecond);

// A tether sized for a stream: the cross-section at GEO whose load_share
// is 1 with a climber every 12 h, at 1000 strengths on one thread (goal: at
// most 2 s).
void solved_sweep_1000_load_share(benchmark::State& state)
{
    engine::goal g = engine::parse_solve("csgeo=0.01:100000");
    engine::parse_for(g, "load_share=1");
    for (auto _ : state) {
        for (int i = 0; i < bench::sized(1000); ++i) {
            tether::design d{};
            d.tether.rhog      = tether::automatic;
            d.traffic.interval = 12;
            d.tether.strength  = 50 + 0.1 * i;
            benchmark::DoNotOptimize(engine::solve(d, g).value);
        }
    }
}
BENCHMARK(solved_sweep_1000_load_share)->Unit(benchmark::kMillisecond);

// The traffic's figures of one design, as a run that asks for them alone
// computes them: the tether, the climb followed once and the shortest
// interval (goal: at most 50 us).
void traffic_figures_of_one_design(benchmark::State& state)
{
    const std::vector<std::size_t> columns =
        engine::figure_selection({"load_capacity", "peak_load", "load_share", "min_interval",
                                  "on_tether", "max_throughput", "throughput"});
    const climber::figures_request r = engine::request_for({climber::method::integral}, columns);
    for (auto _ : state) {
        benchmark::DoNotOptimize(climber::compute_figures(tether::design{}, r).traffic);
    }
}
BENCHMARK(traffic_figures_of_one_design)->Unit(benchmark::kMicrosecond);

// The default columns' figures by the integral method of 1000 designs
// across the strengths of a 10^5-design sweep, on one thread, without the
// rows' text: the climb, the whole tether and the traffic with its
// shortest interval, the part of that sweep's time the library spends
// (goal: the whole sweep, text included, within 2.5 s of one core).
void default_figures_1000(benchmark::State& state)
{
    const climber::figures_request r =
        engine::request_for({climber::method::integral}, engine::figure_selection({}));
    for (auto _ : state) {
        for (int i = 0; i < bench::sized(1000); ++i) {
            tether::design d{};
            d.tether.strength = 10 + 0.12 * i;
            benchmark::DoNotOptimize(climber::compute_figures(d, r).traffic.min_interval);
        }
    }
}
BENCHMARK(default_figures_1000)->Unit(benchmark::kMillisecond);

// The other part of that sweep's time: the CSV rows of those 1000 designs'
// default columns (29 numbers a row, the shortest text of each), their
// figures computed beforehand.
void default_rows_1000(benchmark::State& state)
{
    engine::run_request request;
    request.axes        = {{"strength=10:130:" + std::to_string(bench::sized(1000))}};
    request.figures     = {climber::method::integral};
    const engine::run r = engine::run(request);
    std::vector<engine::run_row> rows;
    for (std::uint64_t i = 0; i < r.size(); ++i) {
        rows.push_back(r.row(i));
    }
    const engine::row_writer w(engine::format::csv, r.columns());
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const engine::run_row& row : rows) {
            bytes += w.row(row.values).size();
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(default_rows_1000)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// A sweep of 1000 designs with their first five oscillation modes, on one
// thread (goal: at most 5 s).
void sweep_1000_with_modes(benchmark::State& state)
{
    engine::run_request r{tether::design{},
                          {{"vmax=10:200:" + std::to_string(bench::sized(1000))}}};
    r.figures = {climber::method::integral, {}, true, true, 5};
    const engine::run g(r);
    for (auto _ : state) {
        for (std::uint64_t i = 0; i < g.size(); ++i) {
            benchmark::DoNotOptimize(g.row(i));
        }
    }
}
BENCHMARK(sweep_1000_with_modes)->Unit(benchmark::kSecond)->Iterations(1);

// 10^5 draws of the default figures by the integral method (strength
// lognormal, density uniform, rhog = auto), their rows written as CSV to
// /dev/null or summarised, on every processor this process may use.
void draws_100000(benchmark::State& state)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    if (sink == nullptr) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    engine::run_request q{tether::design{}};
    q.base.tether.rhog = tether::automatic;
    q.figures          = {climber::method::integral};
    q.drawn            = engine::draw_request{
        engine::read_varied({"strength=lognormal:35:1.5", "density=uniform:1200:1400"}),
        static_cast<std::uint64_t>(bench::sized(100000)), 1};
    const engine::run r(q);
    std::vector<engine::column> columns = r.columns();
    columns.push_back(engine::run::reason_column());
    const engine::row_writer out(engine::format::csv, columns);
    engine::run_settings s;
    s.jobs = engine::available_cpus();
    for (auto _ : state) {
        if (state.range(0) == 0) {
            r.execute(
                0, r.size(),
                [&](std::uint64_t, engine::run_row& row) {
                    return std::fputs(out.row(row.values, {row.reason}).c_str(), sink) >= 0;
                },
                s);
        }
        else {
            benchmark::DoNotOptimize(engine::summarize(r, s));
        }
    }
    state.SetLabel(state.range(0) == 0 ? "rows" : "summary");
    std::fclose(sink);
}
BENCHMARK(draws_100000)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("summary")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
