#include "engine/stats/bent_line.h"

#include <cmath>

namespace velmor {

double bent_line_value(const BentLine& b, double s, double x) {
  const double dx = x - b[3];
  return -s * b[0] + b[1] * dx + 0.5 * s * b[2] * std::sqrt(4.0 * dx * dx + b[4] * b[4]);
}

double calc_func(int n, const BentLine& b, const BentLineCurve& curve) {
  BentLine line = b;
  if (n < 5) line[4] = 0.0;
  double sum = 0.0;
  for (int i = 0; i < curve.m; ++i) {
    const double r = curve.ys[i] - bent_line_value(line, curve.s, curve.xs[i]);
    sum += r * r;
  }
  return sum;
}

}  // namespace velmor
