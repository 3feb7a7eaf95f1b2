// SPDX-License-Identifier: MIT

#include "engine/model/model_objective.h"

#include <cmath>
#include <numbers>

#include "engine/model/derivatives.h"
#include "engine/model/kinetic_models.h"

namespace velmor {
namespace {

constexpr double kRepairBelow = 2.22e-16;
constexpr double kRepairOffset = 1e-6;
constexpr double kPositiveFloor = 1e-6;  // Km and Vm are kept at or above this


}  // namespace

void bounds_neg(ParamVector& x, int n, double& f) {
  for (int i = 0; i < n && i < kMaxParams; ++i) {
    if (x[i] < kRepairBelow) {
      x[i] = std::fabs(
                 ((std::atan(std::fabs(x[i])) + std::numbers::pi / 2.0) / std::numbers::pi - 0.5) *
                 2.0 * x[i]) +
             kRepairOffset;
      f = 2.0 * f;
    }
  }
}

void ModelObjective::calcfg(int n, const ParamVector& x, double& f, ParamVector& g,
                            ConstraintVector& c, ConstraintNormals& cnorm) {
  f = 0.0;
  g.fill(0.0);
  cnorm.fill(0.0);

  const ModelId model = state_.imdlno;
  if (model > state_.model_limit) {
    host_.dlgmessage(kWarning, "Model # exceeded limit!");
    host_.dlgmessage(kError, "* * * ERROR: ABORTED RUN * * *");
    return;
  }
  if (!model_is_defined(model)) return;

  // The positivity constraints: every parameter >= 0, then Km and Vm >= 1e-6.
  const int params = model_has_baseline(model) ? 3 : 2;
  const int m = params + 2;
  state_.constraint_count = m;
  state_.equality_count = 0;
  for (int i = 0; i < params; ++i) {
    c[i] = x[i];
    cnorm[normal_index(i, i)] = 1.0;
  }
  for (int i = 0; i < 2; ++i) {
    c[params + i] = x[i] - kPositiveFloor;
    cnorm[normal_index(i, params + i)] = 1.0;
  }

  derivatives(state_, g, f, x, &rows_);
}

double ModelObjective::value(int n, const ParamVector& x) {
  const ModelId model = state_.imdlno;
  if (model > state_.model_limit || !model_is_defined(model)) return 0.0;
  return objective_value(state_, x, &rows_);
}

}  // namespace velmor
