// SPDX-License-Identifier: MIT

#include "engine/report/summary_report.h"

#include <cmath>

#include "engine/report/report_formats.h"
#include "engine/report/runtime_format.h"
#include "util/fortran_format.h"
#include "util/space_trim.h"

namespace velmor {
namespace {

namespace rf = report_format;

}  // namespace

void write_model_summary(std::span<const FittedModel> models, std::ostream& out) {
  if (models.size() < 2) return;
  const std::vector<SummaryRow> rows = rank_models(models);
  if (rows.empty()) return;
  const std::string dash_format = dash_line_format(78);

  out << '\n';
  out << util::fortran_write(rf::kSummaryTitle, {});
  out << util::fortran_write(dash_format, {});
  out << util::fortran_write(rf::kSummaryColumns,
                             {std::string("RANK"), std::string("AICc"), std::string("Delta(AICc)"),
                              std::string("MODEL NAME"), std::string("LER*<2")});
  out << util::fortran_write(dash_format, {});
  bool any_unknown = false;
  for (const SummaryRow& row : rows) {
    if (std::isnan(row.aicc)) {
      any_unknown = true;
      const std::string unknown = rf::kUnknownValue;
      out << util::fortran_write(rf::kSummaryUnknownRow,
                                 {row.rank, unknown, unknown, row.name, unknown});
      continue;
    }
    out << util::fortran_write(rf::kSummaryRow,
                               {row.rank, row.aicc, row.delta, row.name, row.ler, row.marker});
  }
  out << util::fortran_write(dash_format, {});
  if (any_unknown) {
    out << util::fortran_write(rf::kSummaryUnknownNote, {});
  }
  for (const FittedModel& model : models) {
    if (model.failed) {
      out << util::fortran_write(rf::kSummaryFailedNote, {util::trim_spaces(model.name)});
    } else if (model.undetermined) {
      out << util::fortran_write(rf::kSummaryUndeterminedNote, {util::trim_spaces(model.name)});
    }
  }
  out << '\n';
}

}  // namespace velmor
