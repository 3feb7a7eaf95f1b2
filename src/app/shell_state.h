// SPDX-License-Identifier: MIT

#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "app/batch/run_summary.h"
#include "app/command_codes.h"
#include "app/main_menu.h"
#include "engine/core/file_units.h"
#include "engine/core/global_types.h"
#include "engine/core/import_options.h"
#include "engine/core/limits.h"
#include "engine/core/pending_report.h"
#include "engine/core/run_result.h"
#include "plot/plot_windows.h"

namespace velmor::app {

// The unit the shell keeps for its results file.
inline constexpr int kShellResultsUnit = 100;

// The state of the application shell, owned by the Shell for the whole program and used on
// the main routine's thread. MenuChoice is written by the menu items' callback threads, which
// may still be running when the shell has gone, so they share it; the other atomics are read by
// callers on other threads (tests watching the program).
struct ShellState {
  std::shared_ptr<std::atomic<int>> menu_choice =
      std::make_shared<std::atomic<int>>(kCmdStart);  // MenuChoice, the pending command
  std::atomic<int> weighting{kNoWeighting};           // 0 none, 2 robust; the request of each run
  std::array<std::atomic<int>, kModelCount> model_flags{};  // 1 = fit model k + 1

  // The fit method chosen in Select Models (kClassicMethod or kFastMethod); the request of
  // each run.
  std::atomic<int> fit_method{kClassicMethod};
  // Chosen in Select Models: the baseline of models 2 and 4 may take either sign; the request of
  // each run.
  std::atomic<bool> baseline_free{false};

  std::atomic<int> main_window{-1};
  int text_box = -1;
  MainMenu menu;
  bool data_file_open = false;
  // The chosen data file with its path. Only Open changes it (a cancelled Open sets "DATA.IN").
  std::string data_file_name = "data.in";
  std::string results_file_name;  // set after a completed run, used by Print
  // The last run whose report was written, for Export Summary; empty before the first.
  std::optional<FileResult> last_run;
  int results_unit = kShellResultsUnit;

  // How the chosen data file is read when it is an instrument export, a long table or an
  // EnzymeML document: set by Plate Set-up (OpenData of such a file); the request of each run.
  // Main routine only.
  ImportOptions import_options;
  // The window id of "Plate Set-up" while it is open, else -1 (for tests and callers on other
  // threads).
  std::atomic<int> setup_dialog_window{-1};

  // The window id of "Select Models" while it waits for its Close button, else -1. Lets a test
  // or a caller on another thread see that the dialog is ready.
  std::atomic<int> model_dialog_window{-1};

  // The report of the run in progress (main routine only). Kept here rather than in the Run
  // handler so that closing the main window mid-run can release its lock: the program then ends
  // without unwinding the run, and the previous report stays as it was.
  PendingReport run_report;

  // The session's fits (main routine only). `shown` is what XY_Plot and Residuals show: the
  // result of the last successful run (a run writes into it, and one that fails has the last
  // success put back), whose generator states the next run continues. Select Models sets its
  // model number to the lowest model selected, the model the next run's plausibility check of
  // the data takes.
  RunResult shown;
  // The data file of the fit shown, for the plots' titles: the chosen file once a run of it
  // starts, the last successful run's again when it fails.
  std::string filenamedata = "Data.in";
  std::string filenamepath;  // the folder of the chosen data file
  // The main window and the dialogs open beside it (model_dialog.h), which a plot window closes
  // with it.
  plot::PlotWindows windows;
  // The shell's open files by unit number (the results text of Print and Save).
  FileUnits units;
};

// The number of selected models (the sum of the flags).
inline int selected_model_count(const ShellState& shell) {
  int count = 0;
  for (const auto& flag : shell.model_flags) count += flag.load();
  return count;
}

}  // namespace velmor::app
