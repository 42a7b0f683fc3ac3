// Whole paced runs, 5000 years at a step of one day, at every plot speed:
// the window's view driving the run from its event loop against the paced
// renderer's loop (RunPlot, as quorvex-render --paced drives it), which
// sleeps 1 ms wherever a pause falls due. Speed 1 pauses after every 250th step, 7307 pauses in
// all, so there the pacing decides the time; at speeds 3 to 5 the steps
// and the window's refreshes do.
//
// The window is shown on whatever platform Qt picks: under X with a window
// manager for the real thing, or QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWindow>

#include "chart/chart.h"
#include "chart/plot_run.h"
#include "shells/qt/main_frame.h"

namespace quorvex {
namespace {

RunParameters Paced(std::int64_t speed) {
  RunParameters p;
  p.durationYears = 5000;
  p.stepDays = 1;
  p.plotSpeed = static_cast<std::int32_t>(speed);
  return p;
}

void BM_PacedRenderer(benchmark::State& state) {
  const ChartFonts& fonts = ChartFonts::Shared();
  const RunParameters p = Paced(state.range(0));
  // The chart and the run, as the renderer draws them (and the window on
  // each start).
  for (auto _ : state) {
    Canvas canvas(640, 480, fonts.closingLine.get());
    PaintViewBackground(canvas, true, fonts);
    PlotRun run(canvas, p);
    benchmark::DoNotOptimize(RunPlot(run, true));
  }
}
BENCHMARK(BM_PacedRenderer)->DenseRange(1, 5)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

void BM_WindowRun(benchmark::State& state) {
  CMainFrame frame;
  frame.show();
  // Let the window manager map, place and size the window before timing:
  // a size change during the run would start it again.
  do {
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();
  } while (!frame.windowHandle() || !frame.windowHandle()->isExposed());
  frame.session().Accept(TextsOf(Paced(state.range(0))));
  for (auto _ : state) {
    QEventLoop loop;
    QObject::connect(&frame.view(), &CPlotView::runEnded, &loop, &QEventLoop::quit);
    frame.view().Restart();
    loop.exec();
  }
}
BENCHMARK(BM_WindowRun)->DenseRange(1, 5)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace
}  // namespace quorvex

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
