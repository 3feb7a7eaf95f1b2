// SPDX-License-Identifier: MIT

#pragma once

#include <span>

#include "engine/core/global_types.h"
#include "engine/core/vectors.h"
#include "engine/model/fit_context.h"
#include "engine/model/row_evaluator.h"

namespace velmor {

// The objective of every fit: S(x) = sum over all data rows of w(i) (Y(i) - model value)^2
// for the current model context.imdlno and its npar parameters x[0..npar-1]. w = 1, or under
// robust weighting (context.nwt_global == 2) the weights robust_wt gives for the residuals at
// this same x. Bit for bit the f of derivatives(); costs one model value per row. The unweighted
// sum is evaluated through `rows` when given (RowEvaluator: the same double, sooner).
double objective_value(const FitContext& context, const ParamVector& x,
                       RowEvaluator* rows = nullptr);

// f = S(x) and its gradient by central differences: g[j] = (S(x + h e_j) - S(x - h e_j)) / 2h
// for j < context.npar with h = max((|x_j| + c) c, 6.83e-6), c = sqrt(1.49e-8). Where x_j - h
// would step Km, Vm or Kp from zero or above to below zero, the forward difference
// (S(x + h e_j) - S(x)) / h is taken instead. A flat direction reports the slope 1.49e-8
// instead of 0, and a half-difference (or forward difference) beyond 1/1.49e-8 is reported as
// that bound itself (with its sign); g[npar..24] = 0. The robust weights are those at x, used
// for every displaced evaluation. x is not modified. `rows` as for objective_value.
void derivatives(const FitContext& context, ParamVector& g, double& f, const ParamVector& x,
                 RowEvaluator* rows = nullptr);

// The n-by-p Jacobian of the weighted model values w(i) y(i) (column-major, leading dimension
// n, written into jac[0 .. n*p-1]) as the mean of two central differences with steps h and 2h,
// h = max((|x_j| + c) c, 6.83e-6), c = 1.49e-16^(1/4); where x_j - 2h would step Km, Vm or Kp from
// zero or above to below zero, the second-order forward difference (4 y(x + h) - 3 y(x) -
// y(x + 2h)) / 2h. Every entry is clamped to +-1/1.49e-16; ssr = S(x) over the first n rows.
// The statistics use only products of two entries of a row, so the Jacobian of the residuals
// (the negative) would give the same.
// Writes the model values at x into context.data.Ycalc[0..n-1]. n is at most 1000, p at most 25;
// only as many columns as jac holds are written.
void jacobian(FitContext& context, int n, int p, std::span<double> jac, double& ssr,
              const ParamVector& x);

}  // namespace velmor
