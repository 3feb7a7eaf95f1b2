// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/data_scale.h"
#include "engine/core/progress_curve_data.h"
#include "engine/driver/model_fit.h"

namespace velmor {

// A fit made in internal units (see data_scale.h) with every number in the user's units:
// initial estimates, parameters, standard errors and limits by their parameter's units
// (model_catalog.h), sums of
// squares by the square of the concentration's, the gradient by the units of S over those of
// its parameter, the profile limits as their parameter, Vm/Km per time, and the AICc recomputed
// from the converted sum of squares (so that it is the one the user's numbers give). Correlations,
// counts and the relative-error penalty have no units; the breakpoint texts are made in user units
// already. n_rows is the fit's row count.
ModelFit fit_in_user_units(const ModelFit& fit, const DataScale& scale, int n_rows);

// The rows of a fit in user units: times, [So] and observed values as read (`as_read`), the
// fitted values of `data` (internal units) converted.
void data_in_user_units(ProgressCurveData& data, const ProgressCurveData& as_read,
                        const DataScale& scale);

}  // namespace velmor
