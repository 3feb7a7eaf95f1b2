// SPDX-License-Identifier: MIT

#pragma once

#include <string>

#include "engine/core/global_types.h"
#include "engine/core/limits.h"
#include "engine/core/progress_curve_data.h"
#include "engine/core/run_request.h"
#include "engine/core/run_result.h"

namespace velmor {

// The working state of the model being fitted: what the objective, the searches and the stages
// of the fit read, and the generators they advance. The run fills it for each selected model in
// turn (velmor.cc); tests build their own. Used on the thread that runs the fit.
struct FitContext {
  FitContext() = default;
  // The settings of the request; no model yet.
  FitContext(const RunRequest& request, const RandomStreams& streams)
      : nwt_global(request.nwt_global),
        fit_method(request.fit_method),
        baseline_free(request.baseline_free),
        helper_threads(request.helper_threads),
        random(streams) {}

  ModelId imdlno = 0;             // the model being fitted
  int npar = 0;                   // its parameter count
  std::string strmdl;             // its name (at most 80 characters)
  int model_limit = kModelCount;  // highest valid model number
  // The weighting the objective applies now: the request's, but none while the classic chain
  // looks for the unweighted optimum a robust fit starts from.
  int nwt_global = kNoWeighting;
  int fit_method = kClassicMethod;
  bool baseline_free = false;
  bool helper_threads = true;
  // The rows being fitted (in the fit's internal units while it runs; after the model's run the
  // user's rows with the fitted values).
  ProgressCurveData data;
  RandomStreams random;
};

}  // namespace velmor
