// One design's derivatives: every figure but the modes' by every parameter,
// by the integral method.
#include "engine/answers/sensitivity.hpp"

#include <benchmark/benchmark.h>

namespace {

void sensitivity_of_one_design(benchmark::State& state)
{
    const tether::design d{};
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine::compute_sensitivities(d));
    }
}
BENCHMARK(sensitivity_of_one_design)->Unit(benchmark::kMicrosecond);

}  // namespace
