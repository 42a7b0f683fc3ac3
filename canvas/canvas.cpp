#include "canvas/canvas.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "canvas/font.h"

namespace quorvex {

Canvas::Canvas(int width, int height, const Font* defaultFont)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * height_, kBlack),
      defaultFont_(defaultFont),
      font_(defaultFont) {}

Color Canvas::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kBlack;
  return pixels_[static_cast<size_t>(y) * width_ + x];
}

void Canvas::FillClipped(int left, int top, int right, int bottom, const Rect& clip, Color c) {
  const int l = std::max({left, clip.left, 0});
  const int t = std::max({top, clip.top, 0});
  const int r = std::min({right, clip.right, width_});
  const int b = std::min({bottom, clip.bottom, height_});
  for (int y = t; y < b; ++y)
    std::fill_n(pixels_.begin() + static_cast<long>(y) * width_ + l, std::max(r - l, 0), c);
}

void Canvas::FillSolid(const Rect& r, Color c) {
  bkColor_ = c;
  FillClipped(r.left, r.top, r.right, r.bottom, r, c);
}

void Canvas::FrameRect(const Rect& r, Color c) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  FillClipped(r.left, r.top, r.right, r.top + 1, r, c);
  FillClipped(r.left, r.bottom - 1, r.right, r.bottom, r, c);
  FillClipped(r.left, r.top, r.left + 1, r.bottom, r, c);
  FillClipped(r.right - 1, r.top, r.right, r.bottom, r, c);
}

Color Canvas::SelectPen(Color c) {
  return std::exchange(pen_, c);
}

void Canvas::MoveTo(int x, int y) {
  penX_ = x;
  penY_ = y;
}

void Canvas::LineTo(int x, int y) {
  // Bresenham from the current position; the end point is not set.
  long long cx = penX_;
  long long cy = penY_;
  const long long dx = std::llabs(static_cast<long long>(x) - cx);
  const long long dy = -std::llabs(static_cast<long long>(y) - cy);
  const int sx = cx < x ? 1 : -1;
  const int sy = cy < y ? 1 : -1;
  long long err = dx + dy;
  while (cx != x || cy != y) {
    SetPixel(cx, cy, pen_);
    const long long e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      cx += sx;
    }
    if (e2 <= dx) {
      err += dx;
      cy += sy;
    }
  }
  MoveTo(x, y);
}

Color Canvas::SetTextColor(Color c) {
  return std::exchange(textColor_, c);
}
Color Canvas::SetBkColor(Color c) {
  return std::exchange(bkColor_, c);
}

const Font* Canvas::SelectFont(const Font* font) {
  return std::exchange(font_, font ? font : defaultFont_);
}

void Canvas::DrawText(std::string_view text, const Rect& r) {
  if (!font_ || text.empty()) return;
  const Font& font = *font_;
  const int cell = font.cellHeight();

  // The cells of the whole line are painted first, then the glyphs.
  long long extent = 0;
  for (unsigned char c : text) extent += font.GlyphFor(c).advance;
  const int right = static_cast<int>(std::min<long long>(r.left + extent, r.right));
  FillClipped(r.left, r.top, right, r.top + cell, r, bkColor_);

  const int clipL = std::max(r.left, 0);
  const int clipT = std::max(r.top, 0);
  const int clipR = std::min(r.right, width_);
  const int clipB = std::min({r.bottom, r.top + cell, height_});
  long long penX = r.left;
  const int baseline = r.top + font.ascent();
  for (unsigned char c : text) {
    if (penX >= clipR) break;
    const Glyph& g = font.GlyphFor(c);
    for (int gy = 0; gy < g.rows; ++gy) {
      const int y = baseline - g.top + gy;
      if (y < clipT || y >= clipB) continue;
      for (int gx = 0; gx < g.width; ++gx) {
        const long long x = penX + g.left + gx;
        if (x < clipL || x >= clipR || !g.ink[static_cast<size_t>(gy) * g.width + gx]) continue;
        pixels_[static_cast<size_t>(y) * width_ + static_cast<size_t>(x)] = textColor_;
      }
    }
    penX += g.advance;
  }
}

}  // namespace quorvex
