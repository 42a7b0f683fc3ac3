#include <benchmark/benchmark.h>

#include "bench/transcription.h"
#include "orbit/integrator.h"

namespace quorvex {
namespace {

// Runs a one-day-step integration a million days in before timing, so that
// Neptune's mean anomaly is large (thousands of degrees) as late in a run.
constexpr int kWarmUpSteps = 1000000;

IntegratorState WarmedUp() {
  IntegratorState st = StartIntegrator(1, true);
  for (int i = 0; i < kWarmUpSteps; ++i) AdvanceIntegrator(st);
  return st;
}

void BM_AdvanceIntegrator(benchmark::State& state) {
  IntegratorState st = WarmedUp();
  for (auto _ : state) benchmark::DoNotOptimize(AdvanceIntegrator(st));
}
BENCHMARK(BM_AdvanceIntegrator);

void BM_TranscribedStep(benchmark::State& state) {
  IntegratorState st = WarmedUp();
  for (auto _ : state) benchmark::DoNotOptimize(transcription::Advance(st));
}
BENCHMARK(BM_TranscribedStep);

}  // namespace
}  // namespace quorvex

BENCHMARK_MAIN();
