// SPDX-License-Identifier: MIT

#pragma once

#include <ostream>
#include <string>

#include "engine/core/data_description.h"
#include "engine/core/progress_curve_data.h"
#include "engine/driver/model_fit.h"

namespace velmor {

// The report section of one fitted model: title, date, model description, counts, optimiser
// messages, the failed-fit line (ModelFit::failed), sums of squares, AICc, suggested data ranges,
// gradient table, initial and final parameters with their errors and limits, correlation table and
// the data table with fitted values and residuals. `date_text` is the date line (see time());
// `data` holds the rows with the model's fitted values. `description` (when given) adds its
// lines (data_report.h) after the number of data sets.
void write_model_section(std::ostream& out, const ModelFit& fit, const ProgressCurveData& data,
                         const std::string& date_text,
                         const DataDescription* description = nullptr);

// The gradient as the report shows it: components of magnitude below 1.5e-8 (noise of the
// finite differences) are shown as 1e-8.
ParamVector reported_gradient(const ParamVector& g, int npar);

}  // namespace velmor
