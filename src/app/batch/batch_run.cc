// SPDX-License-Identifier: MIT

#include "app/batch/batch_run.h"

#include <sstream>

#include "engine/core/console_host.h"
#include "engine/data/model_type_check.h"
#include "engine/driver/fit_status.h"
#include "engine/driver/report_formats.h"
#include "engine/driver/velmor.h"
#include "util/fortran_format.h"

namespace velmor::app {
namespace {

// The console host, with the fit pictures of --plots.
class BatchHost : public ConsoleHost {
 public:
  BatchHost(std::ostream& err, const BatchPictures& pictures)
      : ConsoleHost(err), pictures_(pictures) {}
  void show_fit(const RunState& state) override {
    if (pictures_.fit) pictures_.fit(state);
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

// The run itself; the result's messages are left to the caller.
int run_file(const BatchFile& file, const CommandLine& command_line, bool files_at_once,
             BatchHost& host, const BatchPictures& pictures, FileResult& result) {
  if (!file.refusal.empty()) {
    host.dlgmessage(kError, file.refusal);
    return file.refusal_status;
  }
  RunState state;
  state.imdl = command_line.models;
  state.imdlno = lowest_selected(state.imdl);
  state.nwt_global = command_line.robust ? kRobustWeighting : kNoWeighting;
  state.baseline_free = command_line.baseline_free;
  state.fit_method = command_line.fast ? kFastMethod : kClassicMethod;
  state.helper_threads = !files_at_once;
  state.filenamedata = file.data_file;
  state.data_columns = command_line.columns;

  if (!model_type_plausible(file.data_file, state.imdlno, host, state.units, state.data_columns)) {
    return kExitWrongModelType;
  }
  PendingReport report;
  RunRecord record;
  const int status = velmor(state, host, file.data_file, report, &record);
  result.rows = state.idat;
  result.curves = state.idatasets;
  // A run whose every fit failed still writes its report, which says why.
  if (!report_complete(status)) return status;
  append_closing_line(report);
  if (commit_report(report, host) != kStatusCompleted) return kStatusDataError;
  result.report_file = state.filenameresults;
  result.record = std::move(record);
  if (status == kStatusCompleted && pictures.residuals) pictures.residuals(state);
  if (status == kStatusCompleted && pictures.failed && pictures.failed()) {
    return kExitOutputNotWritten;
  }
  return status;
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
  const BatchPictures file_pictures =
      pictures && file.refusal.empty() ? pictures(file.picture_stem, messages) : BatchPictures{};
  BatchHost host(messages, file_pictures);
  try {
    result.status = run_file(file, command_line, files_at_once, host, file_pictures, result);
  } catch (...) {
    // Nothing the engine throws may end the other files' runs.
    std::string why = "the run failed";
    try {
      throw;
    } catch (const std::exception& error) {
      why += std::string(": ") + error.what();
    } catch (...) {
    }
    host.dlgmessage(kError, why);
    result.status = kStatusDataError;
    result.report_file.clear();
    result.record = {};
  }
  result.messages = messages.str();
  return result;
}

}  // namespace velmor::app
