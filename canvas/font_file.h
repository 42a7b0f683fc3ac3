#pragma once

#include <string>

#include "canvas/font.h"

namespace quorvex {

// Finds the font file and face index that the system's font configuration
// (fontconfig) picks for a family and weight. Kept apart from drawing the
// glyphs, so that finding a face and rendering it can be had separately.
bool FindFontFile(const FontRequest& request, std::string& file, int& index);

}  // namespace quorvex
