// SPDX-License-Identifier: MIT

#pragma once

#include <span>

#include "engine/core/fit_observer.h"
#include "engine/core/vectors.h"
#include "engine/stats/param_matrix.h"

namespace velmor {

// The message shown when the inverse of the normal matrix has a diagonal entry <= 0.
inline constexpr char kMatrixDiagonalMessage[] = "Mat Inversion: Matrix diagonal = 0!";

// Standard errors, correlations and 95 % confidence half-widths of the p fitted parameters from
// the n-by-p Jacobian jac (column-major, entry (row k, parameter j) at jac[k + ldjac * j]) and
// the weighted sum of squared residuals ssr at the final parameters. Requires 1 <= p <=
// kMaxParams and n > p (the fit driver refuses fewer points); ldjac >= n.
//
// work receives V, the inverse of the conditioned normal matrix (the covariance matrix up to the
// factor ssr / (n - p)). corr is exactly symmetric with exactly 1.0 on its diagonal.
//
// Returns false, after the message box kMatrixDiagonalMessage (Warning), when a diagonal entry of
// V is <= 0: corr is then all zeros and se and ci are left as the caller passed them.
bool stderrpar(FitObserver& observer, int n, int p, std::span<const double> jac, int ldjac,
               ParamMatrix& work, double ssr, ParamVector& se, ParamMatrix& corr, ParamVector& ci);

}  // namespace velmor
