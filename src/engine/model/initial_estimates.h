// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/global_types.h"
#include "engine/core/objective.h"
#include "engine/core/vectors.h"
#include "engine/model/fit_context.h"

namespace velmor {

// Starting point of the current model (context.imdlno, context.npar parameters) from the run's
// data: a crude Km (the second row's [So]) and Vm (from the slopes Y/t around the middle of
// the first curve), a linearised least-squares correction over the first curve, a baseline
// guess for models 2 and 4, then the random search and the golden-section search over all
// rows. p[0..npar-1] receive the result, each at least 1e-6 (also where the data would have
// made it NaN); p[npar..24] = 0. A correction that comes out non-finite (a first curve with
// [So] = 0) is not applied. Advances context.random.estimate_random_value (which picks the random
// search's seed; the runs of a session continue it, see RandomStreams) and
// context.random.random_value.
//
// The middle-slope sum reads rows h-1, h, h+1 (1-based, h = m1/2 for a first curve of m1
// rows). When the first curve is too short for that window to lie inside it (m1 <= 3), the
// three rows are shifted to start at row 1 of the curve, and for a curve of one or two rows the
// sum is taken over its rows and scaled by 3 / m1, so Vm0 stays three times the mean slope and
// no row of another curve or beyond the data is read. Only rows with t > 0 count (a slope Y/t
// at t = 0 is meaningless), with the sum scaled by 3 / (rows counted); when none of the three
// has t > 0 (replicates that restart their time in the middle of the curve), every row of the
// first curve with t > 0 is used in the same way.
void init_estimates(Objective& objective, FitContext& context, ParamVector& p);

// The first step of init_estimates: Km0 = [So] of row 2, Vm0 = |S| (product models) or |2 S|
// (substrate models) with S the middle-slope sum of the first curve, and the baseline guess
// b0 = (Y1 + Y2)/4 for model 2, (Y(m1-1) + Y(m1))/4 for model 4, 0 otherwise.
struct CrudeEstimates {
  double km0 = 0.0;
  double vm0 = 0.0;
  double b0 = 0.0;
};
CrudeEstimates crude_estimates(const ProgressCurveData& data, ModelId model);

}  // namespace velmor
