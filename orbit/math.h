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

// Two arguments at once, for loops over many independent values: out[j] =
// SinCos(x[j]) and out[j] = Atan2(y[j], x[j]), to the last bit. The two are
// worked on side by side in the lanes of one vector register where they can.
void SinCos2(const double x[2], SinCosPair out[2]);
void Atan2x2(const double y[2], const double x[2], double out[2]);

}  // namespace quorvex
