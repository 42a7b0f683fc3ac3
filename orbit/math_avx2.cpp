// SinCosMany and Atan2Many four values at a time, in AVX registers. This
// file alone is compiled for AVX2 (without fused multiply-adds), and the
// run calls it only on processors that have it; each lane performs the
// operations of the plain fast path, so the results are the same bits.
#include "orbit/math_fast.h"

namespace quorvex::math_detail {

int SinCosManyAvx2(const double* x, int n, SinCosPair* out) {
  int i = 0;
  for (; i + 4 <= n; i += 4) SinCosLanes<Quad>(x + i, out + i);
  return i;
}

int Atan2ManyAvx2(const double* y, const double* x, int n, double* out) {
  int i = 0;
  for (; i + 4 <= n; i += 4) Atan2Lanes<Quad>(y + i, x + i, out + i);
  return i;
}

}  // namespace quorvex::math_detail
