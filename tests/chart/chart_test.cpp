#include "chart/chart.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorvex {
namespace {

class Chart : public ::testing::Test {
 protected:
  void SetUp() override { PaintViewBackground(canvas, true, fonts); }
  bool White(int x, int y) const { return canvas.Pixel(x, y) == kWhite; }

  const ChartFonts& fonts = ChartFonts::Shared();
  Canvas canvas{640, 480, fonts.closingLine.get()};
};

TEST(ChartFlag, WithoutARunThePaintIsBlackOnly) {
  const ChartFonts& fonts = ChartFonts::Shared();
  Canvas c(640, 480, fonts.closingLine.get());
  c.FillSolid({0, 0, 640, 480}, kWhite);
  PaintViewBackground(c, false, fonts);
  for (Color p : c.pixels()) ASSERT_EQ(p, kBlack);
}

TEST_F(Chart, AxesAndTicksFollowTheLineRules) {
  for (int y = 20; y <= 299; ++y) EXPECT_TRUE(White(160, y)) << y;
  EXPECT_FALSE(White(160, 300));
  for (int x = 160; x <= 164; ++x) EXPECT_TRUE(White(x, 40)) << x;
  EXPECT_FALSE(White(165, 40));
  for (int lx : {25, 65, 245, 295}) {
    for (int y = 287; y <= 290; ++y) EXPECT_TRUE(White(lx, y)) << lx << "," << y;
    EXPECT_FALSE(White(lx, 291)) << lx;
  }
  EXPECT_TRUE(White(30, 460));
  EXPECT_TRUE(White(619, 460));
  EXPECT_FALSE(White(620, 460));
  for (int y = 340; y <= 460; ++y) EXPECT_TRUE(White(30, y)) << y;
}

TEST_F(Chart, TickCounts) {
  auto countColumn = [&](int x, int y0, int y1) {
    int n = 0;
    for (int y = y0; y <= y1; ++y) n += White(x, y);
    return n;
  };
  auto countRow = [&](int y, int x0, int x1) {
    int n = 0;
    for (int x = x0; x <= x1; ++x) n += White(x, y);
    return n;
  };
  EXPECT_EQ(countColumn(163, 20, 300), 9);  // orbit panel, vertical axis
  EXPECT_EQ(countRow(157, 20, 300), 9);     // orbit panel, horizontal axis
  EXPECT_EQ(countColumn(483, 20, 300), 9);
  EXPECT_EQ(countRow(157, 340, 620), 9);
  EXPECT_EQ(countRow(457, 31, 628), 19);  // time axis: columns 60 to 600
  EXPECT_TRUE(White(60, 457));
  EXPECT_TRUE(White(600, 457));
  EXPECT_FALSE(White(630, 457));
  EXPECT_EQ(countColumn(27, 331, 468), 4);  // separation axis
  EXPECT_TRUE(White(27, 460));
}

TEST_F(Chart, LegendColours) {
  const struct {
    int x;
    Color colour;
  } expected[] = {{20, 0x00FF5C5C},  {44, 0x00FFF8F8},  {45, 0x00FFFFFF},  {46, 0x00F8F8FF},
                  {70, 0x005C5CFF},  {240, 0x00FF87FF}, {269, 0x00FFFBFF}, {270, 0x00FFFFFF},
                  {300, 0x0087FF87}, {340, 0x001E1EFF}, {365, 0x00FFFFFF}, {390, 0x00FF1E1E}};
  for (const auto& e : expected) {
    EXPECT_EQ(canvas.Pixel(e.x, 285), e.colour) << "column " << e.x;
    EXPECT_EQ(canvas.Pixel(e.x, 286), e.colour) << "column " << e.x;
  }
  // Half values are cut, not rounded: b = 92 at column 20, 99 at 21.
  EXPECT_EQ(GreenOf(canvas.Pixel(20, 285)), 92);
  EXPECT_EQ(GreenOf(canvas.Pixel(21, 285)), 99);
}

TEST_F(Chart, LabelsAreTenRowsOfATwelveRowCell) {
  // "10 AU" in (175, 140, 210, 150): glyphs inside, the rows below clipped.
  int ink = 0;
  for (int y = 140; y < 150; ++y)
    for (int x = 175; x < 210; ++x) ink += White(x, y);
  EXPECT_GT(ink, 10);
  for (int x = 175; x < 210; ++x) {
    EXPECT_FALSE(White(x, 150)) << x;
    EXPECT_FALSE(White(x, 151)) << x;
  }
  // The "Z-Axis Neptune" cells cover the orbit panel's right frame column.
  int frame = 0;
  for (int y = 270; y < 280; ++y) frame += White(309, y);
  EXPECT_LT(frame, 10);
  EXPECT_TRUE(White(309, 269));
  EXPECT_TRUE(White(309, 280));
}

TEST_F(Chart, BlackEverywhereOutsideWhatTheChartDraws) {
  std::vector<bool> drawn(640 * 480, false);
  auto mark = [&](int l, int t, int r, int b) {
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) drawn[y * 640 + x] = true;
  };
  auto frame = [&](const Rect& r) {
    mark(r.left, r.top, r.right, r.top + 1);
    mark(r.left, r.bottom - 1, r.right, r.bottom);
    mark(r.left, r.top, r.left + 1, r.bottom);
    mark(r.right - 1, r.top, r.right, r.bottom);
  };
  frame(kOrbitPanel);
  frame(kRotatingPanel);
  frame(kDistancePanel);
  mark(160, 20, 161, 300);
  mark(20, 160, 300, 161);
  mark(480, 20, 481, 300);
  mark(340, 160, 620, 161);
  for (int v = 40; v <= 280; v += 30) {
    mark(160, v, 165, v + 1);
    mark(v, 156, v + 1, 161);
    mark(480, v, 485, v + 1);
    mark(v + 320, 156, v + 321, 161);
  }
  for (int lx : {25, 65, 245, 295}) mark(lx, 287, lx + 1, 291);
  mark(20, 285, 71, 287);
  mark(240, 285, 301, 287);
  mark(340, 285, 391, 287);
  mark(30, 340, 31, 461);
  mark(30, 460, 620, 461);
  for (int x = 60; x <= 600; x += 30) mark(x, 456, x + 1, 461);
  for (int y = 370; y <= 460; y += 30) mark(25, y, 30, y + 1);
  const Rect labels[] = {{175, 140, 210, 150}, {20, 270, 200, 280},  {18, 292, 35, 302},
                         {56, 292, 72, 302},   {239, 270, 312, 280}, {237, 292, 280, 302},
                         {284, 292, 320, 302}, {340, 290, 570, 300}, {495, 140, 570, 150},
                         {13, 335, 25, 345},   {13, 425, 25, 435}};
  for (const Rect& r : labels) mark(r.left, r.top, r.right, r.bottom);

  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      if (!drawn[y * 640 + x]) {
        ASSERT_EQ(canvas.Pixel(x, y), kBlack) << x << "," << y;
      }
    }
}

TEST_F(Chart, LeavesTheDeviceStateAsTheRunExpects) {
  EXPECT_EQ(canvas.selectedFont(), fonts.closingLine.get());
  EXPECT_EQ(canvas.textColor(), kWhite);
  EXPECT_EQ(canvas.bkColor(), kBlack);
  EXPECT_EQ(canvas.SelectPen(kBlack), kBlack);  // the previous pen is back
}

TEST_F(Chart, IsTheSameOnEveryPaintAndCutOffOnASmallSurface) {
  Canvas again(640, 480, fonts.closingLine.get());
  PaintViewBackground(again, true, fonts);
  EXPECT_EQ(again.pixels(), canvas.pixels());

  Canvas small(200, 150, fonts.closingLine.get());
  PaintViewBackground(small, true, fonts);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x) ASSERT_EQ(small.Pixel(x, y), canvas.Pixel(x, y)) << x << "," << y;
}

}  // namespace
}  // namespace quorvex
