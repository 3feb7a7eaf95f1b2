// SPDX-License-Identifier: MIT

#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace velmor {

// Parameters of the bent line (0-based: b[0] = b1 ... b[4] = b5):
//   b1 level of the bend, the line passes through (b4, -s b1)
//   b2 mean slope of the two asymptotes
//   b3 half the change of slope between them (slopes b2 - s b3 left, b2 + s b3 right of b4)
//   b4 time of the bend
//   b5 width of the rounded corner (0: a sharp corner)
using BentLine = std::array<double, 5>;

// The points of one progress curve: times and observed values in file order. Invariant: xs and
// ys each hold exactly m values; resize_points keeps them so.
struct BentLineCurve {
  std::vector<double> xs;
  std::vector<double> ys;
  int m = 0;
  double s = -1.0;  // -1 for product curves (models 1, 2), +1 for substrate curves (3, 4)

  // Sets m to n (a negative n counts as 0) and gives xs and ys n values each, new ones 0.0.
  void resize_points(int n) {
    m = std::max(n, 0);
    xs.resize(static_cast<std::size_t>(m));
    ys.resize(static_cast<std::size_t>(m));
  }
};

// y(x) = -s b1 + b2 (x - b4) + 0.5 s b3 sqrt(4 (x - b4)^2 + b5^2).
double bent_line_value(const BentLine& b, double s, double x);

// The unweighted sum of squared residuals of the curve's m points. With n = 4 the corner is
// sharp (b5 taken as 0, the broken line), with n = 5 b5 is used.
double calc_func(int n, const BentLine& b, const BentLineCurve& curve);

}  // namespace velmor
