// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/limits.h"

namespace velmor {

// Model numbers 1..8 (ModelId; model_catalog.h says what each observes and which parameters it
// has). p[0] = Km and p[1] = Vm in every model; p[2] is the third parameter of models 2 and 4
// (baseline), 5 and 6 (Kp) and 7 and 8 (kinact).
using ModelId = int;

inline constexpr int kNoWeighting = 0;
inline constexpr int kRobustWeighting = 2;

// How the models are fitted: the classic chain of stages, or the fast method (a multi-start
// Levenberg-Marquardt refinement, for fits without weights).
inline constexpr int kClassicMethod = 0;
inline constexpr int kFastMethod = 1;

}  // namespace velmor
