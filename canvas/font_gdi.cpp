// The font seam on Windows: GDI resolves the face and renders each glyph as
// a one-bit bitmap, so the text looks as the platform draws it without
// anti-aliasing.

#include <windows.h>

#include "canvas/font.h"

namespace quorvex {

// A memory device context with the font selected into it; glyphs and
// metrics are read through it.
struct Font::FaceHandle {
  HDC dc = nullptr;
  HFONT font = nullptr;
  HGDIOBJ previous = nullptr;
  ~FaceHandle() {
    if (previous) SelectObject(dc, previous);
    if (font) DeleteObject(font);
    if (dc) DeleteDC(dc);
  }
};

Font::~Font() {
  delete face_;
}

std::unique_ptr<Font> Font::Load(const FontRequest& request) {
  std::unique_ptr<Font> font = Missing(request.cellHeight);
  auto handle = std::make_unique<FaceHandle>();
  handle->dc = CreateCompatibleDC(nullptr);
  if (!handle->dc) return font;
  // A positive height asks for the character cell (ascent plus descent),
  // not the em; the outline precision keeps GDI to scalable faces, which
  // GetGlyphOutline needs.
  handle->font = CreateFontA(font->cellHeight_, 0, 0, 0, request.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                             FALSE, ANSI_CHARSET, OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS,
                             NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, request.family.c_str());
  if (!handle->font) return font;
  handle->previous = SelectObject(handle->dc, handle->font);
  if (!handle->previous || handle->previous == HGDI_ERROR) {
    handle->previous = nullptr;
    return font;
  }
  TEXTMETRICA metrics{};
  if (!GetTextMetricsA(handle->dc, &metrics) || !(metrics.tmPitchAndFamily & TMPF_TRUETYPE)) return font;
  font->ascent_ = static_cast<int>(metrics.tmAscent);
  font->face_ = handle.release();
  return font;
}

void Font::RenderGlyph(unsigned char c, Glyph& g) const {
  // ISO 8859-1 bytes are the first 256 Unicode code points.
  const UINT ch = c;
  const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  GLYPHMETRICS gm{};
  const DWORD size = GetGlyphOutlineW(face_->dc, ch, GGO_BITMAP, &gm, 0, nullptr, &identity);
  if (size == GDI_ERROR) return;
  g.advance = gm.gmCellIncX;
  // A glyph without ink (a space) has an empty bitmap but a nominal 1 x 1
  // black box.
  if (size == 0) return;
  std::vector<BYTE> bits(size);
  if (GetGlyphOutlineW(face_->dc, ch, GGO_BITMAP, &gm, size, bits.data(), &identity) == GDI_ERROR) return;

  g.left = gm.gmptGlyphOrigin.x;
  g.top = gm.gmptGlyphOrigin.y;
  g.width = static_cast<int>(gm.gmBlackBoxX);
  g.rows = static_cast<int>(gm.gmBlackBoxY);
  // Rows are one bit per pixel, most significant bit first, each padded
  // to a whole number of 32-bit words.
  const size_t pitch = ((static_cast<size_t>(g.width) + 31) / 32) * 4;
  if (pitch * g.rows > bits.size()) {
    g.width = g.rows = 0;
    return;
  }
  g.ink.assign(static_cast<size_t>(g.width) * g.rows, 0);
  for (int y = 0; y < g.rows; ++y) {
    const BYTE* row = bits.data() + pitch * y;
    for (int x = 0; x < g.width; ++x)
      g.ink[static_cast<size_t>(y) * g.width + x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
}

}  // namespace quorvex
