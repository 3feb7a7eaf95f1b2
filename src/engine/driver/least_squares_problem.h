// SPDX-License-Identifier: MIT

#pragma once

#include <vector>

#include "engine/core/global_types.h"
#include "engine/core/progress_curve_data.h"
#include "engine/core/vectors.h"
#include "engine/optim/levenberg_marquardt.h"

namespace velmor {

// One model's least-squares problem on the data in the fit's internal units, as the
// Levenberg-Marquardt solver takes it: the residuals with the model's closed-form derivatives
// (model_slopes: all rows at once, bit for bit model_with_derivatives), the bounds of the
// constrained stage and starts taken from the data alone. Shared by the final check of
// optimality, the robust fit and the fast method.
inline constexpr double kLowestKmVm = 1e-6;  // the constrained stage's bounds

struct LeastSquaresProblem {
  int rows = 0;
  // Km, Vm (in their logarithms), and the baseline, Kp (in its logarithm) or kinact
  std::vector<LmParameter> parameters;
  // Per parameter: the model at its upper cap is the model's own limit, which no other
  // parameter has to make up for (Kp: no inhibition, the Michaelis-Menten model), rather than a
  // point where the search is held short of the optimum (Km: first order).
  std::vector<bool> limit_at_cap;
  LmEvaluate evaluate;  // r_i = Y_i - model and d r_i / d p_j for every row
  double largest_so = 0.0;

  // False when the data cannot be fitted by this solver: npar outside 2..3, no more rows
  // than parameters, no positive [So] or no time span.
  bool usable() const { return !parameters.empty(); }
};

// Km, Kp and Vm between 1e-6 and 1e9 times the largest [So] (Vm: over the time span), the
// baseline >= 0 (any sign with baseline_free), kinact between 0 and 1e4 over the time span.
// `data` must outlive the problem.
LeastSquaresProblem least_squares_problem(const ProgressCurveData& data, ModelId model, int npar,
                                          bool baseline_free = false);

// Starts from the data alone, independent of the chain: Km at fractions of the largest [So],
// Vm from each curve's initial rate v = Vm So / (Km + So) (the two earliest rows, a rate every
// model shares at t = 0), the baseline from the curves' first values (product: Y(0) =
// baseline; substrate: Y(0) = So + baseline), at least 0 unless baseline_free; each of those
// with Kp at 1 and 10 times the largest [So] (models 5, 6) or kinact at 0.1 and 1 over the time
// span (models 7, 8).
std::vector<ParamVector> data_starts(const ProgressCurveData& data, ModelId model, int npar,
                                     double largest_so, bool baseline_free = false);

// The problem solved by the bounded Levenberg-Marquardt solver from `start` for at most
// `iterations` accepted steps, with fixed weights (empty: unit weights): the best point found
// and the solver's summary. A start that is not a finite point is not solved: its result is
// the start with an infinite sum of squares. Shared by the final check of optimality, the robust
// fit and the fast method.
struct LeastSquaresSolution {
  ParamVector p{};
  double ssq = 0.0;  // summary.final_ssq, or +infinity for a start that is not a point
  LmSummary summary;
};
LeastSquaresSolution solve_least_squares(const LeastSquaresProblem& problem,
                                         const ParamVector& start, int iterations,
                                         const std::vector<double>& weights = {});

// The unweighted (weights empty) or weighted sum of squares of the problem at p.
double sum_of_squares(const LeastSquaresProblem& problem, const ParamVector& p,
                      const std::vector<double>& weights = {});

}  // namespace velmor
