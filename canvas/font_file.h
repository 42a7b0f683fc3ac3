#pragma once

#include <optional>
#include <string>

#include "canvas/font.h"

namespace quorvex {

// A face the system's font configuration picked: its file, the face's index
// in it, and its family name.
struct FontFile {
  std::string path;
  int index = 0;
  std::string family;
};

// Finds the face that the system's font configuration (fontconfig) picks
// for a family and weight; nothing where it has none. Kept apart from
// drawing the glyphs, so that finding a face and rendering it can be had
// separately.
std::optional<FontFile> FindFontFile(const FontRequest& request);

}  // namespace quorvex
