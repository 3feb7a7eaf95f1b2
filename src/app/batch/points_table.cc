// SPDX-License-Identifier: MIT
#include "app/batch/points_table.h"

#include <cmath>

namespace velmor::app {
namespace {

SummaryCell number(double value) {
  return std::isfinite(value) ? SummaryCell(value) : SummaryCell();
}

SummaryCell text_or_empty(const std::string& value) {
  return value.empty() ? SummaryCell() : SummaryCell(value);
}

void add_rows(const FileResult& file, SummaryTable& table) {
  const RunRecord& record = file.record;
  const ProgressCurveData& data = record.data;
  const std::vector<std::string>& ids = record.description.curve_ids;
  for (std::size_t f = 0; f < record.fits.size() && f < record.rows.size(); ++f) {
    const FittedRows& rows = record.rows[f];
    int row = 0;
    for (int c = 0; c < data.nCurves && c < kMaxCurves; ++c) {
      for (int k = 0; k < data.curveCount[c] && row < data.nRows; ++k, ++row) {
        const auto i = static_cast<std::size_t>(row);
        const double fitted = i < rows.fitted.size() ? rows.fitted[i] : std::nan("");
        table.rows.push_back(
            {SummaryCell(file.data_file), text_or_empty(file.group),
             SummaryCell(static_cast<long long>(record.fits[f].model)),
             SummaryCell(static_cast<long long>(c + 1)),
             c < static_cast<int>(ids.size()) ? text_or_empty(ids[c]) : SummaryCell(),
             number(data.X2[i]), number(data.X1[i]), number(data.Y[i]), number(fitted),
             number(fitted - data.Y[i]),
             number(i < rows.weights.size() ? rows.weights[i] : std::nan(""))});
      }
    }
  }
}

}  // namespace

SummaryTable points_table(std::span<const FileResult> files) {
  SummaryTable table;
  table.columns = {"file", "group", "model",  "curve",    "well",  "S0",
                   "t",    "y",     "fitted", "residual", "weight"};
  for (const FileResult& file : files) {
    if (file.groups.empty()) {
      if (!file.report_file.empty()) add_rows(file, table);
      continue;
    }
    for (const FileResult& group : file.groups) {
      if (!group.report_file.empty()) add_rows(group, table);
    }
  }
  return table;
}

}  // namespace velmor::app
