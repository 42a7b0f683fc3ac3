#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "canvas/canvas.h"
#include "chart/plot_run.h"

namespace quorvex {

// How a view shows a plot run, the same in every shell: the view's canvas,
// the run drawn into it, and when the run advances and when the canvas is
// shown.
//
// The run advances in slices of about kSlice of wall time on the UI thread;
// between slices the shell's event loop repaints, moves and closes the
// window and delivers clicks. A slice never sleeps: where a pause
// (kPacingPause) falls due it ends and says when the run may resume. A
// desktop shell waits that out at once (RunSlice), so that a paced run takes
// as long in a window as in the renderer; a web page sets a timer.
class ViewRun {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kSlice{10};
  // Steps between looks at the clock.
  static constexpr std::int64_t kStepsPerCheck = 1024;
  // During a run the canvas is shown at most this often: every showing
  // copies the whole surface to the display.
  static constexpr std::chrono::milliseconds kRefresh{40};

  // threads: how many threads the runs use, as for PlotRun; courier: a
  // helper outside the process for the runs' blocks, if any.
  explicit ViewRun(int threads = 0, BlockCourier* courier = nullptr);
  ~ViewRun();
  ViewRun(const ViewRun&) = delete;
  ViewRun& operator=(const ViewRun&) = delete;

  // A new canvas of the client area's size, all black; with run values
  // (once a run has been accepted), the chart on it and a new run from
  // t = 0. A run in progress is dropped.
  void Restart(int width, int height, const RunParameters* values);
  bool runInProgress() const { return run_ != nullptr; }
  // The closing line of the last run that ended, empty before: what a view
  // also gives to a screen reader.
  const std::string& closingLine() const { return closingLine_; }
  // How far the run has come in simulated days: the time of its next step
  // (at most the end time) while it is in progress, where it ended after
  // it. Whether the last run that ended was stopped before its end time.
  double runDays() const;
  bool stopped() const { return stopped_; }
  // The pixels the view shows.
  const Canvas& canvas() const { return *canvas_; }
  // The run stops before its next step; the next slice draws the closing
  // line.
  void RequestStop();
  // Drops the run in progress without finishing it (the window closes).
  void Abandon() { run_.reset(); }

  struct Slice {
    bool over = false;  // the run ended in this slice: its closing line is drawn
    bool show = false;  // the canvas is to be shown now
    // A pause is due: the next slice may begin at this time, not before.
    Clock::time_point resumeAt{};
    bool paused = false;
  };

  // Advances the run from `now` until about kSlice has passed, a pause
  // falls due, or the run ends. Never sleeps.
  Slice Advance(Clock::time_point now);
  // A desktop view's slice: advances the run for about kSlice from now,
  // waiting out every pause that falls due on the clock.
  Slice RunSlice();

 private:
  Slice Step(Clock::time_point sliceEnd);
  // Whether the canvas is due to be shown after a slice that ended at `now`.
  bool ShowDue(Clock::time_point now);
  // The slice is over: keeps the closing line and drops an ended run.
  void EndSlice(Slice& slice, Clock::time_point end);

  int threads_;
  BlockCourier* courier_;
  std::unique_ptr<Canvas> canvas_;
  std::unique_ptr<PlotRun> run_;
  Clock::time_point runStart_{};
  Clock::time_point lastSliceEnd_{};
  Clock::time_point lastShown_{};
  Clock::duration betweenSlices_{};
  bool lastPaused_ = false;   // the last slice asked for a pause
  bool awaited_ = false;      // the slice ended awaiting the run's blocks
  bool lastAwaited_ = false;  // so did the last, and it showed nothing
  std::string closingLine_;
  double endedDays_ = 0.0;
  bool stopped_ = false;
};

}  // namespace quorvex
