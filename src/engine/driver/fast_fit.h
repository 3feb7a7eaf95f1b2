// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/data_scale.h"
#include "engine/core/fit_observer.h"
#include "engine/core/global_types.h"
#include "engine/driver/model_fit.h"
#include "engine/model/fit_context.h"

namespace velmor {

class Objective;

// The fast method's fit of one model without weights, on the data in context.data (internal
// units): the least-squares problem of the final check (least_squares_problem.h: bounded
// Levenberg-Marquardt in ln Km, ln Vm and the baseline) solved from the data-based starts, each
// for a few steps, the best of them carried on to convergence; then the statistics, breakpoints and
// AICc of finish_fit, as in the classic chain. The initial estimates of the result are the
// start that led to the fit, its stage-1 sum of squares the objective there, its iterations
// the refinement's steps from every start. Data the refinement cannot take (too few rows, no
// initial rate in any curve) are fitted by the classic chain instead (fit_model; the result
// then says kClassicMethod). The arguments are those of fit_model.
ModelFit fit_model_fast(FitContext& context, FitObserver& observer, Objective& objective,
                        const DataScale& scale = {});

}  // namespace velmor
