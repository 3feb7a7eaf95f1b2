// SPDX-License-Identifier: MIT

#include "app/batch/batch_run.h"

#include <sstream>

#include "app/batch/exit_status.h"
#include "engine/core/console_host.h"
#include "engine/core/prefixed_host.h"
#include "engine/data/model_type_check.h"
#include "engine/data/run_data.h"
#include "engine/driver/fit_status.h"
#include "engine/driver/velmor.h"
#include "engine/report/report_formats.h"
#include "util/fortran_format.h"

namespace velmor::app {
namespace {

// The console host, with the fit pictures of --plots.
class BatchHost : public ConsoleHost {
 public:
  BatchHost(std::ostream& err, const BatchPictures& pictures)
      : ConsoleHost(err), pictures_(pictures) {}
  void model_fitted(const FittedData& fitted) override {
    if (pictures_.fit) pictures_.fit(fitted);
  }

 private:
  const BatchPictures& pictures_;
};

ModelId lowest_selected(const std::array<int, kModelCount>& flags) {
  for (int k = 0; k < kModelCount; ++k) {
    if (flags[k] > 0) return k + 1;
  }
  return 0;
}

RunRequest request_for(const CommandLine& command_line, bool files_at_once) {
  RunRequest request;
  request.imdl = command_line.models;
  request.nwt_global = command_line.robust ? kRobustWeighting : kNoWeighting;
  request.baseline_free = command_line.baseline_free;
  request.fit_method = command_line.fast ? kFastMethod : kClassicMethod;
  request.helper_threads = !files_at_once;
  request.data_columns = command_line.columns;
  request.import_options = command_line.import;
  return request;
}

// After a run of the driver: the report with its closing line written, the residual picture,
// the result's report, record and counts. Returns the status the run ends with.
int finish_run(int status, const RunResult& run, FitObserver& host, PendingReport& report,
               RunRecord& record, const BatchPictures& pictures, FileResult& result) {
  result.rows = run.idat;
  result.curves = run.idatasets;
  // A run whose every fit failed still writes its report, which says why.
  if (!report_complete(status)) return status;
  append_closing_line(report);
  if (commit_report(report, host) != kStatusCompleted) return kStatusDataError;
  result.report_file = run.filenameresults;
  result.record = std::move(record);
  if (status == kStatusCompleted && pictures.residuals) pictures.residuals(run);
  if (status == kStatusCompleted && pictures.failed && pictures.failed()) {
    return kExitOutputNotWritten;
  }
  return status;
}

// One group of an import: the model-type rule on its data, the fit, the report.
int run_group(const PreparedData& set, const RunRequest& request, FitObserver& host,
              const BatchPictures& pictures, FileResult& result) {
  result.record.data = set.data;
  result.record.description = set.description;
  if (set.refusal.empty() && !model_type_plausible(set.data, lowest_selected(request.imdl), host)) {
    return kExitWrongModelType;
  }
  PendingReport report;
  RunRecord record;
  RunResult run;
  const int status = velmor(request, run, host, set, report, &record);
  return finish_run(status, run, host, report, record, pictures, result);
}

// A file the import readers read: each group a run of its own, with its own messages (carrying
// the group's name) and pictures (named after the file and the group).
int run_import(const BatchFile& file, const RunRequest& request, FitObserver& host,
               const PictureFactory& pictures, FileResult& result) {
  FileUnits units;  // the reader closes what it opens
  const PreparedRun run = prepare_run(file.data_file, request.import_options, host, units,
                                      std::clog, request.data_columns);
  if (run.status != kDataOk) return run.status;
  int status = kStatusCompleted;
  for (const PreparedData& set : run.sets) {
    FileResult part;
    part.data_file = file.data_file;
    part.group = set.description.group;
    std::ostringstream messages;
    const std::string stem = part.group.empty()
                                 ? file.picture_stem
                                 : file.picture_stem + "." + group_file_part(part.group);
    const BatchPictures group_pictures = pictures ? pictures(stem, messages) : BatchPictures{};
    BatchHost console(messages, group_pictures);
    PrefixedHost group_host(console, group_prefix(part.group));
    try {
      part.status = run_group(set, request, group_host, group_pictures, part);
    } catch (const std::exception& error) {
      group_host.message(kError, std::string("the run failed: ") + error.what());
      part.status = kStatusDataError;
      part.report_file.clear();
    }
    part.messages = messages.str();
    status = more_serious_status(status, part.status);
    result.groups.push_back(std::move(part));
  }
  return status;
}

// The run itself; the result's messages are left to the caller.
// `by_groups`: the file is read by the import readers (reads_as_import).
int run_file(const BatchFile& file, const CommandLine& command_line, bool files_at_once,
             bool by_groups, BatchHost& host, const BatchPictures& pictures,
             const PictureFactory& factory, FileResult& result) {
  if (!file.refusal.empty()) {
    host.message(kError, file.refusal);
    return file.refusal_status;
  }
  const RunRequest request = request_for(command_line, files_at_once);
  if (by_groups) return run_import(file, request, host, factory, result);
  FileUnits units;
  if (!model_type_plausible(file.data_file, lowest_selected(request.imdl), host, units,
                            request.data_columns)) {
    return kExitWrongModelType;
  }
  PendingReport report;
  RunRecord record;
  RunResult run;
  const int status = velmor(request, run, host, file.data_file, report, &record);
  return finish_run(status, run, host, report, record, pictures, result);
}

}  // namespace

void append_closing_line(PendingReport& report) {
  report.stream() << util::fortran_write(report_format::kResultsWrittenTo, {report.destination()});
}

FileResult run_data_file(const BatchFile& file, const CommandLine& command_line,
                         const PictureFactory& pictures, bool files_at_once) {
  FileResult result;
  result.data_file = file.data_file;
  std::ostringstream messages;
  const bool by_groups = file.refusal.empty() &&
                         reads_as_import(file.data_file, command_line.import, command_line.columns);
  const BatchPictures file_pictures = pictures && file.refusal.empty() && !by_groups
                                          ? pictures(file.picture_stem, messages)
                                          : BatchPictures{};
  BatchHost host(messages, file_pictures);
  try {
    result.status = run_file(file, command_line, files_at_once, by_groups, host, file_pictures,
                             pictures, result);
  } catch (...) {
    // Nothing the engine throws may end the other files' runs.
    std::string why = "the run failed";
    try {
      throw;
    } catch (const std::exception& error) {
      why += std::string(": ") + error.what();
    } catch (...) {
    }
    host.message(kError, why);
    result.status = kStatusDataError;
    result.report_file.clear();
    result.record = {};
    result.groups.clear();
  }
  result.messages = messages.str();
  return result;
}

}  // namespace velmor::app
