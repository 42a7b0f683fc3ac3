#include "shells/core/device_pixels.h"

#include <algorithm>

namespace quorvex {

void ShowOnDevice(const Canvas& canvas, std::uint32_t* surface, int width, int height, std::ptrdiff_t stride,
                  std::uint32_t alpha, std::vector<int>& columns) {
  const int w = canvas.width();
  const int h = canvas.height();
  if (w <= 0 || h <= 0) {
    for (int i = 0; i < height; ++i) std::fill(surface + i * stride, surface + i * stride + width, alpha);
    return;
  }
  columns.resize(static_cast<size_t>(std::max(width, 0)));
  for (int j = 0; j < width; ++j)
    columns[static_cast<size_t>(j)] = static_cast<int>(static_cast<long long>(j) * w / width);
  const Color* src = canvas.pixels().data();
  int lastRow = -1;
  for (int i = 0; i < height; ++i) {
    std::uint32_t* dst = surface + i * stride;
    const int row = static_cast<int>(static_cast<long long>(i) * h / height);
    if (row == lastRow) {
      std::copy(dst - stride, dst - stride + width, dst);
      continue;
    }
    lastRow = row;
    const Color* line = src + static_cast<size_t>(row) * w;
    if (width == w) {
      for (int j = 0; j < width; ++j) dst[j] = alpha | ToXrgb(line[j]);
    } else {
      for (int j = 0; j < width; ++j) dst[j] = alpha | ToXrgb(line[columns[static_cast<size_t>(j)]]);
    }
  }
}

}  // namespace quorvex
