// The page's glue to the session, natively: a reading's field and message, a
// run sliced to its end against one drawn in one call, due pauses, stopping,
// and the page's numbers for waiting commands.

#include "shells/web/web_view.h"

#include <gtest/gtest.h>

#include <cstring>

#include "chart/chart.h"
#include "chart/chart_fonts.h"
#include "chart/layout.h"

namespace quorvex {
namespace {

RunValueTexts Texts(const char* duration, const char* step, const char* speed = "5",
                    Interaction interaction = Interaction::On) {
  return {duration, step, speed, interaction};
}

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
      EXPECT_LE(r.resumeMs, 1.0);
      ++paused;
    }
  }
  ADD_FAILURE() << "the run did not end";
  return paused;
}

TEST(WebView, OpensWithTheFirstRunsValuesAndSaysWhatFailed) {
  WebView view;
  const RunValueTexts first = view.DialogTexts();
  EXPECT_EQ(first.durationYears + "," + first.stepDays + "," + first.plotSpeed, "35000,50,5");
  EXPECT_EQ(first.interaction, Interaction::On);

  // The reading's rules are the session's; the page gets the field at
  // fault and the message.
  const RunValuesReading refused = view.Accept(Texts("abc", "0"));
  EXPECT_FALSE(refused.values);
  EXPECT_EQ(refused.field, RunField::StepDays);
  EXPECT_EQ(refused.message, "Please enter an integer between 1 and 250.");
  EXPECT_FALSE(view.running());
}

TEST(WebView, SlicedRunEqualsOneCallRun) {
  WebView view;
  ASSERT_TRUE(view.Accept(Texts(" 200 ", "+7", "4", Interaction::Off)).values);
  EXPECT_TRUE(view.running());
  SliceToEnd(view);
  EXPECT_FALSE(view.running());
  EXPECT_FALSE(view.stopped());
  EXPECT_EQ(view.runDays(), 200 * 365.4);

  const RunParameters p{7, 4, 200, Interaction::Off};
  const ChartFonts& fonts = ChartFonts::Shared();
  Canvas expected(kCanvasWidth, kCanvasHeight, fonts.closingLine.get());
  PaintViewBackground(expected, true, fonts);
  const double shortest = RunPlot(expected, p);
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
  // pause due after every one of them.
  WebView view;
  ASSERT_TRUE(view.Accept(Texts("3", "250", "1")).values);
  EXPECT_EQ(SliceToEnd(view), 3);
}

TEST(WebView, StopBeforeTheFirstStepAndWaitingCommands) {
  // When commands wait is the session's rule; here the page's numbers.
  WebView view;
  ASSERT_TRUE(view.Accept(Texts("50000", "1")).values);
  EXPECT_EQ(view.runDays(), 2.0);
  EXPECT_FALSE(view.Offer(WebView::kEnterNewValues));
  EXPECT_FALSE(view.Offer(WebView::kSavePicture));
  EXPECT_FALSE(view.Offer(WebView::kAbout));
  view.Stop();
  SliceToEnd(view);
  EXPECT_EQ(view.closingLine(), "Shortest Distance: 80.00000 AU");
  EXPECT_TRUE(view.stopped());
  EXPECT_EQ(view.runDays(), 2.0);  // the first step's time, not taken
  EXPECT_EQ(view.Take(), WebView::kEnterNewValues);
  EXPECT_EQ(view.Take(), WebView::kSavePicture);
  EXPECT_EQ(view.Take(), WebView::kAbout);
  EXPECT_EQ(view.Take(), 0);
}

}  // namespace
}  // namespace quorvex
