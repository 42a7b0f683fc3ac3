#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "canvas/canvas.h"
#include "chart/layout.h"
#include "chart/pixels.h"
#include "chart/run_parameters.h"
#include "orbit/integrator.h"

namespace quorvex {

class BlockCourier;
class StepBlocks;
struct StepBlock;
struct StepPixels;

// A plot year, in days.
inline constexpr double kPlotYearDays = 365.4;
// The shortest separation a run starts from, AU: farther than Neptune and
// Pluto can ever be apart (at most about 80 AU, Pluto's aphelion plus
// Neptune's distance), so that the first step always sets it.
inline constexpr double kInitialShortest = 80.0;

// The pacing divisor: a pause of kPacingPause follows every D-th step.
std::int32_t PacingDivisor(std::int32_t plotSpeed, std::int32_t stepDays);
inline constexpr std::chrono::milliseconds kPacingPause{1};

// Sleeps until the steady clock has passed `until`. Sleeps are asked for in
// whole milliseconds and repeated until then: MinGW's sleep drops a
// remainder below a millisecond, and sleep_until on a steady clock sleeps
// only once.
void SleepUntil(std::chrono::steady_clock::time_point until);

// "Shortest Distance: %.5f AU", whatever the locale.
std::string ClosingLineText(double shortest);

// One plot run on a canvas that already shows the chart: it advances the
// integrator step by step, sets five pixels per step, keeps the shortest
// separation and ends with the closing line, written in the canvas's
// default font (the chart has put it back). It can be driven in slices:
// Advance() takes steps until it has to yield and says why.
//
// Everything that depends only on a step's time (Neptune and its pixels) is
// worked out in blocks ahead of the steps, on two threads where the machine
// has them; Pluto's half of each step and all drawing stay on the thread
// that calls Advance(), in the order of the steps. The pixels and samples
// are the same on one thread or two.
class PlotRun {
 public:
  enum class Yield {
    PauseDue,   // a pause (kPacingPause) is due after the step just taken
    SliceUsed,  // the number of steps asked for was taken
    Stopped,    // a stop was asked for before a step; the closing line is drawn
    Finished,   // the end time was reached; the closing line is drawn
    // The next steps' block is on its way from the courier's helper: end
    // the slice so that its message can arrive, then advance again.
    BlocksAwaited,
  };

  struct Hooks {
    // Told of every step: its number k (from 1) and its sample.
    std::function<void(std::int64_t, const StepSample&)> onSample;
    // A cheaper stop request that any thread may raise: looked at before
    // the first step of each block of a few hundred steps (well under a
    // millisecond of running), and once raised the run stops before its
    // next step is taken.
    const std::atomic<bool>* stopFlag = nullptr;
    // Where a helper outside the process's threads works out blocks of
    // the run (the web page's worker); none by default.
    BlockCourier* courier = nullptr;
  };

  // The parameters are expected within their ranges; values outside are
  // brought to the nearest allowed value, so that a run always ends.
  // threads: how many threads work on the run, 0 for as many as the
  // processors this process may use, at most two.
  PlotRun(Canvas& canvas, const RunParameters& params, Hooks hooks, int threads = 0);
  PlotRun(Canvas& canvas, const RunParameters& params);
  ~PlotRun();
  PlotRun(const PlotRun&) = delete;
  PlotRun& operator=(const PlotRun&) = delete;

  // Takes at most maxSteps steps.
  Yield Advance(std::int64_t maxSteps);
  // The run stops before its next step.
  void RequestStop() { stopRequested_ = true; }

  bool over() const { return over_; }
  double shortest() const { return shortest_; }
  std::int64_t steps() const { return k_; }
  double time() const { return state_.t; }
  double endTime() const { return endTime_; }

 private:
  Yield End(Yield why);
  void Plot(const StepSample& s, const StepPixels& pixels);

  Canvas& canvas_;
  RunParameters params_;
  Hooks hooks_;
  IntegratorState state_;
  double endTime_;
  std::unique_ptr<StepBlocks> blocks_;
  const StepBlock* block_ = nullptr;  // the block the next steps come from
  int row_ = 0;                       // the next step's place in it
  int rows_ = 0;                      // its steps
  double shortest_ = kInitialShortest;
  std::int64_t k_ = 0;
  std::int32_t divisor_;
  std::int32_t untilPause_;  // steps until the next pause is due
  bool stopRequested_ = false;
  bool over_ = false;
  Yield outcome_ = Yield::Finished;
};

// Drives a run to its end, as the renderer does: in slices of steps, after
// each of which `between` is told why the run yielded and may end it early
// by returning false; a paced run then waits out every pause that is due.
// Returns the shortest separation shown.
double RunPlot(PlotRun& run, bool paced, const std::function<bool(PlotRun::Yield)>& between = {});
// A whole unpaced run on a canvas that shows the chart, in one call.
double RunPlot(Canvas& canvas, const RunParameters& params);

}  // namespace quorvex
