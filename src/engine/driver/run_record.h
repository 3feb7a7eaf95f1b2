// SPDX-License-Identifier: MIT

#pragma once

#include <vector>

#include "engine/core/data_description.h"
#include "engine/core/progress_curve_data.h"
#include "engine/driver/model_fit.h"

namespace velmor {

// A fitted model's value and weight at each data row (row i at index i), in the data file's
// units: the weight 1 without weighting, else the robust weight the fit ended with.
struct FittedRows {
  std::vector<double> fitted;
  std::vector<double> weights;
};

// What a run leaves for summaries of it beside its report (the batch mode's --summary and
// --points, the window's Export Summary): every fitted model in the order fitted, with the
// numbers its report section prints, in the data file's units, its fitted rows, the data as read
// and what they are.
struct RunRecord {
  std::vector<ModelFit> fits;
  std::vector<FittedRows> rows;  // one per fit
  ProgressCurveData data;        // the rows as read (Ycalc unused)
  DataDescription description;
};

}  // namespace velmor
