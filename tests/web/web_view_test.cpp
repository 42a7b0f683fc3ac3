// The page's glue, natively: the dialog's reading order, a run sliced to its
// end against one drawn in one call, due pauses, stopping, and commands that
// wait for a run's end.

#include "shells/web/web_view.h"

#include <gtest/gtest.h>

#include <cstring>

#include "chart/chart.h"
#include "chart/chart_fonts.h"
#include "chart/layout.h"

namespace quorvex {
namespace {

// Slices a run to its end; returns how many slices asked for a pause.
int SliceToEnd(WebView& view) {
  int paused = 0;
  for (int i = 0; i < 1000000; ++i) {
    const WebView::SliceResult r = view.Slice();
    if (r.over) {
      EXPECT_TRUE(r.showCanvas);
      return paused;
    }
    if (r.resumeMs > 0) {
      EXPECT_EQ(r.resumeMs, 1.0);
      ++paused;
    }
  }
  ADD_FAILURE() << "the run did not end";
  return paused;
}

TEST(WebView, ReadsTheStepBeforeTheDuration) {
  struct Case {
    const char* duration;
    const char* step;
    int fault;
    const char* message;
  };
  const Case cases[] = {
      {"abc", "0", 1, "Please enter an integer between 1 and 250."},
      {"", "50", 2, "Please enter an integer."},
      {"50001", "250", 2, "Please enter an integer between 1 and 50000."},
      {"35000", "12a", 1, "Please enter an integer."},
  };
  for (const Case& c : cases) {
    WebView view;
    EXPECT_EQ(view.Accept(c.duration, c.step, 5, 0), c.fault) << c.duration << " / " << c.step;
    EXPECT_EQ(view.message(), c.message);
    EXPECT_FALSE(view.running());
    EXPECT_EQ(view.params().plotEnabled, 0);
  }
}

TEST(WebView, SlicedRunEqualsOneCallRun) {
  WebView view;
  ASSERT_EQ(view.Accept(" 200 ", "+7", 9, 1), 0);
  EXPECT_EQ(view.params().durationYears, 200);
  EXPECT_EQ(view.params().stepDays, 7);
  EXPECT_EQ(view.params().plotSpeed, 5);  // brought into the range input's range
  EXPECT_EQ(view.params().interactionChoice, 1);
  EXPECT_TRUE(view.running());
  SliceToEnd(view);
  EXPECT_FALSE(view.running());

  const ChartFonts& fonts = ChartFonts::Shared();
  Canvas expected(kCanvasWidth, kCanvasHeight, fonts.closingLine.get());
  PaintViewBackground(expected, true, fonts);
  const double shortest = RunPlot(expected, view.params(), {}, [] {});
  EXPECT_EQ(view.closingLine(), ClosingLineText(shortest));

  const std::uint8_t* rgba = view.Pixels();
  for (int i = 0; i < kCanvasWidth * kCanvasHeight; ++i) {
    const Color c = expected.pixels()[i];
    const std::uint8_t want[4] = {static_cast<std::uint8_t>(RedOf(c)), static_cast<std::uint8_t>(GreenOf(c)),
                                  static_cast<std::uint8_t>(BlueOf(c)), 255};
    ASSERT_EQ(std::memcmp(rgba + 4 * i, want, 4), 0)
        << "pixel " << i % kCanvasWidth << ", " << i / kCanvasWidth;
  }
}

TEST(WebView, DuePausesAreAskedFor) {
  // 3 years at step 250: steps at t = 500, 750 and 1000; speed 1 makes a
  // pause due after every one of them, the last one included.
  WebView view;
  ASSERT_EQ(view.Accept("3", "250", 1, 0), 0);
  EXPECT_EQ(SliceToEnd(view), 3);
}

TEST(WebView, StopBeforeTheFirstStepAndWaitingCommands) {
  WebView view;
  EXPECT_TRUE(view.Offer(WebView::kAbout));  // no run: at once
  ASSERT_EQ(view.Accept("50000", "1", 5, 0), 0);
  EXPECT_FALSE(view.Offer(WebView::kEnterNewValues));
  EXPECT_FALSE(view.Offer(WebView::kAbout));
  EXPECT_FALSE(view.Offer(WebView::kEnterNewValues));
  EXPECT_EQ(view.Take(), 0);  // not while the run is in progress
  view.Stop();
  SliceToEnd(view);
  EXPECT_EQ(view.closingLine(), "Shortest Distance: 80.00000 AU");
  EXPECT_EQ(view.Take(), WebView::kEnterNewValues);
  EXPECT_EQ(view.Take(), WebView::kAbout);
  EXPECT_EQ(view.Take(), 0);
}

}  // namespace
}  // namespace quorvex
