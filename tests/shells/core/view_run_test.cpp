#include "shells/core/view_run.h"

#include <gtest/gtest.h>

#include <thread>

#include "chart/chart.h"

namespace quorvex {
namespace {

using Clock = ViewRun::Clock;

RunParameters Params(int years, int step, int speed) {
  RunParameters p;
  p.durationYears = years;
  p.stepDays = step;
  p.plotSpeed = speed;
  return p;
}

// What one uninterrupted run draws on a chart of the view's size.
std::vector<Color> WholeRun(const RunParameters& p) {
  const ChartFonts& fonts = ChartFonts::Shared();
  Canvas whole(kCanvasWidth, kCanvasHeight, fonts.closingLine.get());
  PaintViewBackground(whole, true, fonts);
  RunPlot(whole, p);
  return whole.pixels();
}

// A view's run, driven slice by slice either way (waiting out its pauses in
// the slice, or resuming after each at the time the slice names), draws
// what one uninterrupted run draws. The run is long enough (730000 steps)
// to take more than one slice of wall time on a fast machine.
TEST(ViewRun, SlicedRunsDrawTheRenderersPixels) {
  const RunParameters p = Params(2000, 1, 4);
  const std::vector<Color> whole = WholeRun(p);
  for (const bool blocking : {true, false}) {
    ViewRun view;
    view.Restart(kCanvasWidth, kCanvasHeight, &p);
    int slices = 0;
    for (ViewRun::Slice s; !s.over; ++slices) {
      if (blocking) {
        s = view.RunSlice();
      } else {
        s = view.Advance(Clock::now());
        while (s.paused && Clock::now() < s.resumeAt) {
        }
      }
    }
    EXPECT_GT(slices, 1);
    EXPECT_FALSE(view.runInProgress());
    EXPECT_TRUE(view.canvas().pixels() == whole) << (blocking ? "blocking" : "resuming");
  }
}

// A stop draws the closing line at once. (The black view before any values
// are accepted is the session's: session_test.)
TEST(ViewRun, StoppedByRequest) {
  ViewRun view;
  const RunParameters p = Params(35000, 50, 5);
  view.Restart(kCanvasWidth, kCanvasHeight, &p);
  view.RequestStop();
  const ViewRun::Slice s = view.RunSlice();
  EXPECT_TRUE(s.over);
  EXPECT_TRUE(s.show);
  int red = 0;
  for (int y = kClosingLineRect.top; y < kClosingLineRect.bottom; ++y)
    for (int x = kClosingLineRect.left; x < kClosingLineRect.right; ++x)
      red += view.canvas().Pixel(x, y) == Rgb(255, 0, 0);
  EXPECT_GT(red, 100) << "the closing line";
}

// Speed 1 with step 250 pauses after every step: 40 years are 57 steps,
// each pause lasting at least 1 ms, and a slice not much longer than its
// share of wall time.
TEST(ViewRun, PausesLastAMillisecondAndSlicesStayShort) {
  ViewRun view;
  const RunParameters p = Params(40, 250, 1);
  view.Restart(kCanvasWidth, kCanvasHeight, &p);
  const Clock::time_point start = Clock::now();
  auto longest = Clock::duration::zero();
  for (bool over = false; !over;) {
    const Clock::time_point sliceStart = Clock::now();
    over = view.RunSlice().over;
    longest = std::max(longest, Clock::now() - sliceStart);
  }
  EXPECT_GE(Clock::now() - start, 57 * kPacingPause);
  EXPECT_LT(longest, ViewRun::kSlice + 20 * kPacingPause);
}

// The screen follows a run only while showing it costs the run little: a
// wait of 50 ms before the first slice, all of it outside the run, holds
// the picture back until the run has had twenty times as long, so not in
// the next 300 ms of slices back to back; without the wait the picture
// shows within them.
TEST(ViewRun, ShowingWaitsWhileTheRunSpentTooMuchTimeOutside) {
  using namespace std::chrono_literals;
  for (const auto gap : {0ms, 50ms}) {
    ViewRun view;
    const RunParameters p = Params(50000, 1, 5);
    view.Restart(kCanvasWidth, kCanvasHeight, &p);
    std::this_thread::sleep_for(gap);
    bool shown = false;
    const Clock::time_point start = Clock::now();
    while (Clock::now() - start < 300ms) {
      const ViewRun::Slice s = view.Advance(Clock::now());
      if (s.over) break;
      shown |= s.show;
    }
    EXPECT_EQ(shown, gap == 0ms) << "a wait of " << gap.count() << " ms";
  }
}

}  // namespace
}  // namespace quorvex
