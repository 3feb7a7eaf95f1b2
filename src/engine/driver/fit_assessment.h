// SPDX-License-Identifier: MIT
#pragma once

#include "engine/core/global_types.h"
#include "engine/core/progress_curve_data.h"
#include "engine/driver/model_fit.h"

// What a fit's report says beyond the optimisers' own numbers, computed once the fit is chosen
// (after the second fit from all-ones estimates, if any), in the fit's internal units.
namespace velmor {

// Makes the report consistent with its parameters: the fitted values (data.Ycalc), the
// stage-2 sum of squares, the gradient, the Jacobian and from it the standard errors, limits and
// correlations, the penalty and the AICc, all of the model with W to full precision (the
// optimisers' own W is converged to about 1e-7, which for small W is a relative error of up to
// 1e-4, so their sums were not quite those of the parameters). The derivatives keep the program's
// central differences and steps; under robust weighting the weights are those of the residuals
// at fit.p, held fixed as the program holds them. The chain's path is not touched: this runs on
// its result. A model the least-squares problem cannot take keeps the chain's numbers.
void make_report_consistent(ProgressCurveData& data, ModelFit& fit);

// The verdicts on a consistent fit: the profile-likelihood 95 % limits of every parameter, the
// parameters the data do not determine (a profile that does not rise to the threshold on one
// side; for Km and Vm, which are stepped in their logarithms, reaching their lower bound counts
// as such a side, while a parameter stepped linearly, like the baseline, may take its bound as
// its limit), which bound a parameter ended on, Km's kinetic limit with the combination then
// determined, Vm/Km with its standard error, and the runs test of the residual signs. Every
// parameter that is not determined counts in the AICc's penalty as if its standard error were
// unbounded (the most the penalty gives), so such a fit is not ranked as if it were well
// determined. Sets fit.assessed.
void assess_fit(const ProgressCurveData& data, ModelFit& fit);

}  // namespace velmor
