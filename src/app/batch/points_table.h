// SPDX-License-Identifier: MIT
#pragma once

#include <span>

#include "app/batch/run_summary.h"

// The tidy table of observations and fitted values (--points), for plotting fits and residuals
// in R or Python without reading the reports.
namespace velmor::app {

// One row per observation and fitted model, files (and a file's groups) in order, models in
// the order fitted, rows in the data's order. Columns: file, group (empty: the whole file),
// model, curve (1-based, as the report numbers them), well (the curve's well or id; empty when
// the file names none), S0, t, y (the observation as fitted, after any conversion), fitted,
// residual (fitted - y, as the report's table gives it), weight (1 without weighting, else the
// robust weight). Files without a report give no rows.
SummaryTable points_table(std::span<const FileResult> files);

}  // namespace velmor::app
