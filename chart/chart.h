#pragma once

#include "canvas/canvas.h"
#include "chart/chart_fonts.h"

namespace quorvex {

// The panels of the fixed chart, in canvas pixels.
inline constexpr Rect kOrbitPanel{10, 10, 310, 310};
inline constexpr Rect kRotatingPanel{330, 10, 630, 310};
inline constexpr Rect kDistancePanel{10, 330, 630, 470};

// Draws the fixed white-on-black chart: three framed panels, their axes
// and ticks, eleven labels and three colour legends. On return the pen and
// the font are the ones selected before, the text colour is white and the
// background colour is unchanged.
void DrawChart(Canvas& canvas, const ChartFonts& fonts);

// What every paint of the plot view starts with: the whole surface black,
// then, once a run has been accepted, the chart.
void PaintViewBackground(Canvas& canvas, bool plotEnabled, const ChartFonts& fonts);

}  // namespace quorvex
