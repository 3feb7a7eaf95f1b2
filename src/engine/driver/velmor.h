// SPDX-License-Identifier: MIT

#pragma once

#include <string>

#include "engine/core/fit_observer.h"
#include "engine/core/global_types.h"
#include "engine/core/pending_report.h"
#include "engine/core/run_request.h"
#include "engine/core/run_result.h"
#include "engine/data/import/prepare_groups.h"
#include "engine/driver/run_record.h"

namespace velmor {

// The fit run behind the Run command. Reads the data file, fits every model whose flag in
// request.imdl is set (in order 1..8) through the stage chain, writes the report next to the
// data file (the data file's name with the extension "out"), hands each fitted model to the
// observer, ranks the models by AICc when more than one was fitted, and returns a status of
// fit_status.h. The report file is replaced, whole (PendingReport), only by a run whose report
// is complete (report_complete); a run that is refused or fails leaves the earlier report. On
// completion result.data holds the best model's data and fitted values, result.imdlno the best
// model, result.strmdl its name and result.filenameresults the report's name (run_result.h);
// the fits start from the generator states in result.random and leave theirs there. Refusals
// are explained to the user through observer.message before the status returns.
int velmor(const RunRequest& request, RunResult& result, FitObserver& observer,
           const std::string& data_file_name);

// The same run, leaving the report to the caller: when report_complete(status) (0, or 9 when
// every fit failed), `report` is open, holds the whole report (the "SAVED TO:" line last) and
// still holds the report's lock; the caller adds what it adds (the Run command's closing line)
// and then calls commit_report. On any other status the report has been discarded and the
// report file is as it was before the run. `record` (when given) receives every fitted model,
// as its report section gives it, for summaries of the run (run_record.h).
//
// The data are read by prepare_run with request.import_options and request.data_columns; a file
// that a layout splits into several groups is refused here (Warning, then Error "* * * ERROR:
// RUN ABORTED * * *", status 3): its groups are run one by one with the overload below.
int velmor(const RunRequest& request, RunResult& result, FitObserver& observer,
           const std::string& data_file_name, PendingReport& report, RunRecord* record = nullptr);

// The same run on data already read (run_data.h: prepare_run), one set: a group of an import
// or a whole file. A set refused for one fit's limits shows Warning <its refusal>, Error
// "* * * ERROR: RUN ABORTED * * *" and returns 3; the observation warning of its description
// is shown (Warning) before the report is opened. The report is set.report_name; its model
// sections state what the description says (data_report.h).
int velmor(const RunRequest& request, RunResult& result, FitObserver& observer,
           const PreparedData& set, PendingReport& report, RunRecord* record = nullptr);

// Writes the report file. Status 0 when written; otherwise Error <why, naming the file> and
// Error "* * * ERROR: RUN ABORTED * * *", status 3, and the old report file is unchanged.
int commit_report(PendingReport& report, FitObserver& observer);

}  // namespace velmor
