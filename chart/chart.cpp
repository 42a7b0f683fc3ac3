#include "chart/chart.h"

#include <cmath>

namespace quorvex {
namespace {

void Line(Canvas& c, int x0, int y0, int x1, int y1) {
  c.MoveTo(x0, y0);
  c.LineTo(x1, y1);
}

// A colour legend bar: two rows of pixels whose colour fades from the
// centre column to the ends at `slope` channel steps per column.
void LegendBar(Canvas& c, int first, int last, int centre, double slope, Color (*left)(int),
               Color (*right)(int)) {
  for (int x = first; x <= last; ++x) {
    const int d = x >= centre ? x - centre : centre - x;
    const int b = static_cast<int>(std::trunc(255.0 - slope * d));
    const Color colour = x < centre ? left(b) : right(b);
    c.SetPixel(x, 285, colour);
    c.SetPixel(x, 286, colour);
  }
}

}  // namespace

void DrawChart(Canvas& c, const ChartFonts& fonts) {
  c.FrameRect(kOrbitPanel, kWhite);
  c.FrameRect(kRotatingPanel, kWhite);
  c.FrameRect(kDistancePanel, kWhite);
  const Color oldPen = c.SelectPen(kWhite);

  // Orbit panel: axes through (160, 160), a tick every 10 AU.
  Line(c, 160, 20, 160, 300);
  Line(c, 20, 160, 300, 160);
  for (int y = 40; y <= 280; y += 30) Line(c, 160, y, 165, y);
  for (int x = 40; x <= 280; x += 30) Line(c, x, 160, x, 155);

  c.SetTextColor(kWhite);
  const Font* oldFont = c.SelectFont(fonts.label.get());
  c.DrawText("10 AU", {175, 140, 210, 150});

  // The legend bars fade at slopes of their own (6.5, 4 and 9 channel steps
  // a column), chosen so that each bar shows its scale's colours and
  // direction across its width; they are not the points' scales (15 and 120
  // per AU, 250000 per AU/day), so a tick mark does not sit where a point
  // reaches the labelled value.
  LegendBar(
      c, 20, 70, 45, 6.5, [](int b) { return Rgb(b, b, 255); }, [](int b) { return Rgb(255, b, b); });
  c.DrawText("Z-Axis Pluto", {20, 270, 200, 280});
  c.DrawText("-15", {18, 292, 35, 302});
  c.DrawText("+15", {56, 292, 72, 302});
  Line(c, 25, 287, 25, 291);
  Line(c, 65, 287, 65, 291);

  LegendBar(
      c, 240, 300, 270, 4.0, [](int b) { return Rgb(255, b, 255); }, [](int b) { return Rgb(b, 255, b); });
  c.DrawText("Z-Axis Neptune", {239, 270, 312, 280});
  c.DrawText("-1.5", {237, 292, 280, 302});
  c.DrawText("+1.5", {284, 292, 320, 302});
  Line(c, 245, 287, 245, 291);
  Line(c, 295, 287, 295, 291);

  // Rotating panel: axes through (480, 160).
  Line(c, 480, 20, 480, 300);
  Line(c, 340, 160, 620, 160);
  for (int y = 40; y <= 280; y += 30) Line(c, 480, y, 485, y);
  for (int x = 360; x <= 600; x += 30) Line(c, x, 160, x, 155);
  LegendBar(
      c, 340, 390, 365, 9.0, [](int b) { return Rgb(255, b, b); }, [](int b) { return Rgb(b, b, 255); });
  c.DrawText("Speed Pluto", {340, 290, 570, 300});
  c.DrawText("10 AU", {495, 140, 570, 150});

  // Distance panel: the axes meet at (30, 460); 1.5 px per AU upwards.
  c.MoveTo(30, 340);
  c.LineTo(30, 460);
  c.LineTo(620, 460);
  for (int x = 60; x <= 600; x += 30) Line(c, x, 460, x, 455);
  for (int y = 370; y <= 460; y += 30) Line(c, 25, y, 30, y);
  c.DrawText("AU", {13, 335, 25, 345});
  c.DrawText("20", {13, 425, 25, 435});

  c.SelectPen(oldPen);
  c.SelectFont(oldFont);
}

void PaintViewBackground(Canvas& canvas, bool plotEnabled, const ChartFonts& fonts) {
  canvas.FillSolid({0, 0, canvas.width(), canvas.height()}, kBlack);
  if (plotEnabled) DrawChart(canvas, fonts);
}

}  // namespace quorvex
