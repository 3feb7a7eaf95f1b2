// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/vectors.h"

namespace velmor {

// The program's corrected Akaike criterion of a fit with n points, p parameters, weighted sum
// of squared residuals ssr and relative-error penalty (see relative_error_penalty):
//   q = 2n(n - 1) / (n - p)^2   (2n(n - 1) in 32-bit integer arithmetic; n <= kMaxRows)
//   F = penalty + trunc(10 (q - 0.96875) + 0.5) / 10
//   AICc = n ln(ssr / n) + F p n / (n - p)
// A fit without residual degrees of freedom (n <= p) gets +infinity, so it ranks last.
double aicc(int n, int p, double penalty, double ssr);

// Sum over the p parameters of min(se / |x|, 2.0). A parameter at 0.0 contributes 2.0; a NaN
// standard error makes the sum NaN.
double relative_error_penalty(int p, const ParamVector& x, const ParamVector& se);

}  // namespace velmor
