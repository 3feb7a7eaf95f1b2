// SPDX-License-Identifier: MIT

#pragma once

#include <chrono>
#include <functional>

#include "engine/core/data_scale.h"
#include "engine/core/fit_observer.h"
#include "engine/core/global_types.h"
#include "engine/driver/model_fit.h"
#include "engine/model/fit_context.h"

namespace velmor {

// Measures the stages of one fit into ModelFit::costs: the time since the previous charge and
// the evaluations counted meanwhile by `evaluations` (a running count).
class StageClock {
 public:
  StageClock(ModelFit& fit, std::function<long()> evaluations);
  // Charges everything since the previous call to `stage`.
  void charge(FitStage stage);

 private:
  ModelFit& fit_;
  std::function<long()> evaluations_;
  std::chrono::steady_clock::time_point start_;
  long counted_ = 0;
};

// The stages after the optimisers, the same for every method, at fit.p: the fitted values in
// context.data.Ycalc, the breakpoint analysis (texts in the user's units through `scale`), the
// gradient, the Jacobian with the stage-2 sum of squares, the standard errors, limits and
// correlations, the count of poorly determined parameters, the penalty and the AICc.
void finish_fit(FitContext& context, FitObserver& observer, ModelFit& fit, const DataScale& scale,
                StageClock& clock);

}  // namespace velmor
