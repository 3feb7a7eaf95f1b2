// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/fit_observer.h"
#include "engine/core/global_types.h"
#include "engine/core/objective.h"
#include "engine/core/vectors.h"
#include "engine/model/fit_context.h"
#include "engine/model/row_evaluator.h"

namespace velmor {

// Positivity repair: every x[i] (i < n) below 2.22e-16 becomes (2/pi) |x| atan|x| + 1e-6 and
// doubles f; a NaN and values at or above 2.22e-16 are left alone. No upper bound.
void bounds_neg(ParamVector& x, int n, double& f);

// The fitting engine's objective: the weighted sum of squares of the current model over the
// run's data (see objective_value), with the positivity constraints of the model. It reads
// the model, data, npar and weighting from the FitContext it holds and keeps m itself
// (constraint_count; its constraints are all inequalities, meq = 0): nothing shared is written
// by an evaluation. Runs on the thread that runs the fit; holds references, so both must
// outlive it. Its unweighted evaluations go through a RowEvaluator of its own (W kept for
// recent Km and Vm, large data shared with a helper thread when context.helper_threads allows
// it; read once, at construction).
//
// Constraints (inequalities c[k] >= 0, unit normals):
//   models 1, 3: m = 4, c = (x0, x1, x0 - 1e-6, x1 - 1e-6)
//   models 2, 4: m = 5, c = (x0, x1, x2, x0 - 1e-6, x1 - 1e-6); with context.baseline_free
//                m = 4, c = (x0, x1, x0 - 1e-6, x1 - 1e-6) and the baseline unbounded
//   models 5, 6: m = 6, c = (x0, x1, x2, x0 - 1e-6, x1 - 1e-6, x2 - 1e-6)   (Kp > 0)
//   models 7, 8: m = 5, c = (x0, x1, x2, x0 - 1e-6, x1 - 1e-6)              (kinact >= 0)
class ModelObjective : public Objective {
 public:
  ModelObjective(FitContext& context, FitObserver& observer)
      : context_(context), observer_(observer), rows_(context.helper_threads) {}

  // A current model above context.model_limit shows "Model # exceeded limit!" (Warning) and
  // "* * * ERROR: ABORTED RUN * * *" (Error) and leaves f = 0, g = 0; a model number of 0 or
  // below gives the same zeros silently. In both cases c and m are not written.
  void calcfg(int n, const ParamVector& x, double& f, ParamVector& g, ConstraintVector& c,
              ConstraintNormals& cnorm) override;

  // calcfg's f without gradient or constraints (0 for an invalid model, without messages).
  double value(int n, const ParamVector& x) override;

  // velmor::bounds_neg on x[0..n-1], but a free baseline (context.baseline_free) keeps its sign.
  void bounds_neg(ParamVector& x, int n, double& f) override;

  int constraint_count() const override { return constraint_count_; }
  int equality_count() const override { return 0; }

 private:
  bool parameter_is_free(ModelId model, int j) const;

  FitContext& context_;
  FitObserver& observer_;
  RowEvaluator rows_;
  int constraint_count_ = 0;  // m of the last calcfg of a valid model
};

}  // namespace velmor
