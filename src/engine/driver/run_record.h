// SPDX-License-Identifier: MIT

#pragma once

#include <vector>

#include "engine/driver/model_fit.h"

namespace velmor {

// What a run leaves for summaries of it beside its report (the batch mode's --summary, the
// window's Export Summary): every fitted model in the order fitted, with the numbers its report
// section prints, in the data file's units. The run's data (rows, curves) stay in the RunState.
struct RunRecord {
  std::vector<ModelFit> fits;
};

}  // namespace velmor
