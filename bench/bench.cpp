// Timings of the climber at one altitude, of the whole march with its output
// thrown away, and of the whole program printing its report to /dev/null.
#include "climber/drive.hpp"
#include "climber/march.hpp"
#include "climber/report.hpp"
#include "tether/model.hpp"
#ifdef TETHER_HAVE_MODES
#include "climber/figures.hpp"
#include "climber/study.hpp"
#include "climber/traffic.hpp"
#include "tether/modes.hpp"
#include "tether/survival.hpp"
#endif

#include "short.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const tether::design study{};
const tether::model m         = tether::compute_model(study);
const climber::drive_params d = climber::compute_drive_params(study, m);

void drive_at_one_altitude(benchmark::State& state)
{
    double alt = 1943.75;
    for (auto _ : state) {
        benchmark::DoNotOptimize(alt);
        benchmark::DoNotOptimize(climber::drive_at(m, d, alt));
    }
}
BENCHMARK(drive_at_one_altitude);

void whole_march(benchmark::State& state)
{
    std::FILE* null = std::fopen("/dev/null", "w");
    if (null == nullptr) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    const climber::line_sink sink = [null](std::string_view text) {
        return std::fwrite(text.data(), 1, text.size(), null) == text.size();
    };
    for (auto _ : state) {
        benchmark::DoNotOptimize(climber::run_march(sink, m, d, climber::plan_march(study, m)));
    }
    std::fclose(null);
}
BENCHMARK(whole_march)->Unit(benchmark::kMillisecond);

// One design's march without printing, per march point.
void march_per_point(benchmark::State& state)
{
    const climber::march_plan plan = climber::plan_march(study, m);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            climber::march(m, d, plan, [](const climber::drive_point&, double) {}));
    }
    state.SetItemsProcessed(state.iterations() * plan.points);
}
BENCHMARK(march_per_point)->Unit(benchmark::kMillisecond);

// The built program, started as a process with its report sent to /dev/null.
void whole_report(benchmark::State& state)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    char prog[]  = TETHER_STUDY_PATH;
    char* argv[] = {prog, nullptr};
    for (auto _ : state) {
        pid_t pid  = 0;
        int status = 0;
        if (posix_spawn(&pid, prog, &actions, nullptr, argv, environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the program did not run to a clean exit");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}
BENCHMARK(whole_report)->Unit(benchmark::kMillisecond);

#ifdef TETHER_HAVE_MODES
// The study's first five sideways modes, in and out of plane: at most 5 ms.
void modes_first_five(benchmark::State& state)
{
    const tether::positions p = tether::compute_positions(study, m);
    for (auto _ : state) {
        benchmark::DoNotOptimize(tether::compute_modes(m, p, 5));
    }
}
BENCHMARK(modes_first_five)->Unit(benchmark::kMillisecond);

// The first hundred, the most the modes are tested for.
void modes_first_hundred(benchmark::State& state)
{
    const tether::positions p = tether::compute_positions(study, m);
    for (auto _ : state) {
        benchmark::DoNotOptimize(tether::compute_modes(m, p, 100));
    }
}
BENCHMARK(modes_first_hundred)->Unit(benchmark::kMillisecond);

// The traffic figures of the study's design from its study: the climb
// followed once, a stream every 12 h and the shortest interval; at most 50 us.
void traffic_of_one_design(benchmark::State& state)
{
    const climber::design_figures s = climber::compute_study_integral(study);
    climber::traffic_settings t;
    t.interval = 12;
    for (auto _ : state) {
        benchmark::DoNotOptimize(climber::compute_traffic(study, s, t));
    }
}
BENCHMARK(traffic_of_one_design)->Unit(benchmark::kMicrosecond);

// What strikes the study's ribbon: the debris and meteoroid cuts, survival
// with and without dodging, closed forms all; at most 2 us.
void survival_of_one_design(benchmark::State& state)
{
    tether::design ribbon = study;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ribbon);
        benchmark::DoNotOptimize(tether::compute_survival(ribbon, m));
    }
}
BENCHMARK(survival_of_one_design)->Unit(benchmark::kMicrosecond);

// The swing the study's climber sets off, from its study: the modes (eight,
// mass-normalised), the static Green's function, the climb followed twice
// for the error estimate; at most 10 ms.
void swing_of_one_design(benchmark::State& state)
{
    const climber::design_figures s = climber::compute_study_integral(study);
    for (auto _ : state) {
        benchmark::DoNotOptimize(climber::compute_swing(study, s));
    }
}
BENCHMARK(swing_of_one_design)->Unit(benchmark::kMillisecond);

// The same with the swing over time at the ascent's rows (every rowdz =
// 20 km: 1789 rows) and a slowest period after arrival; at most 50 ms.
void swing_over_time(benchmark::State& state)
{
    const climber::design_figures s = climber::compute_study_integral(study);
    std::vector<double> altitudes;
    for (double k = 0; k * study.march.rowdz < s.plan.ztop; ++k) {
        altitudes.push_back(k * study.march.rowdz);
    }
    std::vector<climber::swing_row> rows;
    for (auto _ : state) {
        benchmark::DoNotOptimize(climber::compute_swing(study, s, altitudes, rows));
    }
}
BENCHMARK(swing_over_time)->Unit(benchmark::kMillisecond);

// A design's figures by the integral method (the sums and the whole tether,
// no modes), checks included: the study's Earth, and the M5 ribbon hung from
// the Moon through L1 of docs/moon.md (at most 20 us).
void figures_by_integral(benchmark::State& state, const tether::design& design)
{
    climber::figures_request r;
    r.how = climber::method::integral;
    for (auto _ : state) {
        benchmark::DoNotOptimize(climber::check(design, false));
        benchmark::DoNotOptimize(climber::compute_figures(design, r));
    }
}

tether::design lunar_ribbon()
{
    tether::design ribbon;
    ribbon.planet          = *tether::planet_named("moon-l1");
    ribbon.tether.strength = 5.7;
    ribbon.tether.density  = 1700;
    ribbon.tether.safety   = 2;
    ribbon.tether.rapex    = 150000;
    ribbon.tether.csgeo    = 3.446618931;  // 0.69 mm^2 at the surface
    ribbon.tether.rhog     = tether::automatic;
    ribbon.climber.mclimb  = 580;
    ribbon.climber.fextra  = 600;
    ribbon.climber.vmax    = 30;
    return ribbon;
}

BENCHMARK_CAPTURE(figures_by_integral, earth, study)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(figures_by_integral, moon_l1, lunar_ribbon())->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

// --short: every benchmark once, on a hundredth of its sizes.
int main(int argc, char** argv)
{
    std::vector<char*> args{argv[0]};
    char once[] = "--benchmark_min_time=0";
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--short") {
            bench::short_pass = true;
            args.insert(args.begin() + 1, once);
        }
        else {
            args.push_back(argv[i]);
        }
    }
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
