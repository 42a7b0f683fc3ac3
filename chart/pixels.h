#pragma once

#include <cstdint>

#include "canvas/color.h"

namespace quorvex {

// trunc(v): toward zero, as a pixel offset. Values beyond any surface come
// out as large offsets that are clipped; NaN lands far off the surface.
long long TruncPixel(double v);
// byte(v): the low 8 bits of trunc(v), so values outside 0..255 wrap.
int ChannelByte(double v);

// Pixel positions as offsets from an origin. The sums are formed modulo
// 2^64, so that a position far off the surface stays far off instead of
// overflowing; the canvas clips them.
inline unsigned long long PixelX(long long origin, long long offset) {
  return static_cast<unsigned long long>(origin) + static_cast<unsigned long long>(offset);
}
inline unsigned long long PixelY(long long origin, long long offset) {
  return static_cast<unsigned long long>(origin) - static_cast<unsigned long long>(offset);
}

// A pixel position of any size in 32 bits: every value from 2^32 - 1 up
// becomes 2^32 - 1, which lies beyond every surface just as the original
// does.
inline std::uint32_t SaturateTo32(unsigned long long v) {
  return v < 0xFFFFFFFFull ? static_cast<std::uint32_t>(v) : 0xFFFFFFFFu;
}

// The colour rules of the run's points.
Color PlutoHeightColor(double z);
Color NeptuneHeightColor(double z);
Color SpeedColor(double s);

}  // namespace quorvex
