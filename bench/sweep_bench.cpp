// A sweep of 64 designs with its rows thrown away, on one thread and on
// every processor this process may use.
#include "figures.hpp"
#include "runner.hpp"
#include "sweep.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

void sweep_64_designs(benchmark::State& state)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    if (sink == nullptr) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    const explore::described base;
    const explore::grid g({explore::parse_sweep("strength=20:60:64")});
    const explore::row_writer out(explore::format::csv, explore::grid_columns(g));
    explore::run_settings s;
    s.jobs                                              = static_cast<unsigned>(state.range(0));
    const std::function<std::string(std::uint64_t)> row = [&](std::uint64_t i) {
        return out.row(explore::grid_row(g, base, i));
    };
    const std::function<bool(std::uint64_t, std::string&)> write =
        [&](std::uint64_t, std::string& text) { return std::fputs(text.c_str(), sink) >= 0; };
    for (auto _ : state) {
        explore::run_in_order<std::string>(0, g.size(), row, write, s);
    }
    std::fclose(sink);
}
BENCHMARK(sweep_64_designs)
    ->Arg(1)
    ->Arg(static_cast<int>(explore::available_cpus()))
    ->ArgName("jobs")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
