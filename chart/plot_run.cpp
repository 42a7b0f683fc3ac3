#include "chart/plot_run.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

namespace quorvex {
namespace {

constexpr double kPixelLimit = 1e15;

std::int32_t Clamp(std::int32_t v, IntRange r) { return std::clamp(v, r.low, r.high); }

RunParameters Sanitised(RunParameters p) {
  p.stepDays = Clamp(p.stepDays, kStepDaysRange);
  p.plotSpeed = Clamp(p.plotSpeed, kPlotSpeedRange);
  p.durationYears = Clamp(p.durationYears, kDurationYearsRange);
  return p;
}

}  // namespace

long long TruncPixel(double v) {
  if (std::isnan(v)) return static_cast<long long>(kPixelLimit);
  return static_cast<long long>(std::clamp(std::trunc(v), -kPixelLimit, kPixelLimit));
}

int ChannelByte(double v) {
  double t = std::trunc(v);
  if (std::isnan(t)) return 0;
  if (!(std::fabs(t) < 9.0e15)) t = std::fmod(t, 256.0);
  return static_cast<int>(static_cast<long long>(t) & 0xFF);
}

Color PlutoHeightColor(double z) {
  const int b = ChannelByte(255.0 - 15.0 * std::fabs(z));
  return z >= 0.0 ? Rgb(255, b, b) : Rgb(b, b, 255);
}

Color NeptuneHeightColor(double z) {
  const int b = ChannelByte(255.0 - 120.0 * std::fabs(z));
  return z >= 0.0 ? Rgb(b, 255, b) : Rgb(255, b, 255);
}

Color SpeedColor(double s) {
  if (s >= 0.003) {
    const int b = ChannelByte(255.0 - (s - 0.003) * 250000.0);
    return Rgb(b, b, 255);
  }
  const int b = ChannelByte((s - 0.003) * 250000.0 + 255.0);
  return Rgb(235, b, b);
}

std::int32_t PacingDivisor(std::int32_t plotSpeed, std::int32_t stepDays) {
  const double d = std::trunc(std::pow(10.0, plotSpeed) * 25.0 / static_cast<double>(stepDays));
  // A divisor below 1 would make every step's pause test divide by zero.
  return d < 1.0 ? 1 : static_cast<std::int32_t>(std::min(d, 2147483647.0));
}

std::string ClosingLineText(double shortest) {
  char digits[64];
  const auto res = std::to_chars(digits, digits + sizeof digits, shortest, std::chars_format::fixed, 5);
  return "Shortest Distance: " + std::string(digits, res.ptr) + " AU";
}

PlotRun::PlotRun(Canvas& canvas, const RunParameters& params, Hooks hooks)
    : canvas_(canvas),
      params_(Sanitised(params)),
      hooks_(std::move(hooks)),
      state_(StartIntegrator(params_.stepDays, params_.interactionOn())),
      endTime_(static_cast<double>(params_.durationYears) * kPlotYearDays),
      divisor_(PacingDivisor(params_.plotSpeed, params_.stepDays)) {}

void PlotRun::Plot(const StepSample& s) {
  const StateVector& P = s.plutoPos;
  const StateVector& N = s.neptunePos;
  canvas_.SetPixel(160 + TruncPixel(3.0 * P.x), 160 - TruncPixel(3.0 * P.y), PlutoHeightColor(P.z));
  canvas_.SetPixel(160 + TruncPixel(3.0 * N.x), 160 - TruncPixel(3.0 * N.y), NeptuneHeightColor(N.z));
  canvas_.SetPixel(480 + TruncPixel(3.0 * s.neptuneRot.x), 160 - TruncPixel(3.0 * s.neptuneRot.y),
                   Rgb(255, 0, 0));
  canvas_.SetPixel(31 + TruncPixel((1.6 * s.t) / static_cast<double>(params_.durationYears)),
                   460 - TruncPixel(1.5 * s.separation), Rgb(255, 255, 150));
  canvas_.SetPixel(480 + TruncPixel(3.0 * s.plutoRot.x), 160 - TruncPixel(3.0 * s.plutoRot.y),
                   SpeedColor(s.speed));
}

PlotRun::Yield PlotRun::Advance(std::int64_t maxSteps) {
  if (over_) return outcome_;
  for (std::int64_t taken = 0;; ++taken) {
    if (!(state_.t < endTime_)) return End(Yield::Finished);
    if (stopRequested_ || (hooks_.stopPoll && hooks_.stopPoll())) return End(Yield::Stopped);
    if (taken >= maxSteps) return Yield::SliceUsed;

    ++k_;
    const StepSample s = AdvanceIntegrator(state_);
    if (s.separation < shortest_) shortest_ = s.separation;
    Plot(s);
    if (hooks_.onSample) hooks_.onSample(k_, s);
    if (k_ % divisor_ == 0) return Yield::PauseDue;
  }
}

PlotRun::Yield PlotRun::End(Yield why) {
  over_ = true;
  outcome_ = why;
  canvas_.SetTextColor(Rgb(255, 0, 0));
  canvas_.DrawText(ClosingLineText(shortest_), kClosingLineRect);
  return why;
}

double RunPlot(Canvas& canvas, const RunParameters& params, std::function<bool()> stopPoll,
               std::function<void()> pause) {
  PlotRun run(canvas, params, {std::move(stopPoll), {}});
  for (;;) {
    switch (run.Advance(std::numeric_limits<std::int64_t>::max())) {
      case PlotRun::Yield::PauseDue:
        if (pause)
          pause();
        else
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        break;
      case PlotRun::Yield::SliceUsed:
        break;
      case PlotRun::Yield::Stopped:
      case PlotRun::Yield::Finished:
        return run.shortest();
    }
  }
}

}  // namespace quorvex
