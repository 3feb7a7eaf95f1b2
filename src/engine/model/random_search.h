// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/objective.h"
#include "engine/core/vectors.h"

namespace velmor {

// The random search's view of an objective value: below eps (an exact 0 included), NaN and
// above big all count as big, so such points never win.
double guard_objective(double f);

// Random-perturbation search around x (n parameters, 1..25). Each pass perturbs one
// coordinate at a time within a spread s of the pass's start (s from 0.8 down by 0.039999
// per pass; the search ends when s <= 0.21, after 15 passes, or after max_passes passes) and
// keeps a trial only when it lowers the guarded objective. max_passes <= 9 is replaced by 100,
// also in the caller's variable. Draws come from random_value (the run's shared generator
// state, advanced in place); seed = 0 selects the fixed first draw pi - 3, and seed receives
// the last draw. On return x is the best point (after positivity repair) and f its unguarded
// objective. Reads the objective only through value() and bounds_neg().
void dorunrun(Objective& objective, double& random_value, int n, double& seed, int& max_passes,
              ParamVector& x, double& f);

}  // namespace velmor
