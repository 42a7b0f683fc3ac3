#include "shells/web/web_view.h"

#include <algorithm>

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
      rgba_(static_cast<size_t>(kCanvasWidth) * kCanvasHeight * 4) {
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
  lastShown_ = Clock::now();
}

WebView::SliceResult WebView::Slice() {
  SliceResult r;
  if (!run_ || run_->over()) {
    r.over = true;
    r.showCanvas = true;
    return r;
  }
  const Clock::time_point sliceEnd = Clock::now() + RunPacer::kSlice;
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
      break;
    }
    if (Clock::now() >= sliceEnd) break;
  }
  const Clock::time_point now = Clock::now();
  if (now - lastShown_ >= RunPacer::kRefresh) {
    lastShown_ = now;
    r.showCanvas = true;
  }
  return r;
}

void WebView::Stop() {
  if (run_) run_->RequestStop();
}

const std::uint8_t* WebView::Pixels() {
  // The canvas keeps 0x00BBGGRR; the page wants R, G, B, A bytes.
  const std::vector<Color>& px = canvas_.pixels();
  for (size_t i = 0; i < px.size(); ++i) {
    rgba_[4 * i] = static_cast<std::uint8_t>(RedOf(px[i]));
    rgba_[4 * i + 1] = static_cast<std::uint8_t>(GreenOf(px[i]));
    rgba_[4 * i + 2] = static_cast<std::uint8_t>(BlueOf(px[i]));
    rgba_[4 * i + 3] = 255;
  }
  return rgba_.data();
}

}  // namespace quorvex
