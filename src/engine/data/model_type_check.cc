// SPDX-License-Identifier: MIT

#include "engine/data/model_type_check.h"

#include <algorithm>
#include <array>
#include <vector>

#include "engine/core/limits.h"
#include "engine/core/model_catalog.h"
#include "engine/data/data_file_names.h"
#include "engine/data/data_records.h"
#include "engine/data/delimited_data.h"
#include "engine/data/list_directed.h"

namespace velmor {

namespace {

// Kendall's S summed over the stored curves (at most kMaxCurves): a count of concordant minus
// discordant pairs, which a single outlier moves by at most the curve's length - 1.
long kendall_s(std::span<const double> time, std::span<const double> y, const CurveGroups& groups) {
  const int n = static_cast<int>(std::min(time.size(), y.size()));
  long s = 0;
  int first = 0;
  for (int c = 0; c < std::min(groups.n_curves, kMaxCurves) && first < n; ++c) {
    const int end = std::min(first + groups.counts[c], n);
    for (int i = first; i < end; ++i) {
      for (int j = first; j < end; ++j) {
        if (!(time[j] > time[i])) continue;
        s += (y[j] > y[i]) - (y[j] < y[i]);
      }
    }
    first = end;
  }
  return s;
}

}  // namespace

int trend_sign(std::span<const double> time, std::span<const double> y, const CurveGroups& groups) {
  if (y.empty()) return 1;
  // The last point of the first curve; the first curve always has a stored count.
  const int last = std::clamp(groups.counts[0], 1, static_cast<int>(y.size()));
  const int endpoints = y[last - 1] - y[0] >= 0.0 ? 1 : -1;
  const long s = kendall_s(time, y, groups);
  if (s == 0) return endpoints;
  return s > 0 ? 1 : -1;
}

std::string model_type_mismatch(ModelId model, int trend) {
  const bool product_model = model_observes_product(model);
  const bool substrate_model = model_observes_substrate(model);
  if (product_model && trend < 0) return kMsgSuggestSubstrate;
  if (substrate_model && trend > 0) return kMsgSuggestProduct;
  return {};
}

namespace {

// The time, [So] and observed columns of the file's rows (at most kMaxRows); false when the file
// cannot be read or is refused, which the fit driver then explains.
bool read_rows(const std::string& name, FileUnits& units, const DataColumns& columns,
               std::vector<double>& time, std::vector<double>& so, std::vector<double>& y) {
  const int unit = nuunit(0, units);
  if (!open_data_file(units, unit, name)) return false;
  std::string first_line;
  read_record(*units.stream(unit), first_line, kRecordWidth);
  units.close(unit);
  if (is_table_file(name, first_line)) {
    if (!open_data_file(units, unit, name)) return false;
    const DataTable table =
        read_data_table(*units.stream(unit), table_separator_for(name), columns);
    units.close(unit);
    for (const TableRow& row : table.rows) {
      time.push_back(row.time);
      so.push_back(row.so);
      y.push_back(row.y);
    }
    return table.error.empty() && !table.rows.empty();
  }
  // --columns on the program's own format: refused by the fit driver.
  if (std::any_of(columns.begin(), columns.end(),
                  [](const std::string& c) { return !c.empty(); })) {
    return false;
  }

  const int n_rows =
      std::min(data_row_count(get_unit(kDriverInputUnit, units), name, units), kMaxRows);
  if (n_rows < 1 || !open_data_file(units, unit, name)) return false;
  std::string line;
  for (int row = 0; row < n_rows; ++row) {
    std::array<double, 3> values{};
    bool cut = false;
    if (!read_record(*units.stream(unit), line, kRecordWidth, &cut) || cut ||
        !read_list_directed(line, values)) {
      units.close(unit);
      return false;
    }
    time.push_back(values[0]);
    so.push_back(values[1]);
    y.push_back(values[2]);
  }
  units.close(unit);
  return true;
}

}  // namespace

bool model_type_plausible(const std::string& data_file_name, ModelId model, FitObserver& observer,
                          FileUnits& units, const DataColumns& columns) {
  const std::string name = resolve_input_name(data_file_name);
  std::vector<double> time;
  std::vector<double> so;
  std::vector<double> y;
  // No data rows: the trend is undefined, and the fit driver refuses the file with its
  // row-limit message, whichever model was chosen. Other refusals are the driver's as well.
  if (!read_rows(name, units, columns, time, so, y)) return true;

  const std::string suggestion = model_type_mismatch(model, trend_sign(time, y, ycurves(so)));
  if (suggestion.empty()) return true;
  observer.message(kInformation, std::string(kMsgWrongModelType) + "\r\n" + suggestion);
  return false;
}

bool model_type_plausible(const ProgressCurveData& data, ModelId model, FitObserver& observer) {
  if (data.nRows < 1) return true;
  CurveGroups groups;
  groups.n_curves = data.nCurves;
  groups.counts = data.curveCount;
  const std::string suggestion = model_type_mismatch(
      model, trend_sign(std::span<const double>(data.X1.data(), data.nRows),
                        std::span<const double>(data.Y.data(), data.nRows), groups));
  if (suggestion.empty()) return true;
  observer.message(kInformation, std::string(kMsgWrongModelType) + "\r\n" + suggestion);
  return false;
}

}  // namespace velmor
