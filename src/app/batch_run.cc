#include "app/batch_run.h"

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

}  // namespace

void append_closing_line(PendingReport& report) {
  report.stream() << util::fortran_write(report_format::kResultsWrittenTo, {report.destination()});
}

int run_batch(const CommandLine& command_line, std::ostream& out, std::ostream& err,
              const BatchPictures& pictures) {
  RunState state;
  BatchHost host(err, pictures);
  state.imdl = command_line.models;
  state.imdlno = lowest_selected(state.imdl);
  state.nwt_global = command_line.robust ? kRobustWeighting : kNoWeighting;
  state.filenamedata = command_line.data_file;

  if (!model_type_plausible(command_line.data_file, state.imdlno, host, state.units)) {
    return kExitWrongModelType;
  }
  PendingReport report;
  const int status = velmor(state, host, command_line.data_file, report);
  // A run whose every fit failed still writes its report, which says why.
  if (!report_complete(status)) return status;
  append_closing_line(report);
  if (commit_report(report, host) != kStatusCompleted) return kStatusDataError;
  if (status == kStatusCompleted && pictures.residuals) pictures.residuals(state);
  out << state.filenameresults << '\n';
  return status;
}

}  // namespace velmor::app
