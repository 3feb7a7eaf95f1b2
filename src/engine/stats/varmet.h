// SPDX-License-Identifier: MIT

#pragma once

#include <span>

#include "engine/stats/bent_line.h"

namespace velmor {

// Exit codes of varmet_break_point.
// 0: still running, and the final code when a run from the fourth on changed the objective by a
//    relative amount |1 - f(start) / f(end)| <= 1.489966442575134e-7.
inline constexpr int kVarmetConverged = 0;
// 4: the tenth run ended without that test holding.
inline constexpr int kVarmetRunLimit = 4;

// Number of entries of the packed factor array for n parameters.
inline constexpr int packed_size(int n) {
  return n * (n + 1) / 2;
}

// Variable-metric (BFGS) minimisation of the bent-line objective calc_func(n, b, curve) from b,
// with difference gradients, in at most 10 runs; b is improved in place and f receives the
// objective at the returned b.
//
// H holds the Hessian approximation as factors L D L^T, packed by rows of the upper triangle
// (diagonal entries at 0, n, 2n - 1, ... 0-based): D_i on the diagonal, L(j, i) for j > i at
// row i, column j. On entry mode says what H holds: 1 = nothing (the identity is used),
// 2 = a symmetric matrix to be factorised, 3 = factors (e.g. those an earlier call left). On
// return H holds positive definite factors usable with mode 3.
//
// Each run allows maxFn objective evaluations, checked before each quasi-Newton iteration (an
// iteration that has started finishes its line search and gradient). Gradients are forward
// differences with steps eps * w(i); when a forward-difference direction gives no decrease the
// gradient is taken again by central differences, and the run ends when that fails too.
// eps starts at 0.00100001 and is divided by 10 between runs.
void varmet_break_point(int n, BentLine& b, double& f, const BentLineCurve& curve,
                        std::span<double> H, int mode, int maxFn, int& exitCode);

}  // namespace velmor
