#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "canvas/color.h"

namespace quorvex {

class Font;

// A rectangle covering columns left to right - 1 and rows top to bottom - 1.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// A raster surface with one 32-bit pixel per point, origin top-left, y
// downwards, and the drawing rules of the window's paint device context:
// opaque fills, one-pixel frames inside a rectangle, lines that set their
// start pixel but not their end point, single pixels, and one-line text
// clipped to its rectangle with each character cell painted in the
// background colour. Everything outside the surface is clipped silently.
class Canvas {
 public:
  // defaultFont is the font the surface starts with and that text uses when
  // no other font is selected; it must outlive the canvas. With a null
  // default font text draws nothing until a font is selected.
  Canvas(int width, int height, const Font* defaultFont = nullptr);

  int width() const { return width_; }
  int height() const { return height_; }
  const std::vector<Color>& pixels() const { return pixels_; }
  Color Pixel(int x, int y) const;  // black outside the surface

  // Sets the background colour and fills the rectangle with it.
  void FillSolid(const Rect& r, Color c);
  // A border one pixel wide along the inside of the rectangle.
  void FrameRect(const Rect& r, Color c);

  // Selects a one-pixel solid pen; returns the previous pen's colour.
  Color SelectPen(Color c);
  void MoveTo(int x, int y);
  // Draws from the current position to (x, y), end point excluded, and
  // leaves the current position at (x, y).
  void LineTo(int x, int y);

  // Sets one pixel; coordinates of any size, those off the surface ignored.
  void SetPixel(long long x, long long y, Color c) {
    SetPixelAt(static_cast<unsigned long long>(x), static_cast<unsigned long long>(y), c);
  }
  // Coordinates taken modulo 2^64: a negative one is far beyond the edge.
  void SetPixelAt(unsigned long long x, unsigned long long y, Color c) {
    if (x < static_cast<unsigned>(width_) && y < static_cast<unsigned>(height_))
      pixels_[y * static_cast<unsigned>(width_) + x] = c;
  }

  Color SetTextColor(Color c);
  Color SetBkColor(Color c);
  Color textColor() const { return textColor_; }
  Color bkColor() const { return bkColor_; }

  // Selects a font (null: the default font); returns the previous one.
  const Font* SelectFont(const Font* font);
  const Font* selectedFont() const { return font_; }

  // One line of text, left- and top-aligned at the rectangle's corner and
  // clipped to it. The cells are painted in the background colour before
  // the glyphs are drawn in the text colour.
  void DrawText(std::string_view text, const Rect& r);

 private:
  void FillClipped(int left, int top, int right, int bottom, const Rect& clip, Color c);

  int width_;
  int height_;
  std::vector<Color> pixels_;
  const Font* defaultFont_;
  const Font* font_;
  Color pen_ = kBlack;
  int penX_ = 0;
  int penY_ = 0;
  Color textColor_ = kBlack;
  Color bkColor_ = kWhite;
};

}  // namespace quorvex
