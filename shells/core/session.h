#pragma once

#include <optional>

#include "chart/run_parameters.h"
#include "shells/core/pending_commands.h"
#include "shells/core/run_values.h"
#include "shells/core/view_run.h"

namespace quorvex {

// The program's state and rules behind any window, the same in every shell:
// the run values last accepted, the view's run, and the menu commands that
// wait for a run's end. A shell keeps only its toolkit's windows, dialogs,
// events, cursor and painting, and asks the session for everything else.
class Session {
 public:
  // The menu commands that may have to wait for a run's end. Exit never
  // waits and is not one of them; only the web page offers SavePicture.
  enum class Command { EnterNewValues, About, SavePicture };

  // threads: how many threads the runs use, as for PlotRun; courier: a
  // helper outside the process for the runs' blocks, if any (ViewRun).
  explicit Session(int threads = 0, BlockCourier* courier = nullptr) : run_(threads, courier) {}

  // The values last accepted; none until a dialog has been accepted, and
  // until then the view stays black.
  const std::optional<RunParameters>& values() const { return values_; }
  bool plotEnabled() const { return values_.has_value(); }
  // What the "Enter Values" dialog opens with: the values last accepted, or
  // the first run's.
  RunParameters DialogValues() const { return values_.value_or(RunParameters{}); }

  // "Start Plot": the dialog's texts read by the dialog's rules
  // (ReadRunValues). Values read are kept, which enables the plot; a failed
  // reading changes nothing and says which field is at fault and why. The
  // caller restarts the view when the dialog has closed.
  RunValuesReading Accept(const RunValueTexts& texts);

  // The view's run: a new black canvas of the client area's size and, once
  // values have been accepted, the chart on it and a new run from t = 0.
  void Restart(int width, int height) { run_.Restart(width, height, values_ ? &*values_ : nullptr); }
  ViewRun& run() { return run_; }
  const ViewRun& run() const { return run_; }

  // A menu command chosen: whether to carry it out now. If not, it waits
  // for the run's end (see PendingCommands) and the program is busy.
  bool Offer(Command command) { return pending_.Offer(command, run_.runInProgress()); }
  // After a run's end: the next waiting command to carry out now, if any.
  // The program is no longer busy once the last one has been taken.
  std::optional<Command> Take() { return pending_.Take(run_.runInProgress()); }
  // Whether commands wait: the pointer over the window shows it.
  bool busy() const { return !pending_.empty(); }

  // The window closes: nothing waits any more and the run is dropped
  // unfinished.
  void Close();

 private:
  std::optional<RunParameters> values_;
  ViewRun run_;
  PendingCommands<Command> pending_;
};

}  // namespace quorvex
