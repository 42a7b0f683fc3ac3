#pragma once

#include <memory>

#include "canvas/font.h"

namespace quorvex {

// The two fonts the picture uses: the labels' "Arial" at a 12-pixel cell
// and, for the closing line, the stand-in for the device context's default
// system font: a bold sans-serif at a 16-pixel cell, taken from the same
// metric-compatible family so that the line keeps the system font's width.
struct ChartFonts {
  std::unique_ptr<Font> label;
  std::unique_ptr<Font> closingLine;

  // What the two fonts ask for.
  static FontRequest LabelRequest() { return {"Arial", false, 12}; }
  static FontRequest ClosingLineRequest() { return {"Arial", true, 16}; }

  static ChartFonts LoadDefault();
  // Loaded once per process on first use.
  static const ChartFonts& Shared();
  bool complete() const { return label->loaded() && closingLine->loaded(); }
};

}  // namespace quorvex
