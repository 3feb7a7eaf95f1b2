// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/global_types.h"
#include "engine/core/objective.h"
#include "engine/core/vectors.h"
#include "engine/model/fit_context.h"

namespace velmor {

// Why simplex() returned.
enum class SimplexStop {
  kNoIterations,    // max_iter <= 0: only the starting simplex was evaluated
  kConverged,       // the spread of the vertex values fell to tol or below (after more than
                    // max_iter / 100 iterations, and for the baseline models after iteration 9
                    // or on a spread of exactly 0). The spread sums n of the n + 1 values
                    // and divides their mean by n + 1, so equal values v still spread by nearly
                    // v / n: on data that no model fits exactly it ends at max_iter.
  kIterationLimit,  // it reached max_iter, either in a restart iteration or by counting past it
};

struct SimplexResult {
  SimplexStop stop = SimplexStop::kNoIterations;
  int iterations = 0;  // iterations completed (0 when max_iter <= 0)
};

// Nelder-Mead search for the current model (context.imdlno) from x over n parameters (1..10):
// a regular starting simplex of size scale, reflection 1, expansion 2, inside contraction 0.5
// and shrink 0.5 (re-evaluating only the worst and second-worst vertices), stopping on the
// spread of the vertex values. During iterations 1..9 it restarts the random search (seed
// 1024 + 64 per restart, 10 passes) on the last evaluated point, followed for models 2 and 4
// by the golden-section search on the baseline; their result reaches the vertices only through
// the positivity touch-up of the best vertex. On return x is the first vertex with the smallest
// stored value and f its objective. Every trial point is evaluated by objective.value() after
// being copied into x; context.random.random_value advances through the restarts.
SimplexResult simplex(Objective& objective, FitContext& context, int n, ParamVector& x, double& f,
                      double tol, double scale, int max_iter);

}  // namespace velmor
