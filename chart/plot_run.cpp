#include "chart/plot_run.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <thread>

#include "chart/cpu.h"
#include "chart/layout.h"
#include "chart/pixels.h"
#include "chart/step_blocks.h"

namespace quorvex {
namespace {

std::int32_t Clamp(std::int32_t v, IntRange r) {
  return std::clamp(v, r.low, r.high);
}

// Neptune in the rotating panel, and the closing line.
constexpr Color kRed = Rgb(255, 0, 0);

RunParameters Sanitised(RunParameters p) {
  p.stepDays = Clamp(p.stepDays, kStepDaysRange);
  p.plotSpeed = Clamp(p.plotSpeed, kPlotSpeedRange);
  p.durationYears = Clamp(p.durationYears, kDurationYearsRange);
  return p;
}

}  // namespace

std::int32_t PacingDivisor(std::int32_t plotSpeed, std::int32_t stepDays) {
  const double d = std::trunc(std::pow(10.0, plotSpeed) * 25.0 / static_cast<double>(stepDays));
  // At least 1, so that the count to the next pause always ends.
  return d < 1.0 ? 1 : static_cast<std::int32_t>(std::min(d, 2147483647.0));
}

std::string ClosingLineText(double shortest) {
  // Room for the largest double written out in full with five decimals.
  char digits[400];
#if defined(__EMSCRIPTEN__)
  // The web build's C++ library has no floating-point to_chars; its printf
  // rounds exactly too and has no locale but "C", so the text is the same.
  const int n = std::snprintf(digits, sizeof digits, "%.5f", shortest);
  const char* end = digits + (n > 0 && n < static_cast<int>(sizeof digits) ? n : 0);
#else
  const auto res = std::to_chars(digits, digits + sizeof digits, shortest, std::chars_format::fixed, 5);
  const char* end = res.ec == std::errc() ? res.ptr : digits;
#endif
  return "Shortest Distance: " + std::string(static_cast<const char*>(digits), end) + " AU";
}

PlotRun::PlotRun(Canvas& canvas, const RunParameters& params, Hooks hooks, int threads)
    : canvas_(canvas),
      params_(Sanitised(params)),
      hooks_(std::move(hooks)),
      state_(StartIntegrator(params_.stepDays, params_.interactionOn())),
      endTime_(static_cast<double>(params_.durationYears) * kPlotYearDays),
      blocks_(std::make_unique<StepBlocks>(state_.neptune, params_.stepDays, params_.durationYears,
                                           RunStepCount(params_.stepDays, endTime_),
                                           threads > 0 ? threads : RunThreads(), hooks_.courier)),
      divisor_(PacingDivisor(params_.plotSpeed, params_.stepDays)),
      untilPause_(divisor_) {}

PlotRun::PlotRun(Canvas& canvas, const RunParameters& params) : PlotRun(canvas, params, Hooks{}) {}

PlotRun::~PlotRun() = default;

void PlotRun::Plot(const StepSample& s, const StepPixels& n) {
  const Vec3& P = s.plutoPos;
  canvas_.SetPixelAt(PixelX(kOrbitOriginX, TruncPixel(kUpperPixelsPerAu * P.x)),
                     PixelY(kUpperOriginY, TruncPixel(kUpperPixelsPerAu * P.y)), PlutoHeightColor(P.z));
  canvas_.SetPixelAt(n.neptuneX, n.neptuneY, n.neptuneColor);
  canvas_.SetPixelAt(n.neptuneRotX, n.neptuneRotY, kRed);
  canvas_.SetPixelAt(n.distanceX, PixelY(kDistanceBaseline, TruncPixel(kDistancePixelsPerAu * s.separation)),
                     Rgb(255, 255, 150));
  canvas_.SetPixelAt(PixelX(kRotatingOriginX, TruncPixel(kUpperPixelsPerAu * s.plutoRot.x)),
                     PixelY(kUpperOriginY, TruncPixel(kUpperPixelsPerAu * s.plutoRot.y)),
                     SpeedColor(s.speed));
}

PlotRun::Yield PlotRun::Advance(std::int64_t maxSteps) {
  if (over_) return outcome_;
  // Whatever ran on this thread since the last slice (a window's painting)
  // may have left the wide vector registers in a state that slows the run.
  ClearUpperVectorState();
  for (std::int64_t taken = 0;; ++taken) {
    if (!(state_.t < endTime_)) return End(Yield::Finished);
    if (stopRequested_) return End(Yield::Stopped);
    if (taken >= maxSteps) return Yield::SliceUsed;
    if (row_ == rows_) {
      // A new block: the place to look at the stop flag.
      if (hooks_.stopFlag && hooks_.stopFlag->load(std::memory_order_relaxed)) return End(Yield::Stopped);
      block_ = blocks_->Next();
      if (!block_) return Yield::BlocksAwaited;
      row_ = 0;
      rows_ = block_->count;
    }

    ++k_;
    const int row = row_++;
    const StepSample s = AdvanceIntegratorWith(state_, block_->neptune[row]);
    if (s.separation < shortest_) shortest_ = s.separation;
    Plot(s, block_->pixels[row]);
    if (hooks_.onSample) hooks_.onSample(k_, s);
    // Counting down to the next multiple of the divisor is k mod D == 0
    // without a division per step.
    if (--untilPause_ == 0) {
      untilPause_ = divisor_;
      return Yield::PauseDue;
    }
  }
}

PlotRun::Yield PlotRun::End(Yield why) {
  over_ = true;
  blocks_->Stop();
  outcome_ = why;
  canvas_.SetTextColor(kRed);
  canvas_.DrawText(ClosingLineText(shortest_), kClosingLineRect);
  return why;
}

void SleepUntil(std::chrono::steady_clock::time_point until) {
  using Clock = std::chrono::steady_clock;
  for (Clock::time_point now = Clock::now(); now < until; now = Clock::now())
    std::this_thread::sleep_for(std::chrono::ceil<std::chrono::milliseconds>(until - now));
}

double RunPlot(PlotRun& run, bool paced, const std::function<bool(PlotRun::Yield)>& between) {
  // Steps between two looks at the caller, which may show progress.
  constexpr std::int64_t kSliceSteps = 65536;
  for (;;) {
    const PlotRun::Yield why = run.Advance(kSliceSteps);
    if (why == PlotRun::Yield::Finished || why == PlotRun::Yield::Stopped) break;
    if (between && !between(why)) break;
    if (why == PlotRun::Yield::PauseDue && paced) SleepUntil(std::chrono::steady_clock::now() + kPacingPause);
  }
  return run.shortest();
}

double RunPlot(Canvas& canvas, const RunParameters& params) {
  PlotRun run(canvas, params);
  return RunPlot(run, false);
}

}  // namespace quorvex
