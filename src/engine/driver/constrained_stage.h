// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/objective.h"
#include "engine/core/vectors.h"

namespace velmor {

// The constrained stage of a fit: the constrained optimiser (sqp_optimize), started at 1.01
// times the earlier stages' result p, called up to twice (the second time with half the
// tolerance). Returns the iterations of both calls; info receives the last return code.
//
// p and f (the objective at p) come in as the earlier stages left them and go out as the
// optimiser's result unless that is worse than the incoming point by more than
// kNegligibleLoss of f, or has a parameter that is not a number: then the incoming point
// stands. The optimiser starts 1 % away, and a call that stops on its line-search limit, or
// that counts its start as converged on an absolute tolerance (data with a tiny sum of
// squares), can end worse than where it began. Parameters npar..24 are set to 0.
int constrained_stage(Objective& objective, int npar, ParamVector& p, double& f, int call_limit,
                      int& info);

// A loss smaller than this fraction of the sum of squares is only the rounding of the
// optimiser's last steps.
inline constexpr double kNegligibleLoss = 1e-9;

}  // namespace velmor
