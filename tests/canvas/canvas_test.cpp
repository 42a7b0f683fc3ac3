#include "canvas/canvas.h"

#include <gtest/gtest.h>

#include "canvas/font.h"

namespace quorvex {
namespace {

constexpr Color kMark = 0x00123456;

int CountColor(const Canvas& c, Color colour) {
  int n = 0;
  for (Color p : c.pixels()) n += p == colour;
  return n;
}

TEST(Canvas, FrameRectIsOnePixelInsideTheRectangle) {
  Canvas c(10, 10);
  c.FrameRect({2, 2, 7, 6}, kWhite);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x <= 6 && y >= 2 && y <= 5;
      const bool border = inside && (x == 2 || x == 6 || y == 2 || y == 5);
      EXPECT_EQ(c.Pixel(x, y), border ? kWhite : kBlack) << x << "," << y;
    }
  }
}

TEST(Canvas, FillSolidSetsTheBackgroundColourAndClips) {
  Canvas c(4, 3);
  c.FillSolid({-100, -100, 100, 2}, kMark);
  EXPECT_EQ(c.bkColor(), kMark);
  EXPECT_EQ(CountColor(c, kMark), 8);
  EXPECT_EQ(c.Pixel(0, 2), kBlack);
}

TEST(Canvas, LinesSetTheStartButNotTheEndPoint) {
  Canvas c(20, 20);
  c.SelectPen(kWhite);
  c.MoveTo(3, 5);
  c.LineTo(8, 5);
  for (int x = 3; x < 8; ++x) EXPECT_EQ(c.Pixel(x, 5), kWhite) << x;
  EXPECT_EQ(c.Pixel(8, 5), kBlack);
  // The current position moved to the end: the next line continues there.
  c.LineTo(8, 9);
  for (int y = 5; y < 9; ++y) EXPECT_EQ(c.Pixel(8, y), kWhite) << y;
  EXPECT_EQ(c.Pixel(8, 9), kBlack);
  EXPECT_EQ(CountColor(c, kWhite), 9);
}

TEST(Canvas, LinesInEveryDirection) {
  struct Case {
    int x0, y0, x1, y1;
  } cases[] = {{0, 0, 4, 4}, {4, 4, 0, 0}, {10, 2, 2, 10}, {1, 1, 3, 9}, {9, 3, 1, 5}, {5, 9, 5, 1}};
  for (const Case& k : cases) {
    Canvas c(12, 12);
    c.SelectPen(kWhite);
    c.MoveTo(k.x0, k.y0);
    c.LineTo(k.x1, k.y1);
    const int steps = std::max(std::abs(k.x1 - k.x0), std::abs(k.y1 - k.y0));
    EXPECT_EQ(c.Pixel(k.x0, k.y0), kWhite);
    EXPECT_EQ(c.Pixel(k.x1, k.y1), kBlack);
    EXPECT_EQ(CountColor(c, kWhite), steps);
  }
}

TEST(Canvas, SelectPenReturnsThePreviousPen) {
  Canvas c(2, 2);
  EXPECT_EQ(c.SelectPen(kWhite), kBlack);
  EXPECT_EQ(c.SelectPen(kMark), kWhite);
}

TEST(Canvas, EverythingOutsideTheSurfaceIsClipped) {
  Canvas c(8, 8);
  c.SelectPen(kWhite);
  c.MoveTo(-50000, -3);
  c.LineTo(50000, 3);  // crosses the surface
  c.SetPixel(-1, 0, kMark);
  c.SetPixel(8, 0, kMark);
  c.SetPixel(0, 8, kMark);
  c.SetPixel(1LL << 40, -(1LL << 40), kMark);
  c.FrameRect({-10, -10, 1000, 1000}, kMark);
  c.DrawText("clipped", {-400, -400, 4000, 4000});
  c.DrawText("clipped", {100, 100, 200, 200});
  EXPECT_EQ(CountColor(c, kMark), 0);
  EXPECT_GT(CountColor(c, kWhite), 0);
  Canvas empty(0, 0);
  empty.FillSolid({0, 0, 10, 10}, kWhite);
  empty.SetPixel(0, 0, kWhite);
  EXPECT_TRUE(empty.pixels().empty());
}

// The chart's two faces: "Arial" at a 12-pixel cell and its bold face at a
// 16-pixel cell.
struct TwoFonts {
  std::unique_ptr<Font> label = Font::Load({"Arial", false, 12});
  std::unique_ptr<Font> closingLine = Font::Load({"Arial", true, 16});
};

class CanvasText : public ::testing::Test {
 protected:
  static const TwoFonts& Fonts() {
    static const TwoFonts fonts;
    return fonts;
  }
  const TwoFonts& fonts = Fonts();
};

TEST_F(CanvasText, TheLabelFontHasATwelvePixelCell) {
  ASSERT_TRUE(fonts.label->loaded()) << "no font for \"Arial\"";
  EXPECT_EQ(fonts.label->cellHeight(), 12);
  EXPECT_EQ(fonts.closingLine->cellHeight(), 16);
  EXPECT_GT(fonts.label->ascent(), 6);
  EXPECT_LT(fonts.label->ascent(), 12);
}

TEST_F(CanvasText, CellsAreOpaqueAndClippedToTheRectangle) {
  Canvas c(100, 40, fonts.label.get());
  c.FillSolid({0, 0, 100, 40}, kMark);
  c.SetBkColor(kBlack);
  c.SetTextColor(kWhite);
  const Rect r{10, 5, 60, 15};  // 10 rows high while the cell is 12
  c.DrawText("Ag 10 AU", r);
  int ink = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 100; ++x) {
      const Color p = c.Pixel(x, y);
      const bool inRect = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
      if (!inRect) {
        EXPECT_EQ(p, kMark) << "outside the rectangle at " << x << "," << y;
      } else if (x < r.left + 30) {
        // The text's first cells: only text or background colour, no grey.
        EXPECT_TRUE(p == kWhite || p == kBlack) << x << "," << y;
        ink += p == kWhite;
      }
    }
  }
  EXPECT_GT(ink, 20);
  // The rows of the cell below the rectangle stay untouched.
  for (int x = r.left; x < r.right; ++x) {
    EXPECT_EQ(c.Pixel(x, 15), kMark);
    EXPECT_EQ(c.Pixel(x, 16), kMark);
  }
}

TEST_F(CanvasText, WithoutAFaceTheCellsAreStillFilled) {
  const auto missing = Font::Missing(12);
  EXPECT_FALSE(missing->loaded());
  Canvas c(60, 20, missing.get());
  c.FillSolid({0, 0, 60, 20}, kMark);
  c.SetBkColor(kBlack);
  c.SetTextColor(kWhite);
  c.DrawText("abc", {0, 0, 60, 20});
  EXPECT_EQ(CountColor(c, kWhite), 0);
  EXPECT_EQ(c.Pixel(0, 0), kBlack);
  EXPECT_EQ(c.Pixel(0, 11), kBlack);
  EXPECT_EQ(c.Pixel(0, 12), kMark);
}

TEST_F(CanvasText, SelectFontReturnsThePreviousAndNullMeansTheDefault) {
  Canvas c(10, 10, fonts.closingLine.get());
  EXPECT_EQ(c.SelectFont(fonts.label.get()), fonts.closingLine.get());
  EXPECT_EQ(c.SelectFont(nullptr), fonts.label.get());
  EXPECT_EQ(c.selectedFont(), fonts.closingLine.get());
}

}  // namespace
}  // namespace quorvex
