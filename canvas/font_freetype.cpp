#include <ft2build.h>

#include "canvas/font.h"
#include "canvas/font_file.h"
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>

namespace quorvex {

struct Font::FaceHandle {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~FaceHandle() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

Font::~Font() {
  delete face_;
}

std::unique_ptr<Font> Font::Load(const FontRequest& request) {
  std::unique_ptr<Font> font = Missing(request.cellHeight);
  const std::optional<FontFile> file = FindFontFile(request);
  if (!file) return font;

  auto handle = std::make_unique<FaceHandle>();
  if (FT_Init_FreeType(&handle->library) != 0) return font;
  if (FT_New_Face(handle->library, file->path.c_str(), file->index, &handle->face) != 0 ||
      !FT_IS_SCALABLE(handle->face))
    return font;
  FT_Face face = handle->face;

  // The cell is the Windows ascent plus descent where the face has an OS/2
  // table, else the horizontal header's ascender minus descender.
  double ascender = face->ascender;
  double descender = -static_cast<double>(face->descender);
  if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
      os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    ascender = os2->usWinAscent;
    descender = os2->usWinDescent;
  }
  const double designCell = ascender + descender;
  if (designCell <= 0) return font;
  const double emPixels = font->cellHeight_ * face->units_per_EM / designCell;
  if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(emPixels * 64.0)), 72, 72) != 0)
    return font;

  font->ascent_ = static_cast<int>(std::lround(font->cellHeight_ * ascender / designCell));
  font->face_ = handle.release();
  return font;
}

void Font::RenderGlyph(unsigned char c, Glyph& g) const {
  FT_Face face = face_->face;
  if (FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0) return;
  const FT_GlyphSlot slotInfo = face->glyph;
  g.advance = static_cast<int>((slotInfo->advance.x + 32) >> 6);
  const FT_Bitmap& bm = slotInfo->bitmap;
  g.left = slotInfo->bitmap_left;
  g.top = slotInfo->bitmap_top;
  g.width = static_cast<int>(bm.width);
  g.rows = static_cast<int>(bm.rows);
  g.ink.assign(static_cast<size_t>(g.width) * g.rows, 0);
  for (int y = 0; y < g.rows; ++y) {
    const unsigned char* row = bm.buffer + static_cast<long>(y) * bm.pitch;
    for (int x = 0; x < g.width; ++x) {
      const bool set =
          bm.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] >> (7 - (x & 7))) & 1 : row[x] >= 128;
      g.ink[static_cast<size_t>(y) * g.width + x] = set ? 1 : 0;
    }
  }
}

}  // namespace quorvex
