// SPDX-License-Identifier: MIT

#pragma once

#include <span>
#include <string>
#include <variant>
#include <vector>

#include "engine/driver/run_record.h"

// The summary of runs for other tools (R, Python, spreadsheets): one row per data file and
// fitted model, as CSV (RFC 4180) or JSON, with the numbers the reports print at full
// precision. Written by the batch mode's --summary and the window's File > Export Summary.
namespace velmor::app {

// What one data file's run came to.
struct FileResult {
  std::string data_file;    // as named
  std::string report_file;  // the report written, empty if none was
  int status = 0;           // the file's exit status (see exit_status.h)
  std::string messages;     // what the run said, one line each ("Warning: ...")
  int rows = 0;             // data rows and curves, 0 when the data were not accepted
  int curves = 0;
  RunRecord record;   // the fitted models, when the report was written; the data and description
  std::string group;  // the group of the data file this result is of; empty: the whole file
  // A file fitted group by group (a layout's or an EnzymeML document's groups): one result per
  // group in order, each with its own report, status and messages; this result then holds the
  // reading's messages and the most serious status, and no report of its own.
  std::vector<FileResult> groups;
};

// A cell: unknown (empty in CSV, null in JSON), a number, an integer or a text.
using SummaryCell = std::variant<std::monostate, double, long long, std::string>;

struct SummaryTable {
  std::vector<std::string> columns;
  std::vector<std::vector<SummaryCell>> rows;
};

// The rows of the files in order (a file fitted group by group gives its groups' rows in
// order): for each file with a report, one row per fitted model in the order fitted; for any
// other file one row whose model cells are empty and whose fit_status is "not fitted". Columns:
// file, group, report, file_status, rows, curves, time_unit, conc_unit (empty when not known),
// signal_per_conc (empty when the observations are as read), blank ("none", "auto", the value
// subtracted; empty for files read as they are), model, model_name, weighting
// ("none" or "robust"), fit_status ("completed" or "failed": a sum of squares or parameter that
// is not finite), Km, Km_se, Km_low95, Km_high95 (empty where the data do not determine Km),
// Km_prof_low95, Km_prof_high95 (profile-likelihood limits, empty on an open side), the same for
// Vm, baseline (models 2 and 4), Kp (models 5 and 6) and kinact (models 7 and 8), Vm_over_Km and
// Vm_over_Km_se, ssq (the stage-2 sum of squares), se_regression, runs_p (the runs test of the
// residual signs), aicc, rank, akaike_weight, ler (the log10 evidence ratio to the best model),
// range1_from, range1_to, range1_S0, ... range10_from, range10_to, range10_S0 (the suggested
// data range of each curve and its [So]), warning (the data's observation warning and notes on
// the model's fit, "; " between them)
// and messages (what the file's run said, " | " between the messages). Statistics that could not be
// computed, or are not finite, are unknown; failed fits are not ranked.
SummaryTable summary_table(std::span<const FileResult> files);

// RFC 4180: a header row, text in double quotes (a quote doubled), numbers with a '.' and the
// shortest digits that read back to the same double, CR LF line ends.
std::string summary_csv(const SummaryTable& table);

// A JSON array with one object per row, its members the columns in order; unknown is null.
std::string summary_json(const SummaryTable& table);

// The number as written in both formats: the shortest text that reads back to the same double.
std::string summary_number(double value);

// Writes the summary of the files to `path`, as JSON when its name ends in ".json" (any case),
// else as CSV, through util::AtomicFile. False, with `error` naming the file, on failure.
bool write_summary(const std::string& path, std::span<const FileResult> files,
                   std::string* error = nullptr);

// Writes `table` to `path`, as JSON when its name ends in ".json" (any case), else as CSV,
// through util::AtomicFile. False, with `error` naming the file, on failure.
bool write_table(const std::string& path, const SummaryTable& table, std::string* error = nullptr);

}  // namespace velmor::app
