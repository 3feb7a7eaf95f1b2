// SPDX-License-Identifier: MIT

#include "engine/driver/model_run.h"

#include <string>

#include "engine/driver/fast_fit.h"
#include "engine/driver/fit_assessment.h"
#include "engine/driver/user_units.h"
#include "engine/report/report_lines.h"
#include "util/number_text.h"

namespace velmor {
namespace {

// Parameters whose standard error exceeds p / 1.333 beyond this count send the model back to
// all-ones estimates, once.
constexpr int kMostPoorlyDetermined = 2;

std::string final_check_message(const ModelFit& fit) {
  const std::string field = report::final_check_descriptor(fit.chain_ssq, fit.checked_ssq);
  return "Model " + util::write_di(fit.model, "I1") +
         ": the final check of optimality (Levenberg-Marquardt) lowered the sum of squares from " +
         util::write_dr(fit.chain_ssq, field) + " to " + util::write_dr(fit.checked_ssq, field) +
         "; the report gives the fit at the lower one.";
}

}  // namespace

RunData::RunData(const ProgressCurveData& data)
    : as_read(data), scale(choose_data_scale(data)), internal(to_internal_units(data, scale)) {}

ModelFit run_model(FitContext& context, FitObserver& observer, Objective& objective,
                   const RunData& data) {
  ModelFit fit;
  const bool fast = context.fit_method == kFastMethod && context.nwt_global == kNoWeighting;
  for (const bool recompute : {false, true}) {
    context.data.X1 = data.internal.X1;
    context.data.X2 = data.internal.X2;
    context.data.Y = data.internal.Y;
    fit = fast ? fit_model_fast(context, observer, objective, data.scale)
               : fit_model(context, observer, objective, recompute, data.scale);
    observer.progress({.model = context.imdlno, .pass = recompute ? 2 : 1});
    // The second fit from all-ones estimates belongs to the chain; the fast method starts from
    // the data whatever the first fit gave.
    if (fit.method == kFastMethod || fit.poorly_determined <= kMostPoorlyDetermined) break;
  }
  make_report_consistent(context.data, fit);
  assess_fit(context.data, fit);
  fit = fit_in_user_units(fit, data.scale, data.as_read.nRows);
  data_in_user_units(context.data, data.as_read, data.scale);
  settle_fit(fit, data.as_read.nRows);
  if (fit.moved_by_check) observer.message(kInformation, final_check_message(fit));
  return fit;
}

}  // namespace velmor
