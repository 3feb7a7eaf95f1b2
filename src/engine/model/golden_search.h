// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/global_types.h"
#include "engine/core/objective.h"
#include "engine/core/vectors.h"

namespace velmor {

// Coordinate-wise golden-section refinement of x[0..n-1]: 10 sweeps; in each sweep every
// coordinate in turn is bracketed between (1 - c) x_j and (1 + c) x_j (c = 0.618..., the lower
// end halved to B/2 when it is worse), narrowed by 10 golden steps and set to the better end;
// after each sweep x gets the positivity repair. f receives the objective at the result.
// A coordinate at 0 stays 0 until the repair moves it to 1e-6.
void golden_search(Objective& objective, int n, ParamVector& x, double& f);

// The same search on the baseline x[2] alone, for models 2 and 4; for any other model it
// returns at once and leaves x and f untouched.
void golden_ab_search(Objective& objective, ModelId model, int n, ParamVector& x, double& f);

}  // namespace velmor
