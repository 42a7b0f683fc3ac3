#include "shells/core/run_pacer.h"

#include <gtest/gtest.h>

#include "chart/chart.h"

namespace quorvex {
namespace {

using Clock = RunPacer::Clock;

RunParameters Params(int years, int step, int speed) {
  RunParameters p;
  p.durationYears = years;
  p.stepDays = step;
  p.plotSpeed = speed;
  p.plotEnabled = 1;
  return p;
}

// A run driven slice by slice draws what one uninterrupted run draws.
TEST(RunPacer, SlicedRunDrawsTheRenderersPixels) {
  Canvas sliced(640, 480), whole(640, 480);
  const RunParameters p = Params(35000, 50, 5);
  PlotRun run(sliced, p);
  int slices = 0;
  while (!RunPacer::RunSlice(run)) ++slices;
  const double shortest = RunPlot(whole, p, {}, [] {});
  EXPECT_EQ(run.shortest(), shortest);
  EXPECT_EQ(ClosingLineText(run.shortest()), "Shortest Distance: 18.19664 AU");
  EXPECT_TRUE(sliced.pixels() == whole.pixels());
}

// Speed 1 with step 250 pauses after every step: 1 year is 1 step, 40
// years are 58 steps, each pause lasting at least 1 ms and a slice not
// much longer than its share of wall time.
TEST(RunPacer, PausesLastAMillisecondAndSlicesStayShort) {
  Canvas canvas(640, 480);
  PlotRun run(canvas, Params(40, 250, 1));
  const Clock::time_point start = Clock::now();
  auto longest = Clock::duration::zero();
  for (bool over = false; !over;) {
    const Clock::time_point sliceStart = Clock::now();
    over = RunPacer::RunSlice(run);
    longest = std::max(longest, Clock::now() - sliceStart);
  }
  EXPECT_EQ(run.steps(), 57);
  EXPECT_GE(Clock::now() - start, 57 * RunPacer::kPause);
  EXPECT_LT(longest, RunPacer::kSlice + 20 * RunPacer::kPause);
}

}  // namespace
}  // namespace quorvex
