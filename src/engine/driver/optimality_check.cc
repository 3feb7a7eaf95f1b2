// SPDX-License-Identifier: MIT

#include "engine/driver/optimality_check.h"

#include <cmath>
#include <limits>

#include "engine/core/model_catalog.h"
#include "engine/driver/least_squares_problem.h"

namespace velmor {
namespace {

constexpr int kChainStartIterations = 100;
constexpr int kDataStartIterations = 40;

}  // namespace

OptimalityCheck check_optimality(const ProgressCurveData& data, ModelId model, int npar,
                                 const ParamVector& chain_p, bool baseline_free) {
  OptimalityCheck check;
  check.p = chain_p;
  const LeastSquaresProblem problem = least_squares_problem(data, model, npar, baseline_free);
  if (!problem.usable()) return check;

  // The chain's own sum, as the refinement measures it.
  check.chain_ssq = sum_of_squares(problem, chain_p);
  check.ssq = check.chain_ssq;

  double best = std::numeric_limits<double>::infinity();
  ParamVector best_p = chain_p;
  auto refine = [&](const ParamVector& start, int iterations) {
    const LeastSquaresSolution solution = solve_least_squares(problem, start, iterations);
    if (solution.ssq < best) {
      best = solution.ssq;
      best_p = solution.p;
    }
  };
  refine(chain_p, kChainStartIterations);
  for (const ParamVector& start :
       data_starts(data, model, npar, problem.largest_so, baseline_free)) {
    refine(start, kDataStartIterations);
  }

  const bool chain_finite = std::isfinite(check.chain_ssq);
  bool moved = false;
  for (int j = 0; j < npar; ++j) {
    if (!parameter_is_scale(parameter_kind(model, j))) continue;
    moved = moved || !(std::fabs(best_p[j] - chain_p[j]) <= kParameterAgreement * best_p[j]);
  }
  if (std::isfinite(best) &&
      (!chain_finite || best < check.chain_ssq * (1.0 - kOptimalityThreshold) ||
       (best < check.chain_ssq && moved))) {
    check.improved = true;
    check.p = best_p;
    check.ssq = best;
  }
  return check;
}

}  // namespace velmor
