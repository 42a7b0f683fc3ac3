#pragma once

#include "canvas/canvas.h"

namespace quorvex {

// The chart's geometry in canvas pixels: the one place it is written. Every
// shell shows a canvas of this size, and the run's pixels are placed by
// these origins and scales.
inline constexpr int kCanvasWidth = 640;
inline constexpr int kCanvasHeight = 480;

// The three framed panels.
inline constexpr Rect kOrbitPanel{10, 10, 310, 310};
inline constexpr Rect kRotatingPanel{330, 10, 630, 310};
inline constexpr Rect kDistancePanel{10, 330, 630, 470};

// The orbit and rotating panels: origins, and 3 pixels per AU with y
// upwards on the screen.
inline constexpr int kOrbitOriginX = 160;
inline constexpr int kRotatingOriginX = 480;
inline constexpr int kUpperOriginY = 160;
inline constexpr double kUpperPixelsPerAu = 3.0;

// The distance panel: the separation rises 1.5 pixels per AU above the
// baseline; time runs right from the first column, 1.6 pixels per plot-year
// day of the run's whole duration, so the end time lies 1.6 x 365.4 pixels
// to the right.
inline constexpr int kDistanceBaseline = 460;
inline constexpr int kDistanceFirstColumn = 31;
inline constexpr double kDistancePixelsPerAu = 1.5;
inline constexpr double kTimeScale = 1.6;

// Where the closing line is written.
inline constexpr Rect kClosingLineRect{35, 435, 280, 450};

}  // namespace quorvex
