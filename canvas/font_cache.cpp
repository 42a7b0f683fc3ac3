// The part of Font that is the same on every platform: the cell a font
// without a face keeps, and the glyph cache in front of the platform's
// rendering.

#include "canvas/font.h"

namespace quorvex {

Font::Font(int cellHeight) : cellHeight_(cellHeight), ascent_(cellHeight - cellHeight / 5) {}

std::unique_ptr<Font> Font::Missing(int cellHeight) {
  return std::unique_ptr<Font>(new Font(cellHeight > 0 ? cellHeight : 1));
}

const Glyph& Font::GlyphFor(unsigned char c) const {
  std::unique_ptr<Glyph>& slot = cache_[c];
  if (slot) return *slot;
  slot = std::make_unique<Glyph>();
  Glyph& g = *slot;
  // Without a face the cell still has a width, about that of an average
  // character, so the text's cells are filled.
  g.advance = (cellHeight_ + 1) / 2;
  if (!face_) return g;

  RenderGlyph(c, g);
  return g;
}

}  // namespace quorvex
