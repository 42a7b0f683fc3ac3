#include "chart/pixels.h"

#include <cmath>
#include <limits>

namespace quorvex {
namespace {

// 2^63 - 2^10, the largest double below 2^63: every double of this size or
// more is a whole multiple of 256.
constexpr double kFarOff = 9223372036854774784.0;

}  // namespace

long long TruncPixel(double v) {
  // The conversion truncates toward zero. Beyond these bounds, and for NaN,
  // the position is far off every surface anyway.
  if (std::fabs(v) < kFarOff) return static_cast<long long>(v);
  return std::numeric_limits<long long>::min();
}

int ChannelByte(double v) {
  if (std::fabs(v) < kFarOff) return static_cast<int>(static_cast<long long>(v) & 0xFF);
  // Every double this large is a multiple of 256: its low 8 bits are 0.
  return 0;
}

Color PlutoHeightColor(double z) {
  const int b = ChannelByte(255.0 - 15.0 * std::fabs(z));
  return z >= 0.0 ? Rgb(255, b, b) : Rgb(b, b, 255);
}

Color NeptuneHeightColor(double z) {
  const int b = ChannelByte(255.0 - 120.0 * std::fabs(z));
  return z >= 0.0 ? Rgb(b, 255, b) : Rgb(255, b, 255);
}

Color SpeedColor(double s) {
  if (s >= 0.003) {
    const int b = ChannelByte(255.0 - (s - 0.003) * 250000.0);
    return Rgb(b, b, 255);
  }
  const int b = ChannelByte((s - 0.003) * 250000.0 + 255.0);
  return Rgb(235, b, b);
}

}  // namespace quorvex
