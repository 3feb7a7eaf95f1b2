// SPDX-License-Identifier: MIT

#include "engine/driver/fast_fit.h"

#include <vector>

#include "engine/core/model_catalog.h"
#include "engine/core/objective.h"
#include "engine/driver/fit_stages.h"
#include "engine/driver/least_squares_problem.h"

namespace velmor {
namespace {

// Steps each start gets; the best start's solve then goes on for at most kFinalIterations.
constexpr int kStartIterations = 25;
constexpr int kFinalIterations = 200;

}  // namespace

ModelFit fit_model_fast(FitContext& context, FitObserver& observer, Objective& objective,
                        const DataScale& scale) {
  const ModelId model = context.imdlno;
  const int npar = context.npar;
  const LeastSquaresProblem problem =
      least_squares_problem(context.data, model, npar, context.baseline_free);
  const std::vector<ParamVector> starts =
      problem.usable()
          ? data_starts(context.data, model, npar, problem.largest_so, context.baseline_free)
          : std::vector<ParamVector>{};
  if (starts.empty()) return fit_model(context, observer, objective, false, scale);

  ModelFit fit;
  long evaluations = 0;
  StageClock clock(fit, [&evaluations] { return evaluations; });
  fit.model = model;
  fit.npar = npar;
  fit.name = context.strmdl;
  fit.weighting = kNoWeighting;
  fit.method = kFastMethod;
  fit.baseline_free = context.baseline_free && model_has_baseline(model);
  clock.charge(FitStage::kEstimates);

  LeastSquaresSolution best;
  bool found = false;
  const auto solve = [&](const ParamVector& start, int iterations) {
    const LeastSquaresSolution solution = solve_least_squares(problem, start, iterations);
    evaluations += solution.summary.evaluations;
    fit.iterations += solution.summary.iterations;
    return solution;
  };
  for (const ParamVector& start : starts) {
    const LeastSquaresSolution solution = solve(start, kStartIterations);
    if (!found || solution.ssq < best.ssq) {
      best = solution;
      fit.initial = start;
      found = true;
    }
  }
  if (best.summary.stop == LmStop::kIterationLimit) {
    const LeastSquaresSolution solution = solve(best.p, kFinalIterations);
    if (solution.ssq <= best.ssq) best = solution;
  }
  fit.p = best.p;
  fit.stage1_ssq = objective.value(npar, fit.initial);
  clock.charge(FitStage::kRefinement);

  finish_fit(context, observer, fit, scale, clock);
  return fit;
}

}  // namespace velmor
