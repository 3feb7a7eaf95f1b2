// SPDX-License-Identifier: MIT

#pragma once

#include <span>

#include "engine/core/objective.h"
#include "engine/core/vectors.h"
#include "engine/minsvd/minsvd_codes.h"

namespace velmor {

// The objective along the line x0 + t v, evaluated at the absolute values |x0(i) + t v(i)|,
// i = 0..n-1, so that it never sees a negative parameter. Increments nf. v holds at least n
// entries. Only the objective value is read (Objective::value).
double fln(Objective& objective, double t, std::span<const double> v, const ParamVector& x0, int n,
           int& nf);

// Searches along v from x0 for a step that lowers the objective below fa.
//   ta, fa: on entry the step of the current best point (normally 0) and its objective; on
//           return the step of the best point found and its objective.
//   tb:     the first trial step.
//   rtol, atol: the search stops when the bracketing values above fa differ from it by less
//           than max(|fa| rtol, atol).
//   ierr:   0, or kMinsvdLineSearchLimit (56) when 25 iterations did not finish the search.
// Returns at the first point found below the starting value, so ta is not a line minimum.
// At most 52 evaluations (two to start, at most two per iteration), each counted in nf.
void linmnf(Objective& objective, double& ta, double tb, double& fa, double rtol, double atol,
            int& ierr, std::span<const double> v, const ParamVector& x0, int n, int& nf);

}  // namespace velmor
