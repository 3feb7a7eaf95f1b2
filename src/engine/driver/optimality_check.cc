#include "engine/driver/optimality_check.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/driver/least_squares_problem.h"
#include "engine/optim/levenberg_marquardt.h"

namespace velmor {
namespace {

constexpr int kChainStartIterations = 100;
constexpr int kDataStartIterations = 40;

}  // namespace

OptimalityCheck check_optimality(const ProgressCurveData& data, ModelId model, int npar,
                                 const ParamVector& chain_p) {
  OptimalityCheck check;
  check.p = chain_p;
  const LeastSquaresProblem problem = least_squares_problem(data, model, npar);
  if (!problem.usable()) return check;

  // The chain's own sum, as the refinement measures it.
  check.chain_ssq = sum_of_squares(problem, chain_p);
  check.ssq = check.chain_ssq;

  std::vector<double> none;
  double best = std::numeric_limits<double>::infinity();
  ParamVector best_p = chain_p;
  auto refine = [&](const ParamVector& start, int iterations) {
    std::vector<double> p(start.begin(), start.begin() + npar);
    if (!std::all_of(p.begin(), p.end(), [](double v) { return std::isfinite(v); })) return;
    LmOptions options;
    options.max_iterations = iterations;
    const LmSummary summary =
        levenberg_marquardt(problem.evaluate, problem.rows, problem.parameters, none, p, options);
    if (summary.final_ssq < best) {
      best = summary.final_ssq;
      best_p.fill(0.0);
      std::copy(p.begin(), p.end(), best_p.begin());
    }
  };
  refine(chain_p, kChainStartIterations);
  for (const ParamVector& start : data_starts(data, model, npar, problem.largest_so)) {
    refine(start, kDataStartIterations);
  }

  const bool chain_finite = std::isfinite(check.chain_ssq);
  bool moved = false;
  for (int j = 0; j < 2; ++j) {
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
