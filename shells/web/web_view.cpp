#include "shells/web/web_view.h"

#include <algorithm>
#include <bit>

#include "chart/chart.h"
#include "chart/layout.h"
#include "shells/core/run_pacer.h"
#include "shells/core/run_parameters_store.h"
#include "shells/core/run_values.h"

namespace quorvex {

namespace {

// The dialog's four values, as the shells' dialogs hold them.
struct DialogValues {
  std::int32_t stepDays;
  std::int32_t durationYears;
  std::int32_t interactionChoice;
  std::int32_t plotSpeed;
};

}  // namespace

WebView::WebView()
    : canvas_(kCanvasWidth, kCanvasHeight, ChartFonts::Shared().closingLine.get()),
      rgba_(static_cast<size_t>(kCanvasWidth) * kCanvasHeight) {
  PaintViewBackground(canvas_, false, ChartFonts::Shared());
}

int WebView::Accept(const std::string& durationText, const std::string& stepText, int plotSpeed,
                    int interactionChoice) {
  // The step is checked before the duration, although it stands below it.
  const FieldReading step = ReadIntegerField(stepText, kStepDaysRange);
  if (!step.ok) {
    message_ = step.message;
    return 1;
  }
  const FieldReading duration = ReadIntegerField(durationText, kDurationYearsRange);
  if (!duration.ok) {
    message_ = duration.message;
    return 2;
  }
  // The range input and the radio buttons cannot hold other values.
  AcceptDialog(DialogValues{step.value, duration.value, interactionChoice == 1 ? 1 : 0,
                            std::clamp(plotSpeed, kPlotSpeedRange.low, kPlotSpeedRange.high)},
               params_);
  message_.clear();
  Paint();
  return 0;
}

void WebView::Paint() {
  run_.reset();
  PaintViewBackground(canvas_, params_.plotEnabled != 0, ChartFonts::Shared());
  // One thread in the page: the run computes everything itself.
  if (params_.plotEnabled) run_ = std::make_unique<PlotRun>(canvas_, params_, PlotRun::Hooks{}, 1);
  runStart_ = lastShown_ = lastSliceEnd_ = resumeAt_ = Clock::now();
  outside_ = {};
}

WebView::SliceResult WebView::Slice() {
  SliceResult r;
  if (!run_ || run_->over()) {
    r.over = true;
    r.showCanvas = true;
    return r;
  }
  const Clock::time_point start = Clock::now();
  // The time since the last slice beyond any pause it asked for went to the
  // page: showing the canvas, other events.
  outside_ += start - std::max(lastSliceEnd_, resumeAt_);
  resumeAt_ = start;
  const Clock::time_point sliceEnd = start + RunPacer::kSlice;
  for (;;) {
    const PlotRun::Yield y = run_->Advance(RunPacer::kStepsPerCheck);
    if (y == PlotRun::Yield::Finished || y == PlotRun::Yield::Stopped) {
      closingLine_ = ClosingLineText(run_->shortest());
      r.over = true;
      r.showCanvas = true;
      return r;
    }
    if (y == PlotRun::Yield::PauseDue) {
      // The pause lasts kPause from now; the page waits it out between
      // slices instead of sleeping.
      r.resumeMs = std::chrono::duration<double, std::milli>(RunPacer::kPause).count();
      resumeAt_ = Clock::now() + RunPacer::kPause;
      break;
    }
    if (Clock::now() >= sliceEnd) break;
  }
  const Clock::time_point now = Clock::now();
  lastSliceEnd_ = now;
  // The canvas is shown at most every kRefresh, and less often while the
  // page has taken more than a twentieth of the run's time, so that showing
  // it hardly slows the run.
  if (now - lastShown_ >= RunPacer::kRefresh && outside_ * 20 <= now - runStart_) {
    lastShown_ = now;
    r.showCanvas = true;
  }
  return r;
}

void WebView::Stop() {
  if (run_) run_->RequestStop();
}

const std::uint8_t* WebView::Pixels() {
  // The canvas keeps 0x00BBGGRR, which in WebAssembly's little-endian
  // memory is the bytes R, G, B, 0: the page's R, G, B, A with an opaque
  // alpha set in the top byte.
  static_assert(std::endian::native == std::endian::little);
  const std::vector<Color>& px = canvas_.pixels();
  for (size_t i = 0; i < px.size(); ++i) rgba_[i] = px[i] | 0xFF000000u;
  return reinterpret_cast<const std::uint8_t*>(rgba_.data());
}

}  // namespace quorvex
