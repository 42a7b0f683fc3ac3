#include "shells/core/view_run.h"

#include <algorithm>

#include "chart/chart.h"

namespace quorvex {

ViewRun::ViewRun(int threads, BlockCourier* courier)
    : threads_(threads),
      courier_(courier),
      canvas_(std::make_unique<Canvas>(0, 0, ChartFonts::Shared().closingLine.get())) {}

ViewRun::~ViewRun() = default;

void ViewRun::Restart(int width, int height, const RunParameters* values) {
  run_.reset();
  const ChartFonts& fonts = ChartFonts::Shared();
  canvas_ = std::make_unique<Canvas>(width, height, fonts.closingLine.get());
  PaintViewBackground(*canvas_, values != nullptr, fonts);
  endedDays_ = 0.0;
  stopped_ = false;
  if (!values) return;
  PlotRun::Hooks hooks;
  hooks.courier = courier_;
  run_ = std::make_unique<PlotRun>(*canvas_, *values, std::move(hooks), threads_);
  runStart_ = lastSliceEnd_ = lastShown_ = Clock::now();
  lastPaused_ = lastAwaited_ = false;
  betweenSlices_ = {};
}

double ViewRun::runDays() const {
  return run_ ? std::min(run_->time(), run_->endTime()) : endedDays_;
}

void ViewRun::RequestStop() {
  if (run_) run_->RequestStop();
}

ViewRun::Slice ViewRun::Step(Clock::time_point sliceEnd) {
  Slice slice;
  awaited_ = false;
  for (;;) {
    switch (run_->Advance(kStepsPerCheck)) {
      case PlotRun::Yield::Finished:
      case PlotRun::Yield::Stopped:
        slice.over = true;
        return slice;
      case PlotRun::Yield::PauseDue:
        // The pause ends kPacingPause after it began, by the clock.
        slice.paused = true;
        slice.resumeAt = Clock::now() + kPacingPause;
        return slice;
      case PlotRun::Yield::SliceUsed:
        if (Clock::now() >= sliceEnd) return slice;
        break;
      case PlotRun::Yield::BlocksAwaited:
        // The next slice may begin at once, once the messages waiting
        // behind this one are in.
        awaited_ = true;
        return slice;
    }
  }
}

ViewRun::Slice ViewRun::Advance(Clock::time_point now) {
  if (!run_) return Slice{true, true};
  // Whatever the event loop did since the last slice (repainting, flushing
  // to the display, other events) is time the run does not advance. After a
  // slice that asked for a pause the whole wait is the pause's: a timer
  // rarely ends it on the dot, and its lateness is no cost of showing. A
  // slice that ended awaiting blocks and showed nothing was followed by the
  // run's own work: the blocks coming in.
  if (!lastPaused_ && !lastAwaited_) betweenSlices_ += now - lastSliceEnd_;
  Slice slice = Step(now + kSlice);
  const Clock::time_point end = Clock::now();
  lastPaused_ = slice.paused;
  EndSlice(slice, end);
  lastAwaited_ = awaited_ && !slice.show;
  return slice;
}

ViewRun::Slice ViewRun::RunSlice() {
  if (!run_) return Slice{true, true};
  const Clock::time_point start = Clock::now();
  betweenSlices_ += start - lastSliceEnd_;
  const Clock::time_point sliceEnd = start + kSlice;
  Slice slice;
  for (;;) {
    slice = Step(sliceEnd);
    if (!slice.paused) break;
    SleepUntil(slice.resumeAt);
    slice.paused = false;
    if (Clock::now() >= sliceEnd) break;
  }
  EndSlice(slice, Clock::now());
  return slice;
}

void ViewRun::EndSlice(Slice& slice, Clock::time_point end) {
  lastSliceEnd_ = end;
  if (slice.over) {
    closingLine_ = ClosingLineText(run_->shortest());
    endedDays_ = runDays();
    // A run checks its end time before a stop request, so one that ends
    // short of it was stopped.
    stopped_ = run_->time() < run_->endTime();
    run_.reset();
  }
  slice.show = slice.over || ShowDue(end);
}

bool ViewRun::ShowDue(Clock::time_point now) {
  // The screen follows the run at most every kRefresh, and less often when
  // the display is slow to take the pictures: the run spends at most a
  // twentieth of its time outside its slices, so that it takes hardly
  // longer in a window than without one.
  if (now - lastShown_ < kRefresh || betweenSlices_ * 20 > now - runStart_) return false;
  lastShown_ = now;
  return true;
}

}  // namespace quorvex
