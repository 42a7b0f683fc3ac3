#pragma once

#include <cstdio>
#include <string>

#include "canvas/canvas.h"

namespace quorvex {

// Writes the canvas as an 8-bit RGB PNG; false with `error` set on failure.
bool WritePng(std::FILE* out, const Canvas& canvas, std::string& error);

}  // namespace quorvex
