// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/data_scale.h"
#include "engine/core/fit_observer.h"
#include "engine/core/global_types.h"
#include "engine/core/progress_curve_data.h"
#include "engine/driver/model_fit.h"
#include "engine/model/fit_context.h"

namespace velmor {

class Objective;

// The data of a run in the user's units, as read, and in the internal units the models are
// fitted in (see data_scale.h).
struct RunData {
  explicit RunData(const ProgressCurveData& data);
  ProgressCurveData as_read;
  DataScale scale;
  ProgressCurveData internal;
};

// One model of a run as the report gives it: fitted on the internal rows by the fast method when
// context.fit_method asks for it and there are no weights (fit_model_fast), else by the classic
// chain, fitted once more from all-ones estimates when more than two of its parameters are
// poorly determined; then made consistent with the model to full precision and assessed
// (fit_assessment.h: profile limits, parameters not determined, the runs test); then
// converted to the user's units, with context.data holding the user's rows and the fitted values.
// A fit that the final check of optimality moved is announced through observer.message
// (Information); the end of each fit is reported through observer.progress. The model must be
// context.imdlno, with context.npar, context.strmdl and the weighting set; objective evaluates on
// context.data.
ModelFit run_model(FitContext& context, FitObserver& observer, Objective& objective,
                   const RunData& data);

}  // namespace velmor
