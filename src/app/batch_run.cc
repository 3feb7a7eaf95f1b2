#include "app/batch_run.h"

#include "engine/core/console_host.h"
#include "engine/core/file_units.h"
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

bool append_closing_line(RunState& state, const std::string& report_name) {
  const int unit = nuunit(100, state.units);
  if (unit < 0 || !state.units.open(unit, report_name, FileMode::kAppend)) return false;
  std::fstream& stream = *state.units.stream(unit);
  stream << util::fortran_write(report_format::kResultsWrittenTo, {report_name});
  stream.flush();
  const bool ok = stream.good();
  state.units.close(unit);
  return ok;
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
  const int status = velmor(state, host, command_line.data_file);
  // A run whose every fit failed still wrote its report, which says why.
  if (status != kStatusCompleted && status != kStatusNoFiniteFit) return status;

  if (!append_closing_line(state, state.filenameresults)) {
    host.dlgmessage(kError, "Could not append to the output file " + state.filenameresults);
    return kStatusDataError;
  }
  if (status == kStatusCompleted && pictures.residuals) pictures.residuals(state);
  out << state.filenameresults << '\n';
  return status;
}

}  // namespace velmor::app
