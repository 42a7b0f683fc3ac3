#pragma once

#include <chrono>

#include "chart/plot_run.h"

namespace quorvex {

// How a desktop view drives a plot run from its event loop, the same in
// every shell: the run advances in slices of about kSlice of wall time on
// the UI thread, and between slices the event loop repaints, moves and
// closes the window and delivers clicks. A pause that falls due lasts
// kPause from the moment it began, measured on the clock, and is waited out
// inside the slice, so that a paced run takes as long in a window as in the
// renderer and no timer's latency is added to it.
class RunPacer {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kSlice{10};
  static constexpr std::chrono::microseconds kPause{1000};
  // Steps between looks at the clock.
  static constexpr std::int64_t kStepsPerCheck = 1024;
  // During a run a view shows the canvas at most this often: every showing
  // copies the whole surface to the display, and after every slice that
  // would slow the run markedly on a slow display.
  static constexpr std::chrono::milliseconds kRefresh{40};

  // Advances the run by one slice. Returns true when the run is over (its
  // end time reached or a stop honoured; the closing line is drawn), false
  // when the next slice should follow as soon as the event loop is idle.
  static bool RunSlice(PlotRun& run);
};

}  // namespace quorvex
