#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "canvas/canvas.h"
#include "chart/plot_run.h"
#include "chart/run_parameters.h"
#include "shells/core/pending_commands.h"

namespace quorvex {

// The web page's program state behind its few exported functions: the run
// values, the view's 640 x 480 canvas, the plot run that grows on it in
// slices, and the menu commands that wait for a run's end. It never blocks:
// a slice runs for about 10 ms and then says when the next may begin.
class WebView {
 public:
  using Clock = std::chrono::steady_clock;

  // The menu commands the page has.
  enum Command { kEnterNewValues = 1, kAbout = 2 };

  // What a slice asks of the page.
  struct SliceResult {
    bool over = false;        // the run has ended; the closing line is drawn
    double resumeMs = 0.0;    // wait this long before the next slice (a due pause)
    bool showCanvas = false;  // copy the canvas to the screen now
  };

  WebView();

  const RunParameters& params() const { return params_; }

  // The "Enter Values" dialog's reading of its fields, the step first. On
  // success the values are stored and the view repainted (a new run); on
  // failure returns 1 for the step field, 2 for the duration field, and
  // message() holds the text to show.
  int Accept(const std::string& durationText, const std::string& stepText, int plotSpeed,
             int interactionChoice);
  const std::string& message() const { return message_; }

  // Paints the view from the start: black, and with a run accepted, the
  // chart and a new run from time zero.
  void Paint();
  SliceResult Slice();
  void Stop();
  bool running() const { return run_ != nullptr && !run_->over(); }
  // The closing line of the last run that ended, empty before.
  const std::string& closingLine() const { return closingLine_; }

  // The canvas as RGBA bytes, top row first, filled by Pixels().
  const std::uint8_t* Pixels();

  // Whether a chosen menu command may be carried out now; if not, it
  // waits for the run's end. Take() gives the next waiting one, 0 if none.
  bool Offer(int command) { return pending_.Offer(command, running()); }
  int Take() { return pending_.Take(running()).value_or(0); }

 private:
  RunParameters params_;
  std::string message_;
  Canvas canvas_;
  std::unique_ptr<PlotRun> run_;
  std::string closingLine_;
  Clock::time_point runStart_;
  Clock::time_point lastShown_;
  Clock::time_point lastSliceEnd_;
  Clock::time_point resumeAt_;  // when a pause the last slice asked for ends
  Clock::duration outside_{};   // the run's time spent outside its slices
  std::vector<std::uint32_t> rgba_;
  PendingCommands<int> pending_;
};

}  // namespace quorvex
