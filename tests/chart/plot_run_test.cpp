#include "chart/plot_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "chart/chart.h"

namespace quorvex {
namespace {

RunParameters Params(int years, int step, int speed = 5, int interaction = 0) {
  RunParameters p;
  p.durationYears = years;
  p.stepDays = step;
  p.plotSpeed = speed;
  p.interaction = static_cast<Interaction>(interaction);
  return p;
}

struct Recorded {
  std::vector<double> times;
  std::vector<std::int64_t> pauses;
  double shortest = 0;
};

Recorded Record(const RunParameters& p) {
  Canvas canvas(640, 480);
  Recorded r;
  PlotRun::Hooks hooks;
  hooks.onSample = [&](std::int64_t k, const StepSample& s) {
    EXPECT_EQ(k, static_cast<std::int64_t>(r.times.size()) + 1);
    r.times.push_back(s.t);
  };
  PlotRun run(canvas, p, hooks);
  for (;;) {
    const PlotRun::Yield y = run.Advance(1000);
    if (y == PlotRun::Yield::PauseDue) r.pauses.push_back(run.steps());
    if (y == PlotRun::Yield::Finished || y == PlotRun::Yield::Stopped) break;
  }
  r.shortest = run.shortest();
  return r;
}

TEST(PlotRunConversions, TruncationAndByteWrap) {
  EXPECT_EQ(TruncPixel(-0.9), 0);
  EXPECT_EQ(TruncPixel(2.9), 2);
  EXPECT_EQ(ChannelByte(-20.0), 236);
  EXPECT_EQ(ChannelByte(300.0), 44);
  EXPECT_EQ(ChannelByte(255.9), 255);
  EXPECT_EQ(ChannelByte(-0.5), 0);
  // Whatever comes out of a run, the conversions stay defined: huge values
  // land far off the surface, and channels keep the low 8 bits.
  auto far = [](long long v) { return v < -1000000000LL || v > 1000000000LL; };
  EXPECT_TRUE(far(TruncPixel(1e300)));
  EXPECT_TRUE(far(TruncPixel(-1e300)));
  EXPECT_TRUE(far(TruncPixel(std::nan(""))));
  EXPECT_EQ(ChannelByte(std::nan("")), 0);
  for (double v : {4503599627370752.0 + 300.0, 9007199254740992.0 * 3 + 40.0, -9007199254740992.0 * 5 - 256.0,
                   1e20, -1e300, 3.0e18 + 2048.0})
    EXPECT_EQ(ChannelByte(v), static_cast<int>(std::fmod(std::fmod(v, 256.0) + 256.0, 256.0))) << v;

  // Truncation toward the centre in the orbit panel.
  EXPECT_EQ(160 + TruncPixel(3.0 * 0.33), 160);
  EXPECT_EQ(160 + TruncPixel(3.0 * -0.33), 160);
  EXPECT_EQ(160 + TruncPixel(3.0 * -0.5), 159);
  EXPECT_EQ(160 + TruncPixel(3.0 * 0.5), 161);
  EXPECT_EQ(160 - TruncPixel(3.0 * 10.0), 130);
  EXPECT_EQ(460 - TruncPixel(1.5 * 20.0), 430);
  EXPECT_EQ(460 - TruncPixel(1.5 * 0.0), 460);
}

TEST(PlotRunColours, HeightAndSpeedRules) {
  EXPECT_EQ(PlutoHeightColor(10.0), Rgb(255, 105, 105));
  EXPECT_EQ(PlutoHeightColor(-10.0), Rgb(105, 105, 255));
  EXPECT_EQ(PlutoHeightColor(18.0), Rgb(255, 241, 241));  // wraps
  EXPECT_EQ(PlutoHeightColor(17.0), Rgb(255, 0, 0));
  EXPECT_EQ(PlutoHeightColor(0.0), kWhite);
  EXPECT_EQ(NeptuneHeightColor(1.0), Rgb(135, 255, 135));
  EXPECT_EQ(NeptuneHeightColor(-1.0), Rgb(255, 135, 255));
  EXPECT_EQ(NeptuneHeightColor(0.0), kWhite);
  EXPECT_EQ(SpeedColor(0.0025), Rgb(235, 130, 130));
  EXPECT_EQ(SpeedColor(0.0035), Rgb(130, 130, 255));
  EXPECT_EQ(SpeedColor(0.003), kWhite);
  EXPECT_EQ(SpeedColor(0.0019), Rgb(235, 236, 236));  // wraps
}

TEST(PlotRunClosingLine, FixedPointWithFiveDecimals) {
  EXPECT_EQ(ClosingLineText(80.0), "Shortest Distance: 80.00000 AU");
  EXPECT_EQ(ClosingLineText(18.196644), "Shortest Distance: 18.19664 AU");
  EXPECT_EQ(ClosingLineText(2.584786), "Shortest Distance: 2.58479 AU");
  EXPECT_EQ(ClosingLineText(1e300).size(), std::string("Shortest Distance: ").size() + 301 + 6 + 3);
}

TEST(PlotRunPacing, DivisorTable) {
  const int expected[] = {5, 50, 500, 5000, 50000};
  for (int speed = 1; speed <= 5; ++speed) EXPECT_EQ(PacingDivisor(speed, 50), expected[speed - 1]);
  EXPECT_EQ(PacingDivisor(1, 250), 1);
  EXPECT_EQ(PacingDivisor(5, 1), 2500000);
  EXPECT_EQ(PacingDivisor(1, 300), 1);  // never below 1
}

TEST(PlotRunSteps, CountsForDurationsAndSteps) {
  EXPECT_TRUE(Record(Params(1, 250)).times.empty());
  EXPECT_TRUE(Record(Params(1, 183)).times.empty());
  const Recorded one = Record(Params(1, 182));
  ASSERT_EQ(one.times.size(), 1u);
  EXPECT_EQ(one.times[0], 364.0);
  const Recorded five = Record(Params(5, 1));
  ASSERT_EQ(five.times.size(), 1825u);
  EXPECT_EQ(five.times.front(), 2.0);
  EXPECT_EQ(five.times.back(), 1826.0);
}

TEST(PlotRunSteps, DefaultRunPacingAndResult) {
  const Recorded on = Record(Params(35000, 50));
  ASSERT_EQ(on.times.size(), 255778u);
  EXPECT_EQ(on.times.front(), 100.0);
  EXPECT_EQ(on.times.back(), 12788950.0);
  EXPECT_EQ(on.pauses, (std::vector<std::int64_t>{50000, 100000, 150000, 200000, 250000}));
  EXPECT_EQ(ClosingLineText(on.shortest), "Shortest Distance: 18.19664 AU");
  EXPECT_EQ(ClosingLineText(Record(Params(35000, 50, 5, 1)).shortest), "Shortest Distance: 2.58479 AU");
}

TEST(PlotRunSteps, RunPlotPausesWhereDueAndEndsWhenAsked) {
  // 10 years at 250 days: 13 steps, each followed by a pause, which a
  // paced run waits out; its caller may end it after any yield.
  Canvas canvas(640, 480);
  PlotRun run(canvas, Params(10, 250, 1));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_LT(RunPlot(run, true), 80.0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 13 * kPacingPause);
  EXPECT_TRUE(run.over());
  PlotRun early(canvas, Params(10, 250, 1));
  RunPlot(early, false, [](PlotRun::Yield) { return false; });
  EXPECT_EQ(early.steps(), 1);
  EXPECT_FALSE(early.over());
}

class PlotRunPixels : public ::testing::Test {
 protected:
  void SetUp() override { PaintViewBackground(canvas, true, fonts); }
  const ChartFonts& fonts = ChartFonts::Shared();
  Canvas canvas{640, 480, fonts.closingLine.get()};
};

TEST_F(PlotRunPixels, TheFirstDefaultStep) {
  const std::vector<Color> chart = canvas.pixels();
  PlotRun run(canvas, Params(35000, 50));
  EXPECT_EQ(run.Advance(1), PlotRun::Yield::SliceUsed);
  run.RequestStop();
  EXPECT_EQ(run.Advance(1000000), PlotRun::Yield::Stopped);
  EXPECT_EQ(run.steps(), 1);
  EXPECT_EQ(canvas.Pixel(132, 244), Rgb(255, 168, 168));
  EXPECT_EQ(canvas.Pixel(211, 234), Rgb(240, 255, 240));
  EXPECT_EQ(canvas.Pixel(570, 160), Rgb(255, 0, 0));
  EXPECT_EQ(canvas.Pixel(31, 419), Rgb(255, 255, 150));
  EXPECT_EQ(canvas.Pixel(533, 231), Rgb(136, 136, 255));
  // Nothing else changed outside the closing line.
  int changed = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const bool closing = x >= 35 && x < 280 && y >= 435 && y < 450;
      if (!closing && canvas.Pixel(x, y) != chart[static_cast<size_t>(y) * 640 + x]) ++changed;
    }
  EXPECT_EQ(changed, 5);
}

TEST_F(PlotRunPixels, AStopBeforeTheFirstStepDrawsOnlyTheClosingLine) {
  const std::vector<Color> chart = canvas.pixels();
  PlotRun run(canvas, Params(35000, 50));
  run.RequestStop();
  EXPECT_EQ(run.Advance(1000000), PlotRun::Yield::Stopped);
  const double shortest = run.shortest();
  EXPECT_EQ(shortest, 80.0);
  EXPECT_EQ(ClosingLineText(shortest), "Shortest Distance: 80.00000 AU");
  int red = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const Color p = canvas.Pixel(x, y);
      const bool closing = x >= 35 && x < 280 && y >= 435 && y < 450;
      if (!closing) {
        ASSERT_EQ(p, chart[static_cast<size_t>(y) * 640 + x]) << x << "," << y;
      } else {
        ASSERT_TRUE(p == kBlack || p == Rgb(255, 0, 0)) << x << "," << y;
        red += p == Rgb(255, 0, 0);
      }
    }
  EXPECT_GT(red, 100);
}

TEST_F(PlotRunPixels, PixelsFarOffTheSurfaceAreClipped) {
  const std::vector<Color> before = canvas.pixels();
  // Positions are formed modulo 2^64 as the run forms them.
  for (double v : {1e300, -1e300, std::nan(""), 1e18, -1e18, 3e9, -3e9}) {
    const auto offset = static_cast<unsigned long long>(TruncPixel(v));
    canvas.SetPixelAt(160ULL + offset, 160ULL - offset, kWhite);
    canvas.SetPixelAt(480ULL - offset, 460ULL + offset, kWhite);
  }
  EXPECT_EQ(canvas.pixels(), before);
}

TEST_F(PlotRunPixels, TheDistanceCurveSpansItsColumns) {
  RunPlot(canvas, Params(35000, 50));
  auto column = [&](int x) {
    for (int y = 331; y < 460; ++y)
      if (canvas.Pixel(x, y) == Rgb(255, 255, 150)) return true;
    return false;
  };
  EXPECT_TRUE(column(31));
  EXPECT_TRUE(column(615));
  EXPECT_FALSE(column(616));
  EXPECT_FALSE(column(30));
}

TEST_F(PlotRunPixels, SlicedRunsDrawTheSamePixelsAsOneCall) {
  Canvas whole(640, 480, fonts.closingLine.get());
  PaintViewBackground(whole, true, fonts);
  RunPlot(whole, Params(2000, 7, 3));

  PlotRun run(canvas, Params(2000, 7, 3));
  int slices = 0;
  while (!run.over()) {
    run.Advance(977);
    ++slices;
  }
  EXPECT_GT(slices, 100);
  EXPECT_EQ(canvas.pixels(), whole.pixels());
}

TEST_F(PlotRunPixels, ARequestedStopEndsBeforeTheNextStep) {
  PlotRun run(canvas, Params(35000, 50));
  EXPECT_EQ(run.Advance(10), PlotRun::Yield::SliceUsed);
  run.RequestStop();
  EXPECT_EQ(run.Advance(10), PlotRun::Yield::Stopped);
  EXPECT_EQ(run.steps(), 10);
  EXPECT_TRUE(run.over());
  EXPECT_EQ(run.Advance(10), PlotRun::Yield::Stopped);
  EXPECT_LT(run.shortest(), 80.0);
}

}  // namespace
}  // namespace quorvex
