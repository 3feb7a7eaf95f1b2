// SPDX-License-Identifier: MIT

#pragma once

#include <optional>
#include <string>

#include "engine/core/global_types.h"
#include "engine/core/progress_curve_data.h"
#include "engine/core/vectors.h"

namespace velmor {

// A fitted model with its data, as the plots draw it: the model number, its name, the rows in
// the user's units with the fitted values, and the fitted parameters in the data's units
// (empty before a fit and for a failed one).
struct FittedData {
  ModelId imdlno = 0;
  std::string strmdl;  // the model's name (at most 80 characters)
  ProgressCurveData data;
  std::optional<ParamVector> fitted_params;
};

// The states of the two pseudo-random generators of the fits: the shared value rv in [0, 1)
// and the initial estimates' own. A run starts from the states it is handed and leaves them
// where its fits ended, so the runs of one session continue one sequence.
struct RandomStreams {
  double random_value = 0.0;
  double estimate_random_value = 0.0;
};

// What a run returns. After a completed run the FittedData part is the best model's (its
// number, name, data with fitted values and parameters); a run that ends early leaves there the
// last model it fitted, or the data as read.
struct RunResult : FittedData {
  std::string filenameresults = "Results.out";  // the report's file name
  int global_mdl_count = 0;                     // models fitted
  int idat = 0;                                 // data rows
  int idatasets = 0;                            // curves
  RandomStreams random;                         // where the run left the generators
};

}  // namespace velmor
