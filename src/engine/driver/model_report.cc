// SPDX-License-Identifier: MIT

#include "engine/driver/model_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "engine/driver/data_report.h"
#include "engine/driver/parameter_names.h"
#include "engine/driver/report_formats.h"
#include "engine/model/kinetic_models.h"
#include "engine/optim/sqp_optimize.h"
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

// Whether Fw.d with `decimals` decimals carries a number of a parameter's row to the precision
// it needs: a value or limit to 5 significant digits, or (one smaller than the standard error)
// to a thousandth of the standard error; the standard error itself to 2 significant digits. A
// zero, or a number that is not finite, needs none.
bool fixed_carries_value(double x, double se, int decimals) {
  const double unit = std::pow(10.0, -decimals);
  if (x == 0.0 || !std::isfinite(x)) return true;
  return unit <= 1e-4 * std::fabs(x) || (std::isfinite(se) && unit <= 1e-3 * se);
}
bool fixed_carries_se(double se, int decimals) {
  if (se == 0.0 || !std::isfinite(se)) return true;
  return std::pow(10.0, -decimals) <= 0.1 * se;
}

// The form a parameter's row shares (fixed, or exponent where fixed would not show a number
// whole or to its precision): `numbers` are the value and limits, `se` the standard error (NaN
// when not known or not determined).
bool row_fixed(std::span<const double> numbers, double se, int width, int decimals) {
  std::vector<double> all(numbers.begin(), numbers.end());
  if (std::isfinite(se)) all.push_back(se);
  if (util::fitting_descriptor(all, width, decimals).front() != 'F') return false;
  for (const double x : numbers) {
    if (!fixed_carries_value(x, se, decimals)) return false;
  }
  return fixed_carries_se(se, decimals);
}

constexpr int kValueWidth = 13;  // value and standard error of a parameter's row
constexpr int kLimitWidth = 14;
constexpr int kParameterDecimals = 6;

std::string value_field(bool fixed) {
  return fixed ? fixed_descriptor(kValueWidth, kParameterDecimals)
               : util::exponent_descriptor(kValueWidth);
}
std::string limit_field(bool fixed) {
  return fixed ? fixed_descriptor(kLimitWidth, kParameterDecimals)
               : util::exponent_descriptor(kLimitWidth);
}

// A limit in its field: the number, "infinity" with its sign for an open side, "unknown" where
// it could not be computed.
std::string limit_item(double v, const std::string& field, std::vector<FortranValue>& values) {
  const std::string text_field = "A" + std::to_string(kLimitWidth);
  if (std::isfinite(v)) {
    values.emplace_back(v);
    return field;
  }
  if (std::isinf(v)) {
    values.emplace_back(std::string(v > 0.0 ? "infinity" : "-infinity"));
  } else {
    values.emplace_back(std::string(kUnknownValue));
  }
  return text_field;
}

// One row of the best-fit table: value, standard error and 95 % limits share one form (fixed,
// or exponent where fixed would not show the row whole or to its precision); a standard error
// or limit that could not be computed is "unknown". A parameter the data do not determine has
// "not determined" in place of its standard error and no Wald limits.
void put_parameter_row(std::ostream& out, int index, double value, double se, double ci,
                       bool undetermined) {
  if (undetermined) {
    const double row[] = {value};
    const std::string field = value_field(
        row_fixed(row, std::numeric_limits<double>::quiet_NaN(), kValueWidth, kParameterDecimals));
    put(out, "(5X,I3,5X," + field + ",A18)", {index, value, std::string(kNotDetermined)});
    return;
  }
  const double row[] = {value, value - ci, value + ci};
  const bool fixed = row_fixed(row, se, kValueWidth, kParameterDecimals);
  std::vector<FortranValue> values{index, value};
  std::string format = "(5X,I3,5X," + value_field(fixed) + ",'  +/-',";
  if (std::isfinite(se)) {
    values.emplace_back(se);
    format += value_field(fixed);
  } else {
    values.emplace_back(std::string(kUnknownValue));
    format += "A" + std::to_string(kValueWidth);
  }
  format += ",3X,'[',";
  format += limit_item(std::isfinite(se) ? row[1] : se, limit_field(fixed), values) + ",' ,',";
  format += limit_item(std::isfinite(se) ? row[2] : se, limit_field(fixed), values) + ",' ]')";
  put(out, format, values);
}

// The profile-likelihood limits under the Wald limits, in the same columns.
void put_profile_rows(std::ostream& out, const ModelFit& fit) {
  put(out, rf::kProfileHeading);
  for (int j = 0; j < fit.npar; ++j) {
    const double row[] = {fit.p[j], fit.profile_low[j], fit.profile_high[j]};
    const double se = fit.undetermined[j] ? std::numeric_limits<double>::quiet_NaN() : fit.se[j];
    const bool fixed = row_fixed(row, se, kValueWidth, kParameterDecimals);
    std::vector<FortranValue> values{j + 1, fit.p[j]};
    std::string format = "(5X,I3,5X," + value_field(fixed) + ",21X,'[',";
    format += limit_item(row[1], limit_field(fixed), values) + ",' ,',";
    format += limit_item(row[2], limit_field(fixed), values) + ",' ]')";
    put(out, format, values);
  }
}

// A number with its standard error, to 5 significant digits of the number and 2 of the error,
// without leading blanks: fixed where that takes at most 12 decimals and the number is below
// 1e7, else exponent form.
std::string number_with_error(double value, double se) {
  if (!std::isfinite(value)) return std::string(kUnknownValue);
  const auto magnitude = [](double x) {
    return static_cast<int>(std::floor(std::log10(std::fabs(x))));
  };
  int decimals = 6;
  if (value != 0.0) decimals = std::max(decimals, 4 - magnitude(value));
  if (std::isfinite(se) && se > 0.0) decimals = std::max(decimals, 1 - magnitude(se));
  const auto text = [&](double x) {
    if (!std::isfinite(x)) return std::string(kUnknownValue);
    char buffer[64];
    if (decimals <= 12 && std::fabs(value) < 1e7) {
      std::snprintf(buffer, sizeof buffer, "%.*f", decimals, x);
      return std::string(buffer);
    }
    return util::write_dr(x, "E12.5");
  };
  return text(value) + " +/- " + text(se);
}

// The runs test, whether the residuals are systematic, the parameters the data do not
// determine and those that ended on a bound, one line each, then a blank line.
void write_verdicts(std::ostream& out, const ModelFit& fit) {
  if (!fit.assessed) return;
  const RunsTest& runs = fit.runs;
  if (std::isnan(runs.p)) {
    put(out, rf::kRunsNotTested, {runs.runs});
  } else {
    const std::string p_field = runs.p >= 1e-4 ? "F7.4" : "E11.4";
    put(out, with_descriptor(rf::kRuns, 7, 4, p_field), {runs.runs, runs.expected, runs.p});
  }
  if (residuals_systematic(fit)) put(out, rf::kSystematic);
  for (int j = 0; j < fit.npar; ++j) {
    if (!fit.undetermined[j]) continue;
    if (j == 0 && fit.limit == KineticLimit::kFirstOrder) {
      put(out, rf::kVerdictLine,
          {"KM NOT DETERMINED BY THESE DATA (FIRST-ORDER): VM/KM = " +
           number_with_error(fit.combination, fit.combination_se)});
      continue;
    }
    if (j == 0 && fit.limit == KineticLimit::kZeroOrder) {
      put(out, rf::kVerdictLine,
          {"KM NOT DETERMINED BY THESE DATA (ZERO-ORDER): VM = " +
           number_with_error(fit.combination, fit.combination_se)});
      continue;
    }
    // In the first-order limit Vm goes with Km; the line above gives what is determined.
    if (j == 1 && fit.limit == KineticLimit::kFirstOrder) continue;
    put(out, rf::kVerdictLine, {parameter_label(fit.model, j) + " NOT DETERMINED BY THESE DATA"});
  }
  for (int j = 0; j < fit.npar; ++j) {
    if (fit.on_bound[j] == 0) continue;
    put(out, rf::kVerdictLine,
        {parameter_label(fit.model, j) + " ENDED ON ITS " +
         (fit.on_bound[j] < 0 ? "LOWER" : "UPPER") + " BOUND"});
  }
  out << '\n';
}

// The field of a column of the data table: fitting_descriptor's choice, and the exponent form
// also where it shows more digits of the column's largest value than the fixed form (data in
// other units: 0.013746 mM in F12.3 would show as 0.014, in E12.4 as 0.1375E-01).
std::string column_descriptor(std::span<const double> column, int width, int decimals,
                              bool blank_before) {
  const std::string chosen = util::fitting_descriptor(column, width, decimals, blank_before);
  if (chosen.front() != 'F') return chosen;
  double largest = 0.0;
  for (const double v : column) {
    if (std::isfinite(v)) largest = std::max(largest, std::fabs(v));
  }
  const std::string exponent = util::exponent_descriptor(width);
  const int exponent_digits = std::stoi(exponent.substr(exponent.find('.') + 1));
  // Fw.d shows at least k significant digits of every value from 10^(k - 1 - d) on.
  const double shows_enough = std::pow(10.0, exponent_digits - 1 - decimals);
  return largest == 0.0 || largest >= shows_enough ? chosen : exponent;
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
    format += ", " + column_descriptor({column->data(), n}, 12, 3, blank_before);
  }
  return format + ", 3X, " + column_descriptor(residuals, 10, 6, true) + ")";
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
  while (digits < kMost &&
         util::write_dr(from, exponent_form(digits)) == util::write_dr(to, exponent_form(digits))) {
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
  // The parameters held by a bound: all but a free baseline.
  put(out, rf::kConstraints, {fit.baseline_free ? npar - 1 : npar});
  put(out, rf::kEqualities, {fit.equality_count});
  put(out, rf::kIterations, {fit.iterations});
  if (fit.info == kSqpIterationLimit) put(out, rf::kCallsExceeded, {fit.call_limit, fit.info});
  if (fit.info == kSqpUphill) put(out, rf::kUphill, {fit.info});
  put(out, rf::kWeighting, {std::string(fit.weighting == 0 ? "NO WEIGHTING" : "ROBUST WEIGHTING")});
  if (fit.method == kFastMethod) put(out, rf::kFitMethod, {std::string(rf::kFastMethodName)});
  if (fit.baseline_free) put(out, rf::kBaselineFree);
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
  write_verdicts(out, fit);
  write_breakpoints(out, fit, data.nCurves);

  print_grad(npar, fit.p, reported_gradient(fit.gradient, npar), out);

  put(out, rf::kInitialHeading);
  for (int j = 0; j < npar; ++j) {
    put(out, fitted(rf::kInitialRow, 12, 6, fit.initial[j]), {j + 1, fit.initial[j]});
  }
  put(out, rf::kBestFitHeading);
  for (int j = 0; j < npar; ++j) {
    put_parameter_row(out, j + 1, fit.p[j], fit.se[j], fit.ci[j], fit.undetermined[j]);
  }
  if (fit.assessed) put_profile_rows(out, fit);
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
