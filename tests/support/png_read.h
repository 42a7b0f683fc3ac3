#pragma once

#include <string>
#include <vector>

#include "canvas/canvas.h"

namespace quorvex::testing {

struct Picture {
  int width = 0;
  int height = 0;
  int bitDepth = 0;
  int colorType = -1;
  std::vector<Color> pixels;  // 0x00BBGGRR, row by row
  Color At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Reads an 8-bit RGB PNG; false if the file cannot be read as one.
bool ReadPng(const std::string& path, Picture& out);

}  // namespace quorvex::testing
