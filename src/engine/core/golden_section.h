// SPDX-License-Identifier: MIT

#pragma once

#include <utility>

namespace velmor {

inline constexpr double kGolden = 0.6180339887498949;            // (sqrt(5) - 1) / 2
inline constexpr double kGoldenComplement = 0.3819660112501051;  // 1 - kGolden
inline constexpr int kGoldenSteps = 10;

// One golden-section search along one coordinate, the searches' common core. `at(v)` sets the
// coordinate to v and returns the objective there. The bracket is B = (1 + c) x0 and
// A = (1 - c) x0, A moved to B/2 when it is worse than B; the interior points C (nearer B) and
// D (nearer A) lie c' and c of the way from B to A; ten steps shrink the bracket. Only the two
// ends compete at the close (B on a tie): returns that end and its objective. The coordinate is
// left wherever `at` last put it.
template <class Evaluate>
std::pair<double, double> golden_section(double x0, Evaluate&& at) {
  double b = x0 + kGolden * x0;
  double fb = at(b);
  double a = x0 - kGolden * x0;
  double fa = at(a);
  if (fa > fb) {
    a = 0.5 * b;
    fa = at(a);
  }
  double c = b + kGoldenComplement * (a - b);
  double fc = at(c);
  double d = b + kGolden * (a - b);
  double fd = at(d);
  for (int step = 0; step < kGoldenSteps; ++step) {
    if (fd > fc) {
      a = d;
      fa = fd;
      d = c;
      fd = fc;
      c = b + kGoldenComplement * (a - b);
      fc = at(c);
    } else {
      b = c;
      fb = fc;
      c = d;
      fc = fd;
      d = b + kGolden * (a - b);
      fd = at(d);
    }
  }
  return fb <= fa ? std::pair{b, fb} : std::pair{a, fa};
}

}  // namespace velmor
