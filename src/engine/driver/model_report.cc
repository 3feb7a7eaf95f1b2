#include "engine/driver/model_report.h"

#include <cmath>
#include <string>

#include "engine/driver/report_formats.h"
#include "engine/model/kinetic_models.h"
#include "engine/stats/matrix_report.h"
#include "util/fixed_string.h"
#include "util/fortran_format.h"

namespace velmor {
namespace {

namespace rf = report_format;
using util::FortranValue;

void put(std::ostream& out, const char* format, const std::vector<FortranValue>& values = {}) {
  out << util::fortran_write(format, values);
}

std::string trimmed(const std::string& s) {
  std::string t = s;
  while (!t.empty() && t.back() == ' ') t.pop_back();
  return t;
}

std::string separator() {
  return " " + std::string(78, '-');
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
      put(out, rf::kRangeOnly, {c + 1, std::string("N/A")});
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
                         const std::string& date_text) {
  const int npar = fit.npar;
  put(out, rf::kTwoBlankLines);
  put(out, rf::kTitle, {std::string("VELMOR-TARN NONLINEAR OPTIMIZATION SOFTWARE")});
  put(out, rf::kTitle, {std::string(kReportNotice)});
  put(out, rf::kDateTime, {trimmed(date_text)});
  model_names(out, fit.model);
  put(out, rf::kDataSets, {data.nCurves});
  put(out, rf::kParameters, {npar});
  put(out, rf::kConstraints, {npar});
  put(out, rf::kEqualities, {fit.equality_count});
  put(out, rf::kIterations, {fit.iterations});
  if (fit.info == 2) put(out, rf::kCallsExceeded, {fit.call_limit, fit.info});
  if (fit.info == 4) put(out, rf::kUphill, {fit.info});
  put(out, rf::kWeighting, {std::string(fit.weighting == 0 ? "NO WEIGHTING" : "ROBUST WEIGHTING")});
  put(out, rf::kStage1, {fit.stage1_ssq});
  put(out, rf::kStage2, {fit.stage2_ssq});
  put(out, rf::kStandardError, {std::sqrt(fit.stage2_ssq / (data.nRows - npar))});
  put(out, rf::kAicc, {fit.aicc});
  write_breakpoints(out, fit, data.nCurves);

  print_grad(npar, fit.p, reported_gradient(fit.gradient, npar), out);

  put(out, rf::kInitialHeading);
  for (int j = 0; j < npar; ++j) put(out, rf::kInitialRow, {j + 1, fit.initial[j]});
  put(out, rf::kBestFitHeading);
  for (int j = 0; j < npar; ++j) {
    put(out, rf::kBestFitRow,
        {j + 1, fit.p[j], fit.se[j], fit.p[j] - fit.ci[j], fit.p[j] + fit.ci[j]});
  }
  out << separator() << "\n\n";

  matprnt(npar, fit.corr, out);

  put(out, rf::kTableHeading);
  out << separator() << '\n';
  static const util::FortranFormat row_format(rf::kTableRow);
  for (int i = 0; i < data.nRows; ++i) {
    out << row_format.write(
        {i + 1, data.X1[i], data.X2[i], data.Y[i], data.Ycalc[i], data.Ycalc[i] - data.Y[i]});
  }
  out << separator() << '\n';
}

}  // namespace velmor
