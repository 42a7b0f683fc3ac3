#include "shells/web/web_view.h"

#include <bit>
#include <chrono>
#include <utility>

#include "chart/layout.h"

namespace quorvex {

// One thread in the page: the run computes everything itself, or what the
// courier's worker does not.
WebView::WebView(BlockCourier* courier)
    : session_(1, courier), rgba_(static_cast<size_t>(kCanvasWidth) * kCanvasHeight) {
  session_.Restart(kCanvasWidth, kCanvasHeight);
}

RunValueTexts WebView::DialogTexts() const {
  return TextsOf(session_.DialogValues());
}

RunValuesReading WebView::Accept(const RunValueTexts& texts) {
  RunValuesReading reading = session_.Accept(texts);
  if (reading.values) session_.Restart(kCanvasWidth, kCanvasHeight);
  return reading;
}

namespace {

// The page's numbers for the session's commands.
constexpr std::pair<int, Session::Command> kCommands[] = {
    {WebView::kEnterNewValues, Session::Command::EnterNewValues},
    {WebView::kAbout, Session::Command::About},
    {WebView::kSavePicture, Session::Command::SavePicture},
};

}  // namespace

bool WebView::Offer(int command) {
  for (const auto& [number, c] : kCommands)
    if (number == command) return session_.Offer(c);
  return true;  // not a command: nothing waits for it
}

int WebView::Take() {
  const std::optional<Session::Command> command = session_.Take();
  for (const auto& [number, c] : kCommands)
    if (command == c) return number;
  return 0;
}

WebView::SliceResult WebView::Slice() {
  const ViewRun::Clock::time_point now = ViewRun::Clock::now();
  const ViewRun::Slice s = session_.run().Advance(now);
  SliceResult r;
  r.over = s.over;
  r.showCanvas = s.show;
  if (s.paused) {
    const ViewRun::Clock::time_point end = ViewRun::Clock::now();
    r.resumeMs = s.resumeAt > end ? std::chrono::duration<double, std::milli>(s.resumeAt - end).count() : 0.0;
  }
  return r;
}

const std::uint8_t* WebView::Pixels() {
  // The canvas keeps 0x00BBGGRR, which in WebAssembly's little-endian
  // memory is the bytes R, G, B, 0: the page's R, G, B, A with an opaque
  // alpha set in the top byte.
  static_assert(std::endian::native == std::endian::little);
  const std::vector<Color>& px = session_.run().canvas().pixels();
  for (size_t i = 0; i < px.size(); ++i) rgba_[i] = px[i] | 0xFF000000u;
  return reinterpret_cast<const std::uint8_t*>(rgba_.data());
}

}  // namespace quorvex
