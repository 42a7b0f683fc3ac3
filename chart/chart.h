#pragma once

#include "canvas/canvas.h"
#include "chart/chart_fonts.h"
#include "chart/layout.h"

namespace quorvex {

// Draws the fixed white-on-black chart: three framed panels, their axes
// and ticks, eleven labels and three colour legends. On return the pen and
// the font are the ones selected before, the text colour is white and the
// background colour is unchanged.
void DrawChart(Canvas& canvas, const ChartFonts& fonts);

// What every paint of the plot view starts with: the whole surface black,
// then, once a run has been accepted, the chart.
void PaintViewBackground(Canvas& canvas, bool plotEnabled, const ChartFonts& fonts);

}  // namespace quorvex
