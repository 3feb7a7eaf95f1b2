// SPDX-License-Identifier: MIT

#include "engine/report/report_lines.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "engine/model/kinetic_models.h"
#include "engine/report/report_formats.h"
#include "util/fitting_field.h"
#include "util/number_text.h"

namespace velmor::report {
namespace {

namespace rf = report_format;
using util::EditItem;
using util::EditKind;
using util::FortranFormat;
using util::FortranValue;

// The one item a descriptor such as "E14.6" parses to.
EditItem item_of(const std::string& descriptor) {
  return FortranFormat("(" + descriptor + ")").items().front();
}

EditItem text_item(int width) {
  EditItem item;
  item.kind = EditKind::kText;
  item.width = width;
  return item;
}

// Ew.d with d significant digits and room for a sign, "0." and a four-character exponent.
EditItem exponent_item(int digits) {
  return item_of("E" + std::to_string(digits + 7) + "." + std::to_string(digits));
}

bool is_real(const EditItem& item) {
  return item.kind == EditKind::kFixed || item.kind == EditKind::kExponential;
}
bool is_data(const EditItem& item) {
  return is_real(item) || item.kind == EditKind::kInteger || item.kind == EditKind::kText;
}

// A real item of a format, where it is and what the layout puts before it.
struct RealField {
  std::size_t index = 0;      // in FortranFormat::items()
  std::size_t value = 0;      // 0-based position of its value in the list
  bool blank_before = false;  // an nX item stands right before it
};

// The real items of `format`, each with the position of the value it writes. The formats of
// the report hold no repeated real items, so item and value correspond one to one.
std::vector<RealField> real_fields(const FortranFormat& format) {
  std::vector<RealField> fields;
  const std::vector<EditItem>& items = format.items();
  std::size_t value = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!is_data(items[i])) continue;
    if (is_real(items[i])) {
      if (items[i].repeat != 1) throw std::logic_error("repeated real field in a report format");
      fields.push_back({i, value, i > 0 && items[i - 1].kind == EditKind::kSkip});
    }
    value += static_cast<std::size_t>(items[i].repeat);
  }
  return fields;
}

// `format` with every real field that is given a text as its value turned into a text field of
// the same width, and the others written by `choose(field, value)`, which returns the item the
// value is written with.
template <typename Choose>
FortranFormat with_fields(const FortranFormat& format, const std::vector<FortranValue>& values,
                          Choose choose) {
  FortranFormat chosen = format;
  for (const RealField& field : real_fields(format)) {
    if (field.value >= values.size()) break;
    const EditItem& item = format.items()[field.index];
    const FortranValue& value = values[field.value];
    if (std::holds_alternative<std::string>(value)) {
      chosen = chosen.with_item(field.index, text_item(item.width));
    } else if (const double* v = std::get_if<double>(&value)) {
      chosen = chosen.with_item(field.index, choose(field, item, *v));
    }
  }
  return chosen;
}

// The first real field of `format`: the field a row's form is decided at.
const EditItem& first_real(const FortranFormat& format) {
  return format.items()[real_fields(format).front().index];
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

// Whether a parameter's row is written fixed, decided at the field `at` (the value's): `numbers`
// are the value and limits, `se` the standard error (NaN when not known or not determined).
bool row_fixed(std::span<const double> numbers, double se, const EditItem& at) {
  std::vector<double> all(numbers.begin(), numbers.end());
  if (std::isfinite(se)) all.push_back(se);
  if (util::fitting_descriptor(all, at.width, at.digits).front() != 'F') return false;
  for (const double x : numbers) {
    if (!fixed_carries_value(x, se, at.digits)) return false;
  }
  return fixed_carries_se(se, at.digits);
}

// A parameter's row in one form: every real field as written (fixed) or in the exponent form of
// its width.
std::string row_in_form(const FortranFormat& format, const std::vector<FortranValue>& values,
                        bool fixed) {
  return with_fields(format, values,
                     [fixed](const RealField&, const EditItem& item, double) {
                       return fixed ? item : item_of(util::exponent_descriptor(item.width));
                     })
      .write(values);
}

// A limit as its field shows it: the number, "infinity" with its sign for an open side,
// "unknown" where it could not be computed.
FortranValue limit_value(double v) {
  if (std::isfinite(v)) return v;
  if (std::isinf(v)) return std::string(v > 0.0 ? "infinity" : "-infinity");
  return std::string(rf::kUnknownValue);
}

// The field of a column of the data table: fitting_descriptor's choice, and the exponent form
// also where it shows more digits of the column's largest value than the fixed form (data in
// other units: 0.013746 mM in F12.3 would show as 0.014, in E12.4 as 0.1375E-01).
EditItem column_item(std::span<const double> column, const RealField& field, const EditItem& item) {
  const std::string chosen =
      util::fitting_descriptor(column, item.width, item.digits, field.blank_before);
  if (chosen.front() != 'F') return item_of(chosen);
  double largest = 0.0;
  for (const double v : column) {
    if (std::isfinite(v)) largest = std::max(largest, std::fabs(v));
  }
  const EditItem exponent = item_of(util::exponent_descriptor(item.width));
  // Fw.d shows at least k significant digits of every value from 10^(k - 1 - d) on.
  const double shows_enough = std::pow(10.0, exponent.digits - 1 - item.digits);
  return largest == 0.0 || largest >= shows_enough ? item : exponent;
}

}  // namespace

std::string model_description_lines(ModelId model) {
  const auto line = [](std::string_view text) {
    return util::fortran_write(rf::kModelLine, {std::string(text)});
  };
  if (!model_is_defined(model)) return line("");
  const ModelDescription block = model_description(model);
  return util::fortran_write(rf::kModelTitle, {std::string(block.title)}) + line(block.formula) +
         line(block.note) + line(block.formula_in_parameters) + line("");
}

std::string fitted_line(std::string_view format, const std::vector<FortranValue>& values) {
  const auto fit = [](const RealField& field, const EditItem& item, double v) {
    return item_of(util::fitting_descriptor({&v, 1}, item.width, item.digits, field.blank_before));
  };
  return with_fields(FortranFormat(format), values, fit).write(values);
}

std::string aicc_line(double aicc) {
  if (std::isnan(aicc)) return fitted_line(rf::kAicc, {std::string(rf::kUnknownValue)});
  return fitted_line(rf::kAicc, {aicc});
}

std::string runs_line(const RunsTest& runs) {
  if (std::isnan(runs.p)) return util::fortran_write(rf::kRunsNotTested, {runs.runs});
  // The p field (the last) shows a p down to one unit of its last decimal; a smaller one is
  // written in the exponent form with as many decimals.
  const FortranFormat format(rf::kRuns);
  const RealField p_field = real_fields(format).back();
  const EditItem& item = format.items()[p_field.index];
  const bool fixed_shows_p = runs.p >= std::pow(10.0, -item.digits);
  return format.with_item(p_field.index, fixed_shows_p ? item : exponent_item(item.digits))
      .write({runs.runs, runs.expected, runs.p});
}

std::string final_check_descriptor(double from, double to) {
  constexpr int kMost = 16;
  int digits = first_real(FortranFormat(rf::kFinalCheck)).digits;
  const auto form = [](int d) { return "E" + std::to_string(d + 7) + "." + std::to_string(d); };
  while (digits < kMost && util::write_dr(from, form(digits)) == util::write_dr(to, form(digits))) {
    ++digits;
  }
  return form(digits);
}

std::string final_check_line(double from, double to) {
  EditItem field = item_of(final_check_descriptor(from, to));
  const std::vector<FortranValue> values{from, to};
  return with_fields(
             FortranFormat(rf::kFinalCheck), values,
             [&field](const RealField&, const EditItem&, double) -> EditItem { return field; })
      .write(values);
}

std::string parameter_row(int index, double value, double se, double ci, bool undetermined) {
  if (undetermined) {
    const FortranFormat format(rf::kUndeterminedRow);
    const double row[] = {value};
    const bool fixed = row_fixed(row, std::numeric_limits<double>::quiet_NaN(), first_real(format));
    return row_in_form(format, {index, value, std::string(rf::kNotDetermined)}, fixed);
  }
  const FortranFormat format(rf::kParameterRow);
  const double row[] = {value, value - ci, value + ci};
  const bool fixed = row_fixed(row, se, first_real(format));
  const bool known = std::isfinite(se);
  return row_in_form(format,
                     {index, value, known ? FortranValue(se) : std::string(rf::kUnknownValue),
                      limit_value(known ? row[1] : se), limit_value(known ? row[2] : se)},
                     fixed);
}

std::string profile_row(int index, double value, double low, double high, double se) {
  const FortranFormat format(rf::kProfileRow);
  const double row[] = {value, low, high};
  const bool fixed = row_fixed(row, se, first_real(format));
  return row_in_form(format, {index, value, limit_value(low), limit_value(high)}, fixed);
}

std::string number_with_error(double value, double se) {
  if (!std::isfinite(value)) return rf::kUnknownValue;
  const auto magnitude = [](double x) {
    return static_cast<int>(std::floor(std::log10(std::fabs(x))));
  };
  int decimals = 6;
  if (value != 0.0) decimals = std::max(decimals, 4 - magnitude(value));
  if (std::isfinite(se) && se > 0.0) decimals = std::max(decimals, 1 - magnitude(se));
  const auto text = [&](double x) {
    if (!std::isfinite(x)) return std::string(rf::kUnknownValue);
    char buffer[64];
    if (decimals <= 12 && std::fabs(value) < 1e7) {
      std::snprintf(buffer, sizeof buffer, "%.*f", decimals, x);
      return std::string(buffer);
    }
    return util::write_dr(x, "E12.5");
  };
  return text(value) + " +/- " + text(se);
}

std::string data_table_rows(const ProgressCurveData& data) {
  const auto n = static_cast<std::size_t>(std::max(data.nRows, 0));
  std::vector<double> residuals(n);
  for (std::size_t i = 0; i < n; ++i) residuals[i] = data.Ycalc[i] - data.Y[i];
  const std::span<const double> columns[] = {{data.X1.data(), n},
                                             {data.X2.data(), n},
                                             {data.Y.data(), n},
                                             {data.Ycalc.data(), n},
                                             residuals};
  const FortranFormat format(rf::kDataRow);
  FortranFormat chosen = format;
  const std::vector<RealField> fields = real_fields(format);
  for (std::size_t c = 0; c < std::min(fields.size(), std::size(columns)); ++c) {
    chosen = chosen.with_item(fields[c].index,
                              column_item(columns[c], fields[c], format.items()[fields[c].index]));
  }
  std::string rows;
  for (std::size_t i = 0; i < n; ++i) {
    rows += chosen.write(
        {static_cast<int>(i) + 1, data.X1[i], data.X2[i], data.Y[i], data.Ycalc[i], residuals[i]});
  }
  return rows;
}

}  // namespace velmor::report
