#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorvex {

// What a font is asked for: a face name resolved by the platform (fontconfig
// on Linux, GDI's font mapper on Windows), a weight, and the height of its
// character cell in pixels (the cell is the face's Windows ascent plus
// descent, as a positive font height means).
struct FontRequest {
  std::string family;
  bool bold = false;
  int cellHeight = 12;
};

// One character's monochrome glyph: every pixel is either ink or not.
struct Glyph {
  int advance = 0;  // width of the character cell, pixels
  int left = 0;     // ink offset from the cell's left edge
  int top = 0;      // ink rows above the baseline
  int width = 0;
  int rows = 0;
  std::vector<std::uint8_t> ink;  // width * rows, 1 where the glyph is set
};

// A face at one cell height, rendered without anti-aliasing. A font that
// could not be loaded still has its cell height and a cell width per
// character, so text cells are filled, but it draws no glyphs.
class Font {
 public:
  static std::unique_ptr<Font> Load(const FontRequest& request);
  // A font without a face, as when none can be loaded.
  static std::unique_ptr<Font> Missing(int cellHeight);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  bool loaded() const { return face_ != nullptr; }
  int cellHeight() const { return cellHeight_; }
  int ascent() const { return ascent_; }
  // The glyph for one byte of text, read as ISO 8859-1.
  const Glyph& GlyphFor(unsigned char c) const;

 private:
  explicit Font(int cellHeight);
  // Fills in a glyph from the loaded face: its advance, and its ink where
  // the face has some. Left as it is where the face cannot render it.
  void RenderGlyph(unsigned char c, Glyph& g) const;
  struct FaceHandle;

  int cellHeight_;
  int ascent_;
  FaceHandle* face_ = nullptr;
  mutable std::array<std::unique_ptr<Glyph>, 256> cache_;
};

}  // namespace quorvex
