#pragma once

// The run's own sine, cosine, tangent and arc tangents.
//
// Every result is the double nearest to the exact value (round to nearest),
// for every argument: sine, cosine and tangent of any finite double, the arc
// tangent of any double and of any pair. The code uses only IEEE-754 double
// additions, subtractions, multiplications, divisions and comparisons, plus
// integer arithmetic, and no contraction into fused multiply-adds, so each
// result has the same bits on every processor and platform the program is
// built for, whatever the C library's own functions would return.
//
// Special values follow the C library's conventions: a NaN in gives a NaN;
// sine, cosine and tangent of an infinity are NaN; the arc tangents of zeros
// and infinities are those of C's atan and atan2 (signed zeros, +-pi/2,
// +-pi/4, +-3pi/4, +-pi).
namespace quorvex {

double Sin(double x);
double Cos(double x);
double Tan(double x);
double Atan(double x);
double Atan2(double y, double x);

struct SinCosPair {
  double sin;
  double cos;
};
// Sin(x) and Cos(x) together, for about the cost of one.
SinCosPair SinCos(double x);

// Many arguments at once, for loops over independent values: out[i] =
// SinCos(x[i]) and out[i] = Atan2(y[i], x[i]) for i < n, to the last bit.
// Neighbouring arguments are worked on side by side in the lanes of vector
// registers.
void SinCosMany(const double* x, int n, SinCosPair* out);
void Atan2Many(const double* y, const double* x, int n, double* out);

}  // namespace quorvex
