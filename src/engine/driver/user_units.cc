// SPDX-License-Identifier: MIT

#include "engine/driver/user_units.h"

#include <algorithm>

#include "engine/core/model_catalog.h"
#include "engine/stats/aicc.h"

namespace velmor {

ModelFit fit_in_user_units(const ModelFit& fit, const DataScale& scale, int n_rows) {
  ModelFit user = fit;
  if (scale.is_identity()) return user;
  for (int j = 0; j < fit.npar && j < kMaxParams; ++j) {
    const ParameterKind kind = parameter_kind(fit.model, j);
    user.initial[j] = scale.parameter_to_user(kind, fit.initial[j]);
    user.p[j] = scale.parameter_to_user(kind, fit.p[j]);
    user.se[j] = scale.parameter_to_user(kind, fit.se[j]);
    user.ci[j] = scale.parameter_to_user(kind, fit.ci[j]);
    user.gradient[j] =
        scale.to_user(fit.gradient[j], 2 - concentration_power(kind), -time_power(kind));
    user.profile_low[j] = scale.parameter_to_user(kind, fit.profile_low[j]);
    user.profile_high[j] = scale.parameter_to_user(kind, fit.profile_high[j]);
  }
  // Vm/Km is a rate constant (per time); the zero-order combination is Vm itself.
  user.vm_over_km = scale.to_user(fit.vm_over_km, 0, -1);
  user.vm_over_km_se = scale.to_user(fit.vm_over_km_se, 0, -1);
  if (fit.limit == KineticLimit::kZeroOrder) {
    user.combination = scale.parameter_to_user(ParameterKind::kVm, fit.combination);
    user.combination_se = scale.parameter_to_user(ParameterKind::kVm, fit.combination_se);
  } else {
    user.combination = scale.to_user(fit.combination, 0, -1);
    user.combination_se = scale.to_user(fit.combination_se, 0, -1);
  }
  user.stage1_ssq = scale.to_user(fit.stage1_ssq, 2, 0);
  user.stage2_ssq = scale.to_user(fit.stage2_ssq, 2, 0);
  user.chain_ssq = scale.to_user(fit.chain_ssq, 2, 0);
  user.checked_ssq = scale.to_user(fit.checked_ssq, 2, 0);
  user.aicc = aicc(n_rows, fit.npar, fit.penalty, user.stage2_ssq);
  return user;
}

void data_in_user_units(ProgressCurveData& data, const ProgressCurveData& as_read,
                        const DataScale& scale) {
  const int n = std::clamp(as_read.nRows, 0, kMaxRows);
  data.X1 = as_read.X1;
  data.X2 = as_read.X2;
  data.Y = as_read.Y;
  for (int i = 0; i < n; ++i) data.Ycalc[i] = scale.to_user(data.Ycalc[i], 1, 0);
}

}  // namespace velmor
