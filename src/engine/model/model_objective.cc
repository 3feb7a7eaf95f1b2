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

  const ModelId model = context_.imdlno;
  if (model > context_.model_limit) {
    observer_.message(kWarning, "Model # exceeded limit!");
    observer_.message(kError, "* * * ERROR: ABORTED RUN * * *");
    return;
  }
  if (!model_is_defined(model)) return;

  // The positivity constraints: every parameter >= 0 (but a free baseline), then the scale
  // parameters (Km, Vm, Kp) >= 1e-6.
  const int params = model_parameter_count(model);
  int m = 0;
  for (int i = 0; i < params; ++i) {
    if (parameter_is_free(model, i)) continue;
    c[m] = x[i];
    cnorm[normal_index(i, m)] = 1.0;
    ++m;
  }
  for (int i = 0; i < params; ++i) {
    if (!parameter_is_scale(parameter_kind(model, i))) continue;
    c[m] = x[i] - kPositiveFloor;
    cnorm[normal_index(i, m)] = 1.0;
    ++m;
  }
  constraint_count_ = m;

  derivatives(context_, g, f, x, &rows_);
}

bool ModelObjective::parameter_is_free(ModelId model, int j) const {
  return context_.baseline_free && parameter_kind(model, j) == ParameterKind::kBaseline;
}

void ModelObjective::bounds_neg(ParamVector& x, int n, double& f) {
  // The baseline is the last parameter of its models; a free one is not repaired.
  const ModelId model = context_.imdlno;
  const bool free_last = model_is_defined(model) && n == model_parameter_count(model) &&
                         parameter_is_free(model, n - 1);
  velmor::bounds_neg(x, free_last ? n - 1 : n, f);
}

double ModelObjective::value(int n, const ParamVector& x) {
  const ModelId model = context_.imdlno;
  if (model > context_.model_limit || !model_is_defined(model)) return 0.0;
  return objective_value(context_, x, &rows_);
}

}  // namespace velmor
