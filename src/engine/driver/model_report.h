// SPDX-License-Identifier: MIT

#pragma once

#include <ostream>
#include <string>

#include "engine/core/data_description.h"
#include "engine/core/progress_curve_data.h"
#include "engine/driver/model_fit.h"

namespace velmor {

// The second line of the report's title.
inline constexpr char kReportNotice[] =
    "Integrated Michaelis-Menten progress-curve analysis (Lambert W)";

// The report section of one fitted model: title, date, model description, counts, optimiser
// messages, the failed-fit line (see fit_failed), sums of squares, AICc, suggested data ranges,
// gradient table, initial and final parameters with their errors and limits, correlation table and
// the data table with fitted values and residuals. `date_text` is the date line (see time());
// `data` holds the rows with the model's fitted values. `description` (when given) adds its
// lines (data_report.h) after the number of data sets.
void write_model_section(std::ostream& out, const ModelFit& fit, const ProgressCurveData& data,
                         const std::string& date_text,
                         const DataDescription* description = nullptr);

// A failed fit: its sum of squares or a parameter is not finite. Its section says so, and it
// takes no part in the ranking of the models. (A finite fit whose standard errors could not be
// computed is not failed: it is ranked, after the others.)
bool fit_failed(const ModelFit& fit);

// The exponent form in which the final check's two sums of squares (`from` > `to`) differ when
// written: seven significant digits, more (up to sixteen) when the decrease is smaller than that
// shows, so a report never says it lowered a sum to the same number.
std::string final_check_descriptor(double from, double to);

// The gradient as the report shows it: components of magnitude below 1.5e-8 (noise of the
// finite differences) are shown as 1e-8.
ParamVector reported_gradient(const ParamVector& g, int npar);

}  // namespace velmor
