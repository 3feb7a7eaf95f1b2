// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/global_types.h"
#include "engine/core/progress_curve_data.h"
#include "engine/core/vectors.h"

namespace velmor {

// The fit's last safeguard: the chain of stages can end short of the least-squares optimum
// (a poor start, a stage that stops early) without knowing it. From the chain's result, and
// from a few starts taken from the data, a bounded Levenberg-Marquardt refinement in ln Km,
// ln Vm (the baseline kept >= 0) with the model's closed-form derivatives looks for a lower
// unweighted sum of squares. A decrease beyond kOptimalityThreshold of the chain's sum counts;
// a smaller one only where it moves Km or Vm by more than kParameterAgreement of their value
// (a flat optimum, where the chain's point can be close in sum and yet far in parameters, and
// fits of the same data in other units would then disagree). Otherwise the two points are the
// same optimum and the chain's stands.
inline constexpr double kOptimalityThreshold = 1e-7;
inline constexpr double kParameterAgreement = 5e-6;

struct OptimalityCheck {
  bool improved = false;   // a lower sum was found; p and ssq are that point
  ParamVector p{};         // the point to take (the chain's when not improved)
  double ssq = 0.0;        // unweighted sum of squares at p
  double chain_ssq = 0.0;  // the same at the chain's point
};

// Checks chain_p, the chain's result for `model` (npar parameters) on data in the fit's
// internal units; the bounds are those of the constrained stage (Km, Vm >= 1e-6, baseline
// >= 0, Kp >= 1e-6, kinact >= 0), with Km and Kp at most 1e9 times the largest [So] and Vm at
// most 1e9 times the largest [So] over the time span. The agreement in parameters is judged on
// Km, Vm and Kp (the baseline and kinact may be 0).
// baseline_free: the baseline of models 2 and 4 may take either sign.
OptimalityCheck check_optimality(const ProgressCurveData& data, ModelId model, int npar,
                                 const ParamVector& chain_p, bool baseline_free = false);

}  // namespace velmor
