// SPDX-License-Identifier: MIT

#include "app/run_command.h"

#include <chrono>
#include <optional>
#include <thread>

#include "app/batch/batch_run.h"
#include "app/batch/exit_status.h"
#include "app/info_screens.h"
#include "app/info_texts.h"
#include "app/model_dialog.h"
#include "app/results_text.h"
#include "engine/core/prefixed_host.h"
#include "engine/data/model_type_check.h"
#include "engine/data/run_data.h"
#include "engine/driver/fit_status.h"
#include "engine/driver/velmor.h"
#include "gui/wintk.h"

namespace velmor::app {
namespace {

void pause_ms(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// After a completed run: the report into the text box, then its closing line added, and only
// then the report file replaced (so the box shows the report as the driver left it, and the
// file is never seen without its closing line). A report that cannot be written is reported and
// the program goes on; the box and the fit's data stay, so Save Results can keep them elsewhere.
// True when the report was written.
bool show_report(ShellState& shell, PendingReport& report, int settle_ms) {
  write_report_to_textbox(shell.text_box, report.text());
  pause_ms(settle_ms);
  append_closing_line(report);
  const bool written = report.commit();
  pause_ms(settle_ms);
  if (!written) {
    wintk::dlgmessage(kInformation, std::string(kMsgTextboxWriteError) + "\r\n" + report.error());
  } else {
    shell.results_file_name = report.destination();
  }
  if (shell.shown.global_mdl_count == 1) wintk::settextboxcursorposition(shell.text_box, 0);
  wintk::startidle(400);
  wintk::refreshall();
  return written;
}

// What the plots show between runs: the data, model and data file of the last successful run.
struct ShownFit {
  ProgressCurveData data;
  std::optional<ParamVector> params;
  ModelId model = 0;
  std::string model_name;
  std::string data_file;
};

ShownFit shown_fit(const ShellState& shell) {
  const RunResult& shown = shell.shown;
  return {shown.data, shown.fitted_params, shown.imdlno, shown.strmdl, shell.filenamedata};
}

void show_again(ShellState& shell, ShownFit fit) {
  shell.shown.data = std::move(fit.data);
  shell.shown.fitted_params = fit.params;
  shell.shown.imdlno = fit.model;
  shell.shown.strmdl = std::move(fit.model_name);
  shell.filenamedata = std::move(fit.data_file);
}

// What the menus and dialogs ask the run to do.
RunRequest request_of(const ShellState& shell) {
  RunRequest request;
  for (int k = 0; k < kModelCount; ++k) request.imdl[k] = shell.model_flags[k].load();
  request.nwt_global = shell.weighting.load();
  request.fit_method = shell.fit_method.load();
  request.baseline_free = shell.baseline_free.load();
  request.import_options = shell.import_options;
  return request;
}

// The menus after a run, whatever its outcome.
void finish_run(ShellState& shell) {
  wintk::setwindowtitle(kProgramTitle);
  shell.menu.set({Entry::kFile, Entry::kEditDataFile, Entry::kRunCurveFit, Entry::kSaveResults,
                  Entry::kPrintResults, Entry::kAboutFile, Entry::kQuitFile, Entry::kOpenDataFile,
                  Entry::kModelLibrary, Entry::kClearDisplay, Entry::kXyPlotFile, Entry::kOpenData,
                  Entry::kRun, Entry::kWeight, Entry::kClear, Entry::kXyPlot, Entry::kResiduals,
                  Entry::kQuitBar, Entry::kAboutBar},
                 {});
  shell.data_file_open = true;
}

// The run of an instrument export, long table or EnzymeML document: each group a fit of its
// own, its messages naming the group, its report written and shown below the previous group's.
// XY_Plot and Residuals then show the last group fitted with success.
void run_groups(ShellState& shell, const RunRequest& request, FitObserver& host, int settle_ms,
                ShownFit last_success) {
  FileUnits units;  // the reader closes what it opens
  const PreparedRun run =
      prepare_run(shell.data_file_name, request.import_options, host, units, host.console_log());
  FileResult file;
  file.data_file = shell.data_file_name;
  file.status = run.status;
  bool any_written = false;
  for (const PreparedData& set : run.sets) {
    PrefixedHost group_host(host, group_prefix(set.description.group));
    if (set.refusal.empty() && !model_type_plausible(set.data, shell.shown.imdlno, group_host)) {
      show_again(shell, std::move(last_success));
      model_lib(shell);
      return;
    }
    FileResult part;
    part.data_file = shell.data_file_name;
    part.group = set.description.group;
    part.record.data = set.data;
    part.record.description = set.description;
    RunRecord record;
    part.status = velmor(request, shell.shown, group_host, set, shell.run_report, &record);
    part.rows = shell.shown.idat;
    part.curves = shell.shown.idatasets;
    if (report_complete(part.status)) {
      wintk::setwindowtitle(kTitleSaving);
      if (show_report(shell, shell.run_report, settle_ms)) {
        part.report_file = shell.results_file_name;
        part.record = std::move(record);
        any_written = true;
      }
    }
    if (part.status == kStatusCompleted) last_success = shown_fit(shell);
    shell.run_report.discard();
    file.status = more_serious_status(file.status, part.status);
    file.groups.push_back(std::move(part));
    wintk::setwindowtitle(kTitleComputing);
  }
  show_again(shell, std::move(last_success));
  if (any_written) {
    shell.last_run = std::move(file);
    shell.menu.set({Entry::kExportSummary}, {});
  }
}

}  // namespace

void run_command(ShellState& shell, FitObserver& host, int settle_ms) {
  MainMenu& menu = shell.menu;
  cleartext(shell.text_box);
  if (selected_model_count(shell) == 0) {
    model_lib(shell);
    return;
  }
  if (!shell.data_file_open) {
    menu.set({}, {Entry::kRun, Entry::kRunCurveFit});
    wintk::dlgmessage(kInformation, kMsgNoDataFile);
    shell.data_file_open = false;
    return;
  }
  const bool by_groups = reads_as_import(shell.data_file_name, shell.import_options);
  // A file that has gone or cannot be read passes here; the driver then refuses it with its
  // own messages ("File does not exist: "). Imported data are checked group by group.
  if (!by_groups &&
      !model_type_plausible(shell.data_file_name, shell.shown.imdlno, host, shell.units)) {
    model_lib(shell);
    return;
  }

  const int data_unit = shell.units.unit_of(shell.data_file_name);
  if (data_unit >= 0) shell.units.close(data_unit);
  file_close_by_unit(shell.results_unit, shell.units);
  wintk::setwindowtitle(kTitleComputing);
  const RunRequest request = request_of(shell);
  ShownFit last_success = shown_fit(shell);
  shell.filenamedata = shell.data_file_name;
  if (by_groups) {
    run_groups(shell, request, host, settle_ms, std::move(last_success));
    finish_run(shell);
    return;
  }
  PendingReport& report = shell.run_report;
  RunRecord record;
  const int status = velmor(request, shell.shown, host, shell.data_file_name, report, &record);
  // A failed run may have left its own data half in place: XY_Plot and Residuals go on showing
  // the last successful run, under that run's file name.
  if (status != kStatusCompleted) show_again(shell, std::move(last_success));

  // When every fit failed the report is still complete, and it says why.
  if (report_complete(status)) {
    wintk::setwindowtitle(kTitleSaving);
    if (show_report(shell, report, settle_ms)) {
      // What Export Summary writes, the same table as the batch mode's --summary.
      shell.last_run =
          FileResult{shell.data_file_name,  shell.results_file_name, status, {}, shell.shown.idat,
                     shell.shown.idatasets, std::move(record),       {},     {}};
      menu.set({Entry::kExportSummary}, {});
    }
  } else if (status == kStatusTooManyParameters || status == kStatusModelColumns) {
    models();
  }
  report.discard();  // a refused or failed run's lock, and the text of any run
  finish_run(shell);
}

}  // namespace velmor::app
