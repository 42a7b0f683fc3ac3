#pragma once

// Correctly rounded reference values from MPFR, for the tests of
// orbit/math.h: the double nearest to each function's exact value, with
// IEEE double's exponent range, so that subnormal results round as a double
// does.

#include <mpfr.h>

#include <bit>
#include <cstdint>

namespace quorvex::testing {

enum class Fn { kSin, kCos, kTan, kAtan, kAtan2 };

class MpfrReference {
 public:
  MpfrReference() {
    mpfr_set_emin(-1073);
    mpfr_set_emax(1024);
    mpfr_init2(result_, 53);
    mpfr_init2(a_, 53);
    mpfr_init2(b_, 53);
  }
  ~MpfrReference() {
    mpfr_clear(result_);
    mpfr_clear(a_);
    mpfr_clear(b_);
  }
  MpfrReference(const MpfrReference&) = delete;
  MpfrReference& operator=(const MpfrReference&) = delete;

  // f(x), or atan2(x, y) for Fn::kAtan2 (x the ordinate, as in Atan2(y, x)).
  double operator()(Fn f, double x, double y = 0.0) {
    mpfr_set_d(a_, x, MPFR_RNDN);
    int t = 0;
    switch (f) {
      case Fn::kSin:
        t = mpfr_sin(result_, a_, MPFR_RNDN);
        break;
      case Fn::kCos:
        t = mpfr_cos(result_, a_, MPFR_RNDN);
        break;
      case Fn::kTan:
        t = mpfr_tan(result_, a_, MPFR_RNDN);
        break;
      case Fn::kAtan:
        t = mpfr_atan(result_, a_, MPFR_RNDN);
        break;
      case Fn::kAtan2:
        mpfr_set_d(b_, y, MPFR_RNDN);
        t = mpfr_atan2(result_, a_, b_, MPFR_RNDN);
        break;
    }
    t = mpfr_subnormalize(result_, t, MPFR_RNDN);
    return mpfr_get_d(result_, MPFR_RNDN);
  }

 private:
  mpfr_t result_, a_, b_;
};

// Equal bits (one NaN equals any other).
inline bool SameDouble(double a, double b) {
  if (a != a && b != b) return true;
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

}  // namespace quorvex::testing
