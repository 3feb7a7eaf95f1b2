// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/objective.h"
#include "engine/core/vectors.h"
#include "engine/minsvd/minsvd_codes.h"

// The SVD-based minimiser: Powell's method of conjugate directions whose direction set is
// rebuilt after every cycle from the singular value decomposition of the curvature-scaled
// directions. Derivative-free; the objective is evaluated only through Objective::value and,
// along search lines, at absolute parameter values. Single-threaded, no state between calls.
namespace velmor {

// Minimises the objective over x[0..n-1] by repeated runs of nminf, each from the point the
// previous one reached, until two consecutive runs end with objective values within
// max(|f_new| 1e-8, 2.2e-16) of each other, at most 10 runs.
//   f:     on entry the objective at x as the caller knows it; on return the value of the
//          next-to-last run (it differs from the objective at x by less than the tolerance).
//   maxit: cycle limit of each run (the fit driver passes 10).
//   nfev:  objective evaluations of all runs.
//   ierr:  the code of the last run (see above). On 504, 105 and 529 for maxit < 1, x and f are
//          unchanged.
void nminsvd(Objective& objective, int n, ParamVector& x, double& f, int maxit, int& nfev,
             int& ierr);

// One minimisation run from unit directions: at most maxit cycles of n passes. On return x
// has every component at least 2.22e-16 (unless the run was refused) and f is the objective
// evaluated at x. nf is the number of evaluations of this run.
void nminf(Objective& objective, int n, ParamVector& x, double& f, int maxit, int& nf, double rtol,
           double atol, int& ierr);

// The positivity repair applied to x[0..n-1] after each cycle: a component below 2.22e-16 is
// replaced by |((atan|x| + 1.570795) / 3.14159 - 0.5) * 2 x| + 1e-6, which is at least 1e-6
// and, for a negative component of large magnitude, close to |x|.
void repair_positivity(ParamVector& x, int n);

// Step length of a rebuilt direction with singular value sigma: sigma * sqrt(f_d - f_end),
// f_d the objective before the last displacement search of the cycle and f_end the value after
// the positivity repair. When the repair raised f_end above f_d the root of the magnitude
// |f_d - f_end| is taken instead; a non-finite result gives 0, which the next pass replaces
// by the unit trial step.
double rebuilt_step_length(double sigma, double f_d, double f_end);

}  // namespace velmor
