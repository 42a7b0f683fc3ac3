#include <benchmark/benchmark.h>

#include <memory>

#include "bench/transcription.h"
#include "chart/chart.h"
#include "chart/plot_run.h"
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

// One step of a plot run as the window and the renderer take it: the
// integrator step plus the stop poll, the pacing test, the shortest
// separation and the five pixels. Side by side with BM_AdvanceIntegrator
// it gives what drawing and bookkeeping add to the integrator alone.
void BM_PlotRunStep(benchmark::State& state) {
  const ChartFonts& fonts = ChartFonts::Shared();
  Canvas canvas(640, 480, fonts.system.get());
  PaintViewBackground(canvas, true, fonts);
  RunParameters p;
  p.durationYears = 50000;
  p.stepDays = 1;
  p.plotEnabled = 1;
  auto run = std::make_unique<PlotRun>(canvas, p, PlotRun::Hooks{[] { return false; }, {}});
  run->Advance(kWarmUpSteps);
  for (auto _ : state) {
    if (run->Advance(1) == PlotRun::Yield::Finished) {
      state.PauseTiming();
      run = std::make_unique<PlotRun>(canvas, p, PlotRun::Hooks{[] { return false; }, {}});
      run->Advance(kWarmUpSteps);
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_PlotRunStep);

constexpr int kSlice = 65536;

// The integrator alone over slices of 65536 one-day steps, every sample
// kept whole (the plot uses every field): the yardstick for the plot run's
// slices below.
void BM_IntegratorSlice(benchmark::State& state) {
  IntegratorState st = WarmedUp();
  for (auto _ : state) {
    for (int i = 0; i < kSlice; ++i) {
      StepSample s = AdvanceIntegrator(st);
      benchmark::DoNotOptimize(s);
    }
  }
  state.SetItemsProcessed(state.iterations() * kSlice);
}
BENCHMARK(BM_IntegratorSlice)->Unit(benchmark::kMillisecond);

// The plot run over the same slices, as the renderer takes them.
void BM_PlotRunSlice(benchmark::State& state) {
  Canvas canvas(640, 480);
  RunParameters p;
  p.durationYears = 50000;
  p.stepDays = 1;
  p.plotEnabled = 1;
  PlotRun run(canvas, p, {[] { return false; }, {}});
  run.Advance(kWarmUpSteps);
  for (auto _ : state) run.Advance(kSlice);
  state.SetItemsProcessed(state.iterations() * kSlice);
}
BENCHMARK(BM_PlotRunSlice)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvex

BENCHMARK_MAIN();
