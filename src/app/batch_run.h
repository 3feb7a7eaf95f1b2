#pragma once

#include <functional>
#include <ostream>

#include "app/batch_options.h"
#include "engine/core/global_types.h"
#include "engine/core/pending_report.h"

namespace velmor::app {

// Called after each fitted model (the picture the window would show) and once after a completed
// run (the residuals of the best model). The batch mode writes PNG files through them when
// --plots is given.
struct BatchPictures {
  std::function<void(const RunState&)> fit;
  std::function<void(const RunState&)> residuals;
};

// Does what the Run command does, without a window: applies the product/substrate plausibility
// rule, runs the fit, writes the report with its closing line (the report file is replaced only
// when complete; a run that fails leaves the earlier report) and prints the report's path on
// `out`. Every message a window would show in a box goes to `err` as "Information: ...",
// "Warning: ..." or "Error: ...". Returns the exit status: the driver's status (0, 1, 3, 5, 6,
// or 9 when every fit failed: the report is then complete and its path printed, but no residual
// picture is drawn) or kExitWrongModelType.
int run_batch(const CommandLine& command_line, std::ostream& out, std::ostream& err,
              const BatchPictures& pictures = {});

// Appends "(3X,'Results written to ', a)" with the report file's name to the pending report.
void append_closing_line(PendingReport& report);

}  // namespace velmor::app
