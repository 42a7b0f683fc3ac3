#pragma once

#include <algorithm>
#include <chrono>
#include <string>

#include "chart/plot_run.h"
#include "tools/render/messages.h"

namespace quorvex {

// A progress bar on standard error when it is a terminal or console, fitted
// to its width (looked at again on every update, so that a resized window
// is followed) and drawn with nothing but a carriage return and spaces, so
// that no terminal shows an escape sequence or wraps it onto new lines.
class Progress {
 public:
  Progress() : start_(Clock::now()), last_(start_) {}

  void Show(const PlotRun& run) {
    const auto now = Clock::now();
    if (now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    const int columns = ErrorTerminalColumns();
    if (columns <= 0) return;
    const double fraction = run.endTime() > 0 ? std::min(run.time() / run.endTime(), 1.0) : 1.0;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(run.steps()) / seconds : 0.0;
    const int percent = static_cast<int>(fraction * 100.0);
    // The last column stays free: writing it makes some terminals wrap.
    const size_t room = static_cast<size_t>(columns - 1);
    std::string line = Format("%3d%%  %.2f M steps/s", percent, rate / 1e6);
    constexpr size_t kBar = 30;
    if (room >= line.size() + 3 + 10) {
      const size_t width = std::min(kBar, room - line.size() - 3);
      const size_t filled = static_cast<size_t>(fraction * static_cast<double>(width));
      line = "[" + std::string(filled, '#') + std::string(width - filled, '.') + "] " + line;
    } else if (room < line.size()) {
      line = Format("%3d%%", percent);
      if (room < line.size()) line.clear();
    }
    Draw(line);
  }

  void Clear() {
    if (shown_ == 0) return;
    Draw("");
    std::fputc('\r', stderr);
    std::fflush(stderr);
  }

 private:
  void Draw(std::string line) {
    const size_t length = line.size();
    if (line.size() < shown_) line.append(shown_ - line.size(), ' ');
    shown_ = length;
    WriteText(stderr, "\r" + line);
    std::fflush(stderr);
  }

  using Clock = std::chrono::steady_clock;
  Clock::time_point start_;
  Clock::time_point last_;
  size_t shown_ = 0;  // the characters now on the line
};

}  // namespace quorvex
