// SPDX-License-Identifier: MIT

#pragma once

#include "app/shell_state.h"
#include "engine/core/fit_observer.h"

// The Run command of the main window (command code 1).
namespace velmor::app {

inline constexpr const char* kMsgNoDataFile =
    "No data file open - Warning!\r\nOpen a data file for input.";
inline constexpr const char* kMsgTextboxWriteError = "Textbox Data File Write - Fatal error!";
inline constexpr const char* kTitleComputing = "Wait, computing model...";
inline constexpr const char* kTitleSaving = "Computation completed...Saving results";

// Checks that a run is possible, applies the product/substrate plausibility rule, runs the fit
// driver on the data file, loads the report into the text box, adds the closing line, writes the
// report file (replaced only now, complete) and sets the menus for what may follow. `settle_ms` is
// the pause before and after the closing line is appended. The run's request is made from the
// shell's menus and dialogs; its result goes into shell.shown (ShellState). Main routine's
// thread; `host` must be the host whose model_fitted draws into this program's windows.
void run_command(ShellState& shell, FitObserver& host, int settle_ms);

}  // namespace velmor::app
