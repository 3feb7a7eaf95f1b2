// SPDX-License-Identifier: MIT

#include "engine/stats/aicc.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace velmor {

double aicc(int n, int p, double penalty, double ssr) {
  if (n <= p) return std::numeric_limits<double>::infinity();

  const std::int32_t twice_pairs = 2 * n * (n - 1);
  const double residual_dof = static_cast<double>(n - p);
  const double q = static_cast<double>(twice_pairs) / (residual_dof * residual_dof);
  // q - 0.96875 to the nearest tenth, halves upward; it tends to 1.0 for large n.
  const double tenths = std::trunc(10.0 * (q - 0.96875) + 0.5);
  const double factor = penalty + tenths / 10.0;
  return n * std::log(ssr / n) + factor * p * n / residual_dof;
}

double relative_error_penalty(int p, const ParamVector& x, const ParamVector& se) {
  constexpr double kCap = 2.0;
  double sum = 0.0;
  for (int i = 0; i < p; ++i) {
    const double relative = se[i] / std::fabs(x[i]);
    if (x[i] == 0.0 && !std::isnan(se[i])) {
      sum += kCap;
    } else {
      sum += relative > kCap ? kCap : relative;  // a NaN passes through
    }
  }
  return sum;
}

}  // namespace velmor
