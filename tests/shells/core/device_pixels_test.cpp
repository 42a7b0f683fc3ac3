#include "shells/core/device_pixels.h"

#include <gtest/gtest.h>

namespace quorvex {
namespace {

// A 2 x 2 canvas shown at 1:1, 1.5 and 2 times: whole device pixels per
// canvas pixel, the wider and narrower blocks spread evenly, and the alpha
// asked for in every pixel.
TEST(ShowOnDevice, WholePixelBlocksWithoutSmoothing) {
  Canvas canvas(2, 2);
  canvas.SetPixel(0, 0, Rgb(255, 0, 0));
  canvas.SetPixel(1, 0, Rgb(0, 255, 0));
  canvas.SetPixel(0, 1, Rgb(0, 0, 255));
  canvas.SetPixel(1, 1, kWhite);
  const std::uint32_t R = 0xFFFF0000u, G = 0xFF00FF00u, B = 0xFF0000FFu, W = 0xFFFFFFFFu;
  struct Case {
    int size;
    std::vector<std::uint32_t> expected;
  } cases[] = {
      {2, {R, G, B, W}},
      {3, {R, R, G, R, R, G, B, B, W}},
      {4, {R, R, G, G, R, R, G, G, B, B, W, W, B, B, W, W}},
  };
  std::vector<int> columns;
  for (const Case& c : cases) {
    // One spare pixel per row, to see that the stride is kept.
    const int stride = c.size + 1;
    std::vector<std::uint32_t> surface(static_cast<size_t>(stride * c.size), 0x12345678u);
    ShowOnDevice(canvas, surface.data(), c.size, c.size, stride, 0xFF000000u, columns);
    for (int y = 0; y < c.size; ++y) {
      for (int x = 0; x < c.size; ++x)
        EXPECT_EQ(surface[static_cast<size_t>(y * stride + x)],
                  c.expected[static_cast<size_t>(y * c.size + x)])
            << c.size << ": " << x << "," << y;
      EXPECT_EQ(surface[static_cast<size_t>(y * stride + c.size)], 0x12345678u);
    }
  }
}

}  // namespace
}  // namespace quorvex
