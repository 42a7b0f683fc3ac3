// The font seam where glyphs come from a generated table (font_table_data.cpp,
// written by tools/glyph_table through the Linux font code): the face is the
// table entry that answers the request.

#include "canvas/font_table.h"

#include "canvas/font.h"

namespace quorvex {

struct Font::FaceHandle {
  const FontTable* table = nullptr;
};

Font::~Font() {
  delete face_;
}

std::unique_ptr<Font> Font::Load(const FontRequest& request) {
  std::unique_ptr<Font> font = Missing(request.cellHeight);
  for (const FontTable& t : kFontTables) {
    if (request.family == t.family && request.bold == t.bold && request.cellHeight == t.cellHeight) {
      font->ascent_ = t.ascent;
      font->face_ = new FaceHandle{&t};
      break;
    }
  }
  return font;
}

void Font::RenderGlyph(unsigned char c, Glyph& g) const {
  // Characters outside the table keep the faceless cell.
  if (c < kGlyphTableFirst || c > kGlyphTableLast) return;
  const FontTable& t = *face_->table;
  const GlyphTableEntry& e = t.glyphs[c - kGlyphTableFirst];
  g.advance = e.advance;
  g.left = e.left;
  g.top = e.top;
  g.width = e.width;
  g.rows = e.rows;
  g.ink.assign(static_cast<size_t>(g.width) * g.rows, 0);
  for (size_t i = 0; i < g.ink.size(); ++i) {
    const std::uint32_t bit = e.firstBit + static_cast<std::uint32_t>(i);
    g.ink[i] = (t.bits[bit >> 3] >> (7 - (bit & 7))) & 1;
  }
}

}  // namespace quorvex
