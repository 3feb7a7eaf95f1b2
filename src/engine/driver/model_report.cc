#include "engine/driver/model_report.h"

#include <cmath>
#include <string>

#include "engine/driver/data_report.h"
#include "engine/driver/report_formats.h"
#include "engine/model/kinetic_models.h"
#include "engine/stats/matrix_report.h"
#include "engine/stats/model_summary.h"
#include "util/fitting_field.h"
#include "util/fixed_string.h"
#include "util/fortran_format.h"
#include "util/number_text.h"

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

std::string separator() {
  return " " + std::string(78, '-');
}

// Ew.d with d significant digits and room for a sign, "0." and a four-character exponent.
std::string exponent_form(int digits) {
  return "E" + std::to_string(digits + 7) + "." + std::to_string(digits);
}

std::string fixed_descriptor(int width, int decimals) {
  return "F" + std::to_string(width) + "." + std::to_string(decimals);
}

// `format` with its Fw.d (given by width and decimals) replaced by `chosen`.
std::string with_descriptor(std::string_view format, int width, int decimals,
                            const std::string& chosen) {
  const std::string fixed = fixed_descriptor(width, decimals);
  std::string text(format);
  text.replace(text.find(fixed), fixed.size(), chosen);
  return text;
}

// `format`, whose one real is `value` written with Fw.d after blanks of the layout, with the
// field that value needs.
std::string fitted(std::string_view format, int width, int decimals, double value) {
  return with_descriptor(format, width, decimals,
                         util::fitting_descriptor({&value, 1}, width, decimals, true));
}

// The AICc line; "unknown" when a standard error, and so the penalty, could not be computed.
void put_aicc(std::ostream& out, double aicc) {
  constexpr int kWidth = 12;
  constexpr int kDecimals = 4;
  if (std::isnan(aicc)) {
    put(out, with_descriptor(rf::kAicc, kWidth, kDecimals, "A12"), {std::string(kUnknownValue)});
  } else {
    put(out, fitted(rf::kAicc, kWidth, kDecimals, aicc), {aicc});
  }
}

// One row of the best-fit table: value, standard error and 95 % limits share one form (fixed,
// or exponent when fixed would not show the row's largest value); a standard error or limit that
// could not be computed is "unknown".
void put_parameter_row(std::ostream& out, int index, double value, double se, double ci) {
  constexpr int kValueWidth = 13;  // value and standard error
  constexpr int kLimitWidth = 14;
  constexpr int kDecimals = 6;
  const double row[] = {value, se, value - ci, value + ci};
  // Every value is checked against the narrower field, so the limits fit theirs as well.
  const bool fixed = util::fitting_descriptor(row, kValueWidth, kDecimals).front() == 'F';
  const std::string value_field =
      fixed ? fixed_descriptor(kValueWidth, kDecimals) : util::exponent_descriptor(kValueWidth);
  const std::string limit_field =
      fixed ? fixed_descriptor(kLimitWidth, kDecimals) : util::exponent_descriptor(kLimitWidth);

  std::vector<FortranValue> values{index, value};
  std::string format = "(5X,I3,5X," + value_field + ",'  +/-',";
  const auto statistic = [&](double v, int width, const std::string& field) {
    if (std::isfinite(v)) {
      values.emplace_back(v);
      return field;
    }
    values.emplace_back(std::string(kUnknownValue));
    return "A" + std::to_string(width);
  };
  format += statistic(se, kValueWidth, value_field) + ",3X,'[',";
  format += statistic(row[2], kLimitWidth, limit_field) + ",' ,',";
  format += statistic(row[3], kLimitWidth, limit_field) + ",' ]')";
  put(out, format, values);
}

// The format of the data table's rows: time, [So], Y and Ycalc in 12 columns with 3 decimals,
// the residual in 10 with 6, each column in the form its largest value needs.
std::string data_row_format(const ProgressCurveData& data) {
  const auto n = static_cast<std::size_t>(data.nRows);
  std::vector<double> residuals(n);
  for (std::size_t i = 0; i < n; ++i) residuals[i] = data.Ycalc[i] - data.Y[i];
  // Blanks of the layout stand before the time and the residual; the three columns between
  // them touch each other and so need a blank of their own.
  std::string format = "(5X, I3, 2X";
  for (const auto* column : {&data.X1, &data.X2, &data.Y, &data.Ycalc}) {
    const bool blank_before = column == &data.X1;
    format += ", " + util::fitting_descriptor({column->data(), n}, 12, 3, blank_before);
  }
  return format + ", 3X, " + util::fitting_descriptor(residuals, 10, 6, true) + ")";
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

bool fit_failed(const ModelFit& fit) {
  if (!std::isfinite(fit.stage2_ssq)) return true;
  for (int j = 0; j < fit.npar; ++j) {
    if (!std::isfinite(fit.p[j])) return true;
  }
  return false;
}

std::string final_check_descriptor(double from, double to) {
  constexpr int kFewest = 7;
  constexpr int kMost = 16;
  int digits = kFewest;
  while (digits < kMost && util::write_dr(from, exponent_form(digits)) ==
                               util::write_dr(to, exponent_form(digits))) {
    ++digits;
  }
  return exponent_form(digits);
}

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
  put(out, rf::kTitle, {std::string("VELMOR-TARN NONLINEAR OPTIMIZATION SOFTWARE")});
  put(out, rf::kTitle, {std::string(kReportNotice)});
  put(out, rf::kDateTime, {trimmed(date_text)});
  model_names(out, fit.model);
  put(out, rf::kDataSets, {data.nCurves});
  if (description != nullptr) write_data_description(out, *description, data);
  put(out, rf::kParameters, {npar});
  put(out, rf::kConstraints, {npar});
  put(out, rf::kEqualities, {fit.equality_count});
  put(out, rf::kIterations, {fit.iterations});
  if (fit.info == 2) put(out, rf::kCallsExceeded, {fit.call_limit, fit.info});
  if (fit.info == 4) put(out, rf::kUphill, {fit.info});
  put(out, rf::kWeighting, {std::string(fit.weighting == 0 ? "NO WEIGHTING" : "ROBUST WEIGHTING")});
  if (fit.method == kFastMethod) put(out, rf::kFitMethod, {std::string(rf::kFastMethodName)});
  if (fit_failed(fit)) put(out, rf::kFitFailed);
  put(out, fitted(rf::kStage1, 14, 8, fit.stage1_ssq), {fit.stage1_ssq});
  put(out, fitted(rf::kStage2, 14, 8, fit.stage2_ssq), {fit.stage2_ssq});
  if (fit.moved_by_check) {
    const std::string field = final_check_descriptor(fit.chain_ssq, fit.checked_ssq);
    std::string format = rf::kFinalCheck;
    for (std::size_t at = format.find("E14.7"); at != std::string::npos;
         at = format.find("E14.7", at + field.size())) {
      format.replace(at, 5, field);
    }
    put(out, format, {fit.chain_ssq, fit.checked_ssq});
  }
  const double se_regression = std::sqrt(fit.stage2_ssq / (data.nRows - npar));
  put(out, fitted(rf::kStandardError, 14, 8, se_regression), {se_regression});
  put_aicc(out, fit.aicc);
  write_breakpoints(out, fit, data.nCurves);

  print_grad(npar, fit.p, reported_gradient(fit.gradient, npar), out);

  put(out, rf::kInitialHeading);
  for (int j = 0; j < npar; ++j) {
    put(out, fitted(rf::kInitialRow, 12, 6, fit.initial[j]), {j + 1, fit.initial[j]});
  }
  put(out, rf::kBestFitHeading);
  for (int j = 0; j < npar; ++j) put_parameter_row(out, j + 1, fit.p[j], fit.se[j], fit.ci[j]);
  out << separator() << "\n\n";

  matprnt(npar, fit.corr, out);

  put(out, rf::kTableHeading);
  out << separator() << '\n';
  const util::FortranFormat row_format(data_row_format(data));
  for (int i = 0; i < data.nRows; ++i) {
    out << row_format.write(
        {i + 1, data.X1[i], data.X2[i], data.Y[i], data.Ycalc[i], data.Ycalc[i] - data.Y[i]});
  }
  out << separator() << '\n';
}

}  // namespace velmor
