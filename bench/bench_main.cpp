#include <benchmark/benchmark.h>

#include <memory>

#include "bench/transcription.h"
#include "chart/chart.h"
#include "chart/plot_run.h"
#include "chart/step_blocks.h"
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
  Canvas canvas(640, 480, fonts.closingLine.get());
  PaintViewBackground(canvas, true, fonts);
  RunParameters p;
  p.durationYears = 50000;
  p.stepDays = 1;
  auto run = std::make_unique<PlotRun>(canvas, p, PlotRun::Hooks{});
  run->Advance(kWarmUpSteps);
  for (auto _ : state) {
    if (run->Advance(1) == PlotRun::Yield::Finished) {
      state.PauseTiming();
      run = std::make_unique<PlotRun>(canvas, p, PlotRun::Hooks{});
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
  PlotRun run(canvas, p);
  run.Advance(kWarmUpSteps);
  for (auto _ : state) run.Advance(kSlice);
  state.SetItemsProcessed(state.iterations() * kSlice);
}
BENCHMARK(BM_PlotRunSlice)->Unit(benchmark::kMillisecond);

// The time-only values of one block of steps a million days into a run,
// worked out as the run does (interleaved) ...
void BM_FillStepBlock(benchmark::State& state) {
  const KeplerOrbit neptune(NeptuneElements);
  StepBlock block;
  const std::int64_t total = RunStepCount(1, 50000 * kPlotYearDays);
  std::int64_t index = kWarmUpSteps / StepBlock::kSteps;
  for (auto _ : state) {
    FillStepBlock(neptune, 1, 50000, total, index++, block);
    benchmark::DoNotOptimize(block);
  }
  state.SetItemsProcessed(state.iterations() * StepBlock::kSteps);
}
BENCHMARK(BM_FillStepBlock)->Unit(benchmark::kMicrosecond);

// ... and the same Neptune values one step after the other, as
// AdvanceIntegrator takes them: the yardstick for the interleaving.
void BM_NeptuneStepByStep(benchmark::State& state) {
  const KeplerOrbit neptune(NeptuneElements);
  NeptuneStep steps[StepBlock::kSteps];
  double t = static_cast<double>(kWarmUpSteps);
  for (auto _ : state) {
    for (NeptuneStep& n : steps) {
      n = NeptuneStepAt(neptune, t);
      t = t + 1.0;
    }
    benchmark::DoNotOptimize(steps);
  }
  state.SetItemsProcessed(state.iterations() * StepBlock::kSteps);
}
BENCHMARK(BM_NeptuneStepByStep)->Unit(benchmark::kMicrosecond);

// A whole run of 5000 years at a one-day step (1,826,998 steps), unpaced, as
// quorvex-render draws it, on one thread and on two.
void BM_WholeRun(benchmark::State& state) {
  Canvas canvas(640, 480);
  RunParameters p;
  p.durationYears = 5000;
  p.stepDays = 1;
  std::int64_t steps = 0;
  for (auto _ : state) {
    PlotRun run(canvas, p, {}, static_cast<int>(state.range(0)));
    while (!run.over()) run.Advance(65536);
    steps += run.steps();
  }
  state.SetItemsProcessed(steps);
}
BENCHMARK(BM_WholeRun)->Arg(1)->Arg(2)->ArgName("threads")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quorvex

BENCHMARK_MAIN();
