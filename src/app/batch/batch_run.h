// SPDX-License-Identifier: MIT

#pragma once

#include <functional>
#include <ostream>
#include <stop_token>
#include <string>

#include "app/batch/batch_inputs.h"
#include "app/batch/batch_options.h"
#include "app/batch/run_summary.h"
#include "engine/core/pending_report.h"
#include "engine/core/run_result.h"
#include "util/stop_signals.h"

namespace velmor::app {

// The pictures of one data file's run (--plots): `fit` after each fitted model (the picture the
// window would show), `residuals` once after a completed run (the best model); `failed` tells
// whether one could not be written. Called on the thread that runs the file.
struct BatchPictures {
  std::function<void(const FittedData&)> fit;
  std::function<void(const FittedData&)> residuals;
  std::function<bool()> failed;
};

// Makes the pictures of one data file, named after `stem`, reporting failures on `err`. Called
// on the thread that runs the file, so it must be safe to call from several threads at once.
using PictureFactory = std::function<BatchPictures(const std::string& stem, std::ostream& err)>;

// Does for one data file what the Run command does, without a window: applies the
// product/substrate plausibility rule, runs the fit, writes the report with its closing line
// (the report file is replaced only when complete; a run that fails leaves the earlier report)
// and the pictures. Every message a window would show in a box goes to the result's messages as
// "Information: ...", "Warning: ..." or "Error: ...". The status is the driver's (0, 1, 3, 5,
// 6, or 9 when every fit failed: the report is then complete, but no residual picture is
// drawn), kExitWrongModelType, kExitOutputNotWritten when a picture failed, or the file's
// refusal status. Each call has a run request and result of its own, so files may be run on several
// threads at once; with `files_at_once` (other files are fitted meanwhile) the fit uses no helper
// threads of its own, so that N jobs keep to N cores. The report is the same either way.
FileResult run_data_file(const BatchFile& file, const CommandLine& command_line,
                         const PictureFactory& pictures = {}, bool files_at_once = false);

// The stop signals of a batch run (util::StopSignals): SIGINT, SIGTERM, SIGHUP and SIGPIPE ask
// the run to stop (run_batch). Make one on the main thread before the run.
class BatchStop {
 public:
  BatchStop();
  std::stop_token token() const { return source_.get_token(); }
  // The first stop signal, 0 until one comes.
  int signal() const { return signals_.received(); }

 private:
  std::stop_source source_;
  util::StopSignals signals_;  // after source_, which its watcher thread uses
};

// The batch mode: runs every data file of the command line (plan_batch), command_line.jobs at a
// time (0: one per processor core), and prints, in the order of the files whatever order they
// finish in, each file's messages on `err` (prefixed with the data file's name when the run
// has several files; names and messages escaped by util::printable_name and printable_line) and
// its report's path on `out`. With `progress` (stderr is a terminal) and several files, one line
// on `err` shows the files done, the failures and the time left. A run of several files ends
// with a closing line on `err`; --summary writes the summary. Returns the exit status: 0 when
// every file completed, else the most serious status of a file (or kExitOutputNotWritten when
// only the summary failed).
//
// With `stop`, a stop signal ends the run and the process here, without returning: no file is
// written after it but the summary, the files done are printed in order, the summary lists them
// and, with file_status 128 + the signal and "not fitted", every file not done; the lock and
// temporary files of the files in progress are removed, the closing line says "stopped by
// SIGTERM after N of M files: ...", and the process exits with 128 + the signal (130 SIGINT, 143
// SIGTERM, 129 SIGHUP, 141 SIGPIPE: the reader of `out` went away).
int run_batch(const CommandLine& command_line, std::ostream& out, std::ostream& err,
              const PictureFactory& pictures = {}, bool progress = false,
              const BatchStop* stop = nullptr);

// Appends "(3X,'Results written to ', a)" with the report file's name to the pending report.
void append_closing_line(PendingReport& report);

// The program's name, which starts the batch mode's own messages.
inline constexpr const char* kProgramName = "velmor-tarn";

}  // namespace velmor::app
