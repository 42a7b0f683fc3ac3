#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shells/core/session.h"

namespace quorvex {

// The web page's side of the session behind its few exported functions:
// the session on the chart's canvas, the last reading's message, and the
// canvas as the page's bytes. Every rule comes from the session; this only
// adapts it to the page, which never blocks: a slice runs for about 10 ms
// and then says when the next may begin.
class WebView {
 public:
  // The menu commands the page has.
  enum Command { kEnterNewValues = 1, kAbout = 2, kSavePicture = 3 };

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
  // changes, and the reading says why and which field is at fault.
  RunValuesReading Accept(const RunValueTexts& texts);

  SliceResult Slice();
  void Stop() { session_.run().RequestStop(); }
  bool running() const { return session_.run().runInProgress(); }
  // The closing line of the last run that ended, empty before.
  const std::string& closingLine() const { return session_.run().closingLine(); }
  // The run's progress, and whether the last one was stopped (ViewRun).
  double runDays() const { return session_.run().runDays(); }
  bool stopped() const { return session_.run().stopped(); }

  // The canvas as RGBA bytes, top row first.
  const std::uint8_t* Pixels();

  // Whether a chosen menu command may be carried out now; if not, it
  // waits for the run's end. Take() gives the next waiting one, 0 if none.
  bool Offer(int command);
  int Take();

 private:
  Session session_;
  std::vector<std::uint32_t> rgba_;
};

}  // namespace quorvex
