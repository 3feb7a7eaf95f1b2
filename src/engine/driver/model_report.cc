// SPDX-License-Identifier: MIT

#include "engine/driver/model_report.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/driver/parameter_names.h"
#include "engine/model/kinetic_models.h"
#include "engine/optim/sqp_optimize.h"
#include "engine/report/data_report.h"
#include "engine/report/matrix_report.h"
#include "engine/report/report_formats.h"
#include "engine/report/report_lines.h"
#include "util/fortran_format.h"

namespace velmor {
namespace {

namespace rf = report_format;
using util::FortranValue;

void put(std::ostream& out, std::string_view format, const std::vector<FortranValue>& values = {}) {
  out << util::fortran_write(format, values);
}

std::string trimmed(const std::string& s) {
  std::string t = s;
  while (!t.empty() && t.back() == ' ') t.pop_back();
  return t;
}

// The runs test, whether the residuals are systematic, the parameters the data do not
// determine and those that ended on a bound, one line each, then a blank line.
void write_verdicts(std::ostream& out, const ModelFit& fit) {
  if (!fit.assessed) return;
  const RunsTest& runs = fit.runs;
  out << report::runs_line(runs);
  if (residuals_systematic(fit)) put(out, rf::kSystematic);
  for (int j = 0; j < fit.npar; ++j) {
    if (!fit.undetermined[j]) continue;
    if (j == 0 && fit.limit == KineticLimit::kFirstOrder) {
      put(out, rf::kVerdictLine,
          {rf::kFirstOrderVerdict +
           report::number_with_error(fit.combination, fit.combination_se)});
      continue;
    }
    if (j == 0 && fit.limit == KineticLimit::kZeroOrder) {
      put(out, rf::kVerdictLine,
          {rf::kZeroOrderVerdict + report::number_with_error(fit.combination, fit.combination_se)});
      continue;
    }
    // In the first-order limit Vm goes with Km; the line above gives what is determined.
    if (j == 1 && fit.limit == KineticLimit::kFirstOrder) continue;
    put(out, rf::kVerdictLine, {parameter_label(fit.model, j) + rf::kNotDeterminedVerdict});
  }
  for (int j = 0; j < fit.npar; ++j) {
    if (fit.on_bound[j] == 0) continue;
    put(out, rf::kVerdictLine,
        {parameter_label(fit.model, j) +
         (fit.on_bound[j] < 0 ? rf::kOnLowerBoundVerdict : rf::kOnUpperBoundVerdict)});
  }
  out << '\n';
}

bool contains_slash(const std::string& s) {
  return s.find('/') != std::string::npos;
}

void write_breakpoints(std::ostream& out, const ModelFit& fit, int curves) {
  const BreakpointTexts& t = fit.breakpoints;
  bool any_reported = false;
  for (int c = 0; c < curves; ++c) {
    if (!contains_slash(t.range[c]) && !contains_slash(t.inflection[c]) &&
        !contains_slash(t.curvature[c])) {
      any_reported = true;
    }
  }
  if (any_reported) put(out, rf::kRangeHeading);
  for (int c = 0; c < curves; ++c) {
    if (contains_slash(t.range[c])) {
      put(out, rf::kRangeOnly, {c + 1, std::string(rf::kNoRange)});
      continue;
    }
    put(out, rf::kRange, {c + 1, trimmed(t.range[c])});
    put(out, rf::kInflection, {c + 1, trimmed(t.inflection[c])});
    put(out, rf::kCurvature, {c + 1, trimmed(t.curvature[c])});
  }
}

}  // namespace

ParamVector reported_gradient(const ParamVector& g, int npar) {
  ParamVector shown = g;
  for (int j = 0; j < npar; ++j) {
    if (std::fabs(shown[j]) < 1.5e-8) shown[j] = 1e-8;
  }
  return shown;
}

void write_model_section(std::ostream& out, const ModelFit& fit, const ProgressCurveData& data,
                         const std::string& date_text, const DataDescription* description) {
  const int npar = fit.npar;
  put(out, rf::kTwoBlankLines);
  put(out, rf::kTitle, {std::string(rf::kProgramTitle)});
  put(out, rf::kTitle, {std::string(rf::kReportNotice)});
  put(out, rf::kDateTime, {trimmed(date_text)});
  out << report::model_description_lines(fit.model);
  put(out, rf::kDataSets, {data.nCurves});
  if (description != nullptr) write_data_description(out, *description, data);
  put(out, rf::kParameters, {npar});
  // The parameters held by a bound: all but a free baseline.
  put(out, rf::kConstraints, {fit.baseline_free ? npar - 1 : npar});
  put(out, rf::kEqualities, {fit.equality_count});
  put(out, rf::kIterations, {fit.iterations});
  if (fit.info == kSqpIterationLimit) put(out, rf::kCallsExceeded, {fit.call_limit, fit.info});
  if (fit.info == kSqpUphill) put(out, rf::kUphill, {fit.info});
  put(out, rf::kWeighting,
      {std::string(fit.weighting == kNoWeighting ? rf::kNoWeightingName
                                                 : rf::kRobustWeightingName)});
  if (fit.method == kFastMethod) put(out, rf::kFitMethod, {std::string(rf::kFastMethodName)});
  if (fit.baseline_free) put(out, rf::kBaselineFree);
  if (fit.failed) put(out, rf::kFitFailed);
  out << report::fitted_line(rf::kStage1, {fit.stage1_ssq});
  out << report::fitted_line(rf::kStage2, {fit.stage2_ssq});
  if (fit.moved_by_check) out << report::final_check_line(fit.chain_ssq, fit.checked_ssq);
  out << report::fitted_line(rf::kStandardError, {fit.se_regression});
  out << report::aicc_line(fit.aicc);
  write_verdicts(out, fit);
  write_breakpoints(out, fit, data.nCurves);

  print_grad(npar, fit.p, reported_gradient(fit.gradient, npar), out);

  put(out, rf::kInitialHeading);
  for (int j = 0; j < npar; ++j) {
    out << report::fitted_line(rf::kInitialRow, {j + 1, fit.initial[j]});
  }
  put(out, rf::kBestFitHeading);
  for (int j = 0; j < npar; ++j) {
    out << report::parameter_row(j + 1, fit.p[j], fit.se[j], fit.ci[j], fit.undetermined[j]);
  }
  if (fit.assessed) {
    put(out, rf::kProfileHeading);
    for (int j = 0; j < npar; ++j) {
      const double se = fit.undetermined[j] ? std::numeric_limits<double>::quiet_NaN() : fit.se[j];
      out << report::profile_row(j + 1, fit.p[j], fit.profile_low[j], fit.profile_high[j], se);
    }
  }
  put(out, rf::kSeparator);
  out << '\n';

  matprnt(npar, fit.corr, out);

  put(out, rf::kTableHeading);
  put(out, rf::kSeparator);
  out << report::data_table_rows(data);
  put(out, rf::kSeparator);
}

}  // namespace velmor
