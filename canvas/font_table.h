#pragma once

#include <cstdint>

namespace quorvex {

// Glyphs rendered ahead of time into a table, for a platform that has no
// font machinery of its own (the web page): the same one-bit glyphs the
// Linux font code draws, so that text comes out pixel for pixel alike.

// The characters a table holds: printable ASCII, all the chart writes.
inline constexpr unsigned char kGlyphTableFirst = 32;
inline constexpr unsigned char kGlyphTableLast = 126;
inline constexpr int kGlyphTableSize = kGlyphTableLast - kGlyphTableFirst + 1;

struct GlyphTableEntry {
  std::int8_t advance;
  std::int8_t left;
  std::int8_t top;
  std::uint8_t width;
  std::uint8_t rows;
  std::uint32_t firstBit;  // where its ink starts in the font's bits
};

// One font: what it answers (family, weight, cell height), its ascent and
// one entry per character. The ink of a glyph is width * rows bits, row by
// row, most significant bit of each byte first, 1 where it is set.
struct FontTable {
  const char* family;
  bool bold;
  int cellHeight;
  int ascent;
  const GlyphTableEntry* glyphs;  // kGlyphTableSize entries
  const std::uint8_t* bits;
};

inline constexpr int kFontTableCount = 2;
extern const FontTable kFontTables[kFontTableCount];

}  // namespace quorvex
