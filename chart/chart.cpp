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

  // The axes stop 10 pixels inside their panels; the upper panels' ticks
  // are 5 pixels long, every 10 AU, four on each side of the origin.
  constexpr int kInset = 10;
  constexpr int kTickLength = 5;
  constexpr int kUpperTick = static_cast<int>(10 * kUpperPixelsPerAu);
  constexpr int kUpperReach = 4 * kUpperTick;
  constexpr int oy = kUpperOriginY;
  // An upper panel's axes through its origin (ox, oy).
  const auto upperAxes = [&c](const Rect& panel, int ox) {
    Line(c, ox, panel.top + kInset, ox, panel.bottom - kInset);
    Line(c, panel.left + kInset, oy, panel.right - kInset, oy);
    for (int y = oy - kUpperReach; y <= oy + kUpperReach; y += kUpperTick)
      Line(c, ox, y, ox + kTickLength, y);
    for (int x = ox - kUpperReach; x <= ox + kUpperReach; x += kUpperTick)
      Line(c, x, oy, x, oy - kTickLength);
  };

  constexpr int ox = kOrbitOriginX;
  upperAxes(kOrbitPanel, ox);

  c.SetTextColor(kWhite);
  const Font* oldFont = c.SelectFont(fonts.label.get());
  c.DrawText("10 AU", {ox + 15, oy - 20, 210, oy - 10});

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

  constexpr int rx = kRotatingOriginX;
  upperAxes(kRotatingPanel, rx);
  LegendBar(
      c, 340, 390, 365, 9.0, [](int b) { return Rgb(255, b, b); }, [](int b) { return Rgb(b, b, 255); });
  c.DrawText("Speed Pluto", {340, 290, 570, 300});
  c.DrawText("10 AU", {rx + 15, oy - 20, 570, oy - 10});

  // Distance panel: the axes meet left of the first column, on the
  // baseline; a tick every 30 pixels along time and every 20 AU upwards.
  constexpr int axisX = kDistanceFirstColumn - 1;
  constexpr int base = kDistanceBaseline;
  constexpr int kDistanceTick = static_cast<int>(20 * kDistancePixelsPerAu);
  c.MoveTo(axisX, kDistancePanel.top + kInset);
  c.LineTo(axisX, base);
  c.LineTo(kDistancePanel.right - kInset, base);
  for (int x = axisX + 30; x < kDistancePanel.right - kInset; x += 30)
    Line(c, x, base, x, base - kTickLength);
  for (int y = base - 3 * kDistanceTick; y <= base; y += kDistanceTick)
    Line(c, axisX - kTickLength, y, axisX, y);
  c.DrawText("AU", {13, kDistancePanel.top + 5, 25, kDistancePanel.top + 15});
  c.DrawText("20", {13, base - kDistanceTick - 5, 25, base - kDistanceTick + 5});

  c.SelectPen(oldPen);
  c.SelectFont(oldFont);
}

void PaintViewBackground(Canvas& canvas, bool plotEnabled, const ChartFonts& fonts) {
  canvas.FillSolid({0, 0, canvas.width(), canvas.height()}, kBlack);
  if (plotEnabled) DrawChart(canvas, fonts);
}

}  // namespace quorvex
