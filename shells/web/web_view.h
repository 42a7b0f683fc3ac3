#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chart/run_parameters.h"
#include "shells/core/pending_commands.h"
#include "shells/core/run_values.h"
#include "shells/core/view_run.h"

namespace quorvex {

// The web page's program state behind its few exported functions: the run
// values last accepted, the view's run on the chart's canvas, and the menu
// commands that wait for a run's end. Every rule comes from the shells'
// core; this only adapts it to the page, which never blocks: a slice runs
// for about 10 ms and then says when the next may begin.
class WebView {
 public:
  // The menu commands the page has.
  enum Command { kEnterNewValues = 1, kAbout = 2 };

  // What a slice asks of the page.
  struct SliceResult {
    bool over = false;        // the run has ended; the closing line is drawn
    double resumeMs = 0.0;    // wait this long before the next slice (a due pause)
    bool showCanvas = false;  // copy the canvas to the screen now
  };

  // courier: the page's worker for the runs' blocks, if any.
  explicit WebView(BlockCourier* courier = nullptr);

  // The texts the "Enter Values" dialog opens with: the values last
  // accepted, or the first run's.
  RunValueTexts DialogTexts() const;

  // "Start Plot": the dialog's texts read by the dialog's rules. Accepted
  // values are kept and a new run starts on a fresh chart; otherwise nothing
  // changes, message() says why and field() which field is at fault.
  bool Accept(const RunValueTexts& texts);
  const std::string& message() const { return message_; }
  RunField field() const { return field_; }

  SliceResult Slice();
  void Stop() { view_.RequestStop(); }
  bool running() const { return view_.runInProgress(); }
  // The closing line of the last run that ended, empty before.
  const std::string& closingLine() const { return view_.closingLine(); }

  // The canvas as RGBA bytes, top row first.
  const std::uint8_t* Pixels();

  // Whether a chosen menu command may be carried out now; if not, it
  // waits for the run's end. Take() gives the next waiting one, 0 if none.
  bool Offer(int command) { return pending_.Offer(command, running()); }
  int Take() { return pending_.Take(running()).value_or(0); }

 private:
  ViewRun view_;
  std::optional<RunParameters> values_;
  std::string message_;
  RunField field_ = RunField::StepDays;
  std::vector<std::uint32_t> rgba_;
  PendingCommands<int> pending_;
};

}  // namespace quorvex
