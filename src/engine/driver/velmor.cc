// SPDX-License-Identifier: MIT

#include "engine/driver/velmor.h"

#include <cmath>
#include <fstream>
#include <iostream>
#include <optional>
#include <vector>

#include "engine/core/date_time.h"
#include "engine/core/file_units.h"
#include "engine/data/data_file.h"
#include "engine/data/read_data.h"
#include "engine/data/run_data.h"
#include "engine/driver/fit_status.h"
#include "engine/driver/model_fit.h"
#include "engine/driver/model_report.h"
#include "engine/driver/model_run.h"
#include "engine/model/fit_context.h"
#include "engine/model/kinetic_models.h"
#include "engine/model/model_objective.h"
#include "engine/model/robust_weights.h"
#include "engine/report/report_formats.h"
#include "engine/report/summary_report.h"
#include "util/fortran_format.h"
#include "util/number_text.h"

namespace velmor {
namespace {

constexpr double kNoAiccYet = 1e16;

inline constexpr char kMsgColumnsIncompatible[] = "Number of variables not compatible with model: ";
inline constexpr char kMsgParameterLimit[] = "Number of variables exceeded limit: ";
inline constexpr char kMsgNotEnoughPoints[] = "Not enough data points to fit model: ";
inline constexpr char kMsgFitFailed[] =
    "Fit failed (sum of squares or parameters not finite), left out of the ranking: model ";
inline constexpr char kMsgNoFiniteFit[] =
    "No model could be fitted to these data: every fit failed";
inline constexpr char kMsgSeveralGroups[] = "The data file holds ";
inline constexpr char kMsgSeveralGroupsEnd[] =
    " groups, each a fit of its own: run them in the batch mode or the window";
inline constexpr char kMsgFastWithoutWeights[] =
    "The fast method fits without weights: with robust weighting the models are fitted by the "
    "classic chain";

// Fitted values that cannot be drawn (negative, huge or not a number) are drawn as 0; the
// report's table shows them as computed.
void clamp_for_drawing(ProgressCurveData& data) {
  for (int i = 0; i < data.nRows; ++i) {
    const double v = data.Ycalc[i];
    if (!(v >= 0.0) || v > 1e16) data.Ycalc[i] = 0.0;
  }
}

int refuse(FitObserver& observer, const char* message, int number, int status) {
  observer.message(kWarning, message + util::write_di(number, "I3"));
  observer.message(kError, kMsgRunAborted);
  return status;
}

// The fitted values and weights of the model just fitted: `data` holds the rows in the user's
// units with their fitted values; the robust weights are those of the residuals in the fit's
// internal units, as the robust fit weighed them.
FittedRows fitted_rows(const ProgressCurveData& data, const ModelFit& fit, const DataScale& scale) {
  const auto n = static_cast<std::size_t>(data.nRows);
  FittedRows rows;
  rows.fitted.assign(data.Ycalc.begin(), data.Ycalc.begin() + static_cast<std::ptrdiff_t>(n));
  rows.weights.assign(n, 1.0);
  if (fit.weighting == kRobustWeighting) {
    std::vector<double> r(n);
    for (std::size_t i = 0; i < n; ++i) {
      r[i] = scale.to_internal(data.Y[i] - data.Ycalc[i], 1, 0);
    }
    robust_wt(r, rows.weights);
  }
  return rows;
}

// Fits the selected models to the accepted data, writing the report into `out`. Each model is
// fitted in the run's FitContext, which carries the data from one model to the next; `result`
// holds the model last fitted (what the observer is shown) until the best one is known.
int fit_models(const RunRequest& request, RunResult& result, FitObserver& observer,
               const ProgressCurveData& as_read, const std::string& report_name, std::ostream& out,
               RunRecord* record, const DataDescription& description) {
  int status = kStatusCompleted;
  result.filenameresults = report_name;
  result.idat = as_read.nRows;
  result.idatasets = as_read.nCurves;
  const RunData data(as_read);
  FitContext context(request, result.random);
  context.data = data.internal;
  result.data = context.data;
  result.fitted_params.reset();
  ModelObjective objective(context, observer);

  if (request.fit_method == kFastMethod && request.nwt_global != kNoWeighting) {
    observer.message(kInformation, kMsgFastWithoutWeights);
  }

  std::vector<FittedModel> fitted;
  double best_aicc = kNoAiccYet;
  ProgressCurveData best_data = as_read;
  std::optional<ParamVector> best_params;
  ModelId best_model = 0;
  std::string best_name;

  for (ModelId model = 1; model <= kModelCount; ++model) {
    if (request.imdl[model - 1] <= 0) continue;
    context.imdlno = model;
    result.imdlno = model;
    if (ncolmdl(as_read.nCols, model) != 0) {
      return refuse(observer, kMsgColumnsIncompatible, model, kStatusModelColumns);
    }
    std::string name;
    context.npar = npar(model, name);
    context.strmdl = name;
    result.strmdl = name;
    if (context.npar > kMaxParams) {
      return refuse(observer, kMsgParameterLimit, kMaxParams, kStatusTooManyParameters);
    }
    if (context.npar >= as_read.nRows) {
      return refuse(observer, kMsgNotEnoughPoints, as_read.nRows, kStatusTooManyParameters);
    }

    const ModelFit fit = run_model(context, observer, objective, data);
    result.random = context.random;
    status = kStatusCompleted;
    const bool failed = fit.failed;
    if (failed) observer.message(kWarning, kMsgFitFailed + util::write_di(model, "I3"));
    fitted.push_back(ranking_entry(fit));
    if (record != nullptr) {
      record->fits.push_back(fit);
      record->rows.push_back(fitted_rows(context.data, fit, data.scale));
    }
    write_model_section(out, fit, context.data, time(), &description);
    clamp_for_drawing(context.data);
    result.data = context.data;
    result.fitted_params.reset();
    if (!failed) result.fitted_params = fit.p;
    // A failed fit is never the best; a ranked one whose AICc is unknown is, until another
    // ranked model has a known AICc.
    const bool better =
        best_model == 0 || fit.aicc < best_aicc || (std::isnan(best_aicc) && !std::isnan(fit.aicc));
    if (!failed && better) {
      best_aicc = fit.aicc;
      best_data = context.data;
      best_params = result.fitted_params;
      best_model = model;
      best_name = name;
    }
    observer.model_fitted(result);
  }

  write_model_summary(fitted, out);
  if (best_model != 0) {
    result.data = best_data;
    result.fitted_params = best_params;
    result.imdlno = best_model;
    result.strmdl = best_name;
  }
  result.global_mdl_count = static_cast<int>(fitted.size());
  if (!fitted.empty() && best_model == 0) {
    observer.message(kError, kMsgNoFiniteFit);
    status = kStatusNoFiniteFit;
  }
  out << util::fortran_write(report_format::kSavedTo,
                             {std::string(report_format::kSavedToLabel), report_name});
  return status;
}

}  // namespace

int velmor(const RunRequest& request, RunResult& result, FitObserver& observer,
           const std::string& data_file_name, PendingReport& report, RunRecord* record) {
  report.discard();
  if (record != nullptr) *record = {};
  // The reader closes every file it opens before it returns.
  FileUnits units;
  const PreparedRun run = prepare_run(data_file_name, request.import_options, observer, units,
                                      observer.console_log(), request.data_columns);
  if (run.status != kDataOk) return run.status;
  if (run.sets.size() != 1) {
    observer.message(kWarning,
                     kMsgSeveralGroups + std::to_string(run.sets.size()) + kMsgSeveralGroupsEnd);
    observer.message(kError, kMsgRunAborted);
    return kStatusDataError;
  }
  return velmor(request, result, observer, run.sets.front(), report, record);
}

int velmor(const RunRequest& request, RunResult& result, FitObserver& observer,
           const PreparedData& set, PendingReport& report, RunRecord* record) {
  report.discard();
  if (record != nullptr) *record = {};
  if (!set.refusal.empty()) {
    observer.message(kWarning, set.refusal);
    observer.message(kError, kMsgRunAborted);
    return kStatusDataError;
  }
  if (!set.description.warning.empty()) observer.message(kWarning, set.description.warning);
  int status = open_pending_report(set.report_name, observer, report);
  if (status != kDataOk) return status;
  if (record != nullptr) {
    record->data = set.data;
    record->description = set.description;
    // A fit is several kilobytes: room for every model at once, not copies as the list grows.
    record->fits.reserve(kModelCount);
    record->rows.reserve(kModelCount);
  }
  status = fit_models(request, result, observer, set.data, set.report_name, report.stream(), record,
                      set.description);
  // A run that ends before its report is complete leaves the report file as it was.
  if (!report_complete(status)) report.discard();
  return status;
}

int velmor(const RunRequest& request, RunResult& result, FitObserver& observer,
           const std::string& data_file_name) {
  PendingReport report;
  const int status = velmor(request, result, observer, data_file_name, report);
  if (!report_complete(status)) return status;
  return commit_report(report, observer) == kStatusCompleted ? status : kStatusDataError;
}

int commit_report(PendingReport& report, FitObserver& observer) {
  if (report.commit()) return kStatusCompleted;
  observer.message(kError, report.error());
  observer.message(kError, kMsgRunAborted);
  return kStatusDataError;
}

}  // namespace velmor
