#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "canvas/canvas.h"

namespace quorvex {

// Shows a canvas on a 32-bit device surface of width x height pixels, rows
// `stride` pixels apart, as every desktop view does: device column j shows
// canvas column j * canvas width / width (rounded down), likewise for rows,
// so that each canvas pixel becomes a block of whole device pixels, the
// larger and smaller blocks spread evenly, without smoothing. Pixels are
// written as 0x00RRGGBB with `alpha` or-ed in (0xFF000000 for a surface that
// keeps an alpha channel); an empty canvas gives a black surface. `columns`
// is scratch space kept by the caller between showings.
void ShowOnDevice(const Canvas& canvas, std::uint32_t* surface, int width, int height, std::ptrdiff_t stride,
                  std::uint32_t alpha, std::vector<int>& columns);

}  // namespace quorvex
