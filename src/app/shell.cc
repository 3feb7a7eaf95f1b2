// SPDX-License-Identifier: MIT

#include "app/shell.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/info_screens.h"
#include "app/info_texts.h"
#include "app/model_dialog.h"
#include "app/plate_setup_dialog.h"
#include "app/results_text.h"
#include "app/run_command.h"
#include "engine/core/file_units.h"
#include "engine/data/run_data.h"
#include "gui/wintk.h"

namespace velmor::app {
namespace {

namespace fs = std::filesystem;

// True when both names lead to one file (links and other spellings of the path included).
bool same_file(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

// The working folder, or an empty string if it cannot be read.
std::string working_folder() {
  std::error_code ec;
  const fs::path folder = fs::current_path(ec);
  return ec ? std::string() : folder.string();
}

// The kinds of data files the program reads, as Open offers them.
const std::vector<wintk::FileType> kDataFileTypes = {
    {"Velmor-TARN data", "*.in *.IN"},
    {"Tables: CSV, TSV or text", "*.csv *.tsv *.txt *.CSV *.TSV *.TXT"},
    {"EnzymeML documents", "*.json *.JSON"},
};

}  // namespace

std::string save_name_for(std::string_view data_file_name) {
  const std::size_t slash = data_file_name.find_last_of('/');
  const std::size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t dot = data_file_name.find_last_of('.');
  if (dot == std::string_view::npos || dot < name_start) {
    return std::string(data_file_name) + ".txt";
  }
  return std::string(data_file_name.substr(0, dot + 1)) + "txt";
}

std::string summary_name_for(std::string_view data_file_name) {
  const std::size_t slash = data_file_name.find_last_of('/');
  const std::size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t dot = data_file_name.find_last_of('.');
  const std::size_t end =
      dot == std::string_view::npos || dot < name_start ? data_file_name.size() : dot;
  return std::string(data_file_name.substr(0, end)) + "-summary.csv";
}

Shell::Shell(ShellOptions options)
    : options_(std::move(options)), host_(shell_.filenamedata, shell_.windows, options_.plots) {}

Shell::~Shell() {
  wintk::setprogramendcallback({});
}

void Shell::post_command(int code) {
  *shell_.menu_choice = code;
  wintk::signalidle(shell_.main_window);
}

WindowSize first_main_window_size(int screen_width, int screen_height,
                                  std::optional<WindowSize> remembered, int report_width,
                                  int menu_width) {
  WindowSize size;
  if (remembered) {
    size = *remembered;
  } else {
    size.width = std::max({static_cast<int>(0.5 * screen_width), report_width, menu_width});
    size.height = static_cast<int>(0.5 * screen_height);
  }
  size.width = std::max(1, std::min(size.width, screen_width));
  size.height = std::max(1, std::min(size.height, screen_height));
  return size;
}

void Shell::save_window_size() const {
  const WindowSize size{main_size_->width, main_size_->height};
  if (size.width > 0 && size.height > 0) app::save_window_size(options_.settings_file, size);
}

void Shell::start_up() {
  wintk::setapplicationdpiaware();
  const int screen_width = wintk::getmaxwidth();
  const int screen_height = wintk::getmaxheight();
  const int width = static_cast<int>(0.5 * screen_width);
  const int height = static_cast<int>(0.5 * screen_height);
  // Closing the main window with its close box ends the program at once. It is shown once its
  // menus, text box and size are in place.
  shell_.main_window = wintk::initwindow(width, height, kProgramTitle, width / 2, height / 2, false,
                                         true, -1, false);
  if (shell_.main_window < 0) return;
  // The main window's close box ends the program from any point of a run: the files then open
  // are closed first, and the unfinished run's report is dropped with its lock, so the previous
  // report stays whole. Should the run not come by the toolkit in time, the lock file goes all
  // the same.
  wintk::setprogramendcallback([this] {
    shell_.units.close_all();
    shell_.run_report.discard();
    save_window_size();
  });
  shell_.windows.child_windows = plot::PlotWindows::free_window_table();
  shell_.windows.idactivewin = shell_.main_window;
  wintk::setactivepage(wintk::getactivepage());
  wintk::setwindowtitle(kProgramTitle);

  // The callbacks wake the main window's own idle event: a plot or dialog may be the current
  // window while they run, or none for a moment while one closes. Quit also ends any plot on
  // the screen, so that the command that shows it can end.
  if (options_.plots.set_displays_ended) options_.plots.set_displays_ended(false);
  shell_.menu.build([choice = shell_.menu_choice, main = shell_.main_window.load(),
                     end_plots = options_.plots.set_displays_ended](int command) {
    *choice = command;
    if (command == kCmdQuit && end_plots) end_plots(true);
    wintk::signalidle(main);
  });

  wintk::setcolor(wintk::creatergb(0, 0, 0));
  wintk::setbkcolor(wintk::creatergb(255, 255, 255));
  wintk::clearviewport();
  wintk::settextstyle(6, 0, wintk::scaledpi(14));
  shell_.menu.set_all(initial_entry_states());
  shell_.weighting = kNoWeighting;

  // The report is shown line for line: a window narrower than its lines scrolls sideways.
  shell_.text_box =
      wintk::createmultilinetextbox(kTextBoxMargin, kTextBoxMargin, width - 2 * kTextBoxMargin,
                                    height - 2 * kTextBoxMargin, false);
  wintk::enabletextbox(shell_.text_box, true);
  // The box shows the report; typing in it would change what Save writes.
  wintk::settextboxreadonly(shell_.text_box, true);

  const WindowSize size = first_main_window_size(
      screen_width, screen_height, load_window_size(options_.settings_file),
      wintk::gettextboxwidthfor(shell_.text_box, std::string(kReportColumns, '0')) +
          2 * kTextBoxMargin,
      wintk::getmenubarwidth());
  // The text box follows the window's size (GUI thread, the main window current).
  wintk::enableresize([box = shell_.text_box, shared = main_size_] {
    const int w = wintk::getmaxx() + 1;
    const int h = wintk::getmaxy() + 1;
    wintk::setcontrolbounds(box, kTextBoxMargin, kTextBoxMargin, w - 2 * kTextBoxMargin,
                            h - 2 * kTextBoxMargin);
    shared->width = w;
    shared->height = h;
  });
  wintk::setclientsize(size.width, size.height);
  wintk::showwindow(shell_.main_window);

  splash(shell_.main_window, options_.splash_ms);

  wintk::setbkcolor(wintk::creatergb(0x99, 0xCC, 0xFF));
  wintk::resetviewport();
  wintk::clearviewport();
  shell_.results_unit = kShellResultsUnit;
  *shell_.menu_choice = kCmdStart;
  shell_.data_file_open = false;
}

int Shell::run() {
  start_up();
  if (shell_.main_window < 0) return 1;
  started_ = true;
  const int main = shell_.main_window;
  for (;;) {
    wintk::waitidle(main, 3);
    wintk::refreshall();
    const int code = *shell_.menu_choice;
    dispatch(code);
    // A command chosen while the handler ran is dropped, except Quit: the program ends once the
    // handler is done (a Run ends its fit and closes its report first).
    const int pending = shell_.menu_choice->exchange(kCmdIdle);
    if (code == kCmdQuit || pending == kCmdQuit) {
      if (code != kCmdQuit) on_quit();
      save_window_size();
      if (code != kCmdIdle && code != kCmdStart) ++handled_;
      ended_ = true;
      return 0;
    }
    editors_.reap();
    // Counted only now, so that a command posted by someone who saw the count is not
    // overwritten by the idle code. The idle polls are not commands.
    if (code != kCmdIdle && code != kCmdStart) ++handled_;
    wintk::signalidle(main);
    wintk::refreshall();
    wintk::waitidle(main, -1);
  }
}

void Shell::dispatch(int code) {
  switch (code) {
    case kCmdQuit:
      on_quit();
      break;
    case kCmdRun:
      run_command(shell_, host_, options_.settle_ms);
      break;
    case kCmdSave:
      on_save();
      break;
    case kCmdPrint:
      on_edit(shell_.results_file_name, Entry::kPrintResults);
      break;
    case kCmdOpen:
      on_open();
      break;
    case kCmdAbout:
      about();
      break;
    case kCmdModels:
      models();
      break;
    case kCmdClear:
      on_clear();
      break;
    case kCmdExample:
      examplefile();
      break;
    case kCmdMechanism:
      mechanism();
      break;
    case kCmdPlot:
      on_plot(false);
      break;
    case kCmdData:
      on_edit(shell_.data_file_name, Entry::kEditDataFile);
      break;
    case kCmdWeightOn:
      on_weight(true);
      break;
    case kCmdWeightOff:
      on_weight(false);
      break;
    case kCmdModelLibrary:
      model_lib(shell_);
      break;
    case kCmdResiduals:
      on_plot(true);
      break;
    case kCmdHelp:
      help();
      break;
    case kCmdExportSummary:
      on_export_summary();
      break;
    default:  // the idle code, the start value and codes without a command
      break;
  }
}

void Shell::on_open() {
  MainMenu& menu = shell_.menu;
  std::string folder = working_folder();
  std::error_code ec;
  if (!folder.empty()) fs::current_path(folder, ec);
  std::string name = folder + "/";
  if (!wintk::dlgopenfile(name, kDataFileTypes, "Enter data file")) {
    // The file loaded before stays loaded.
    if (shell_.data_file_open) return;
    shell_.data_file_name = "DATA.IN";
    menu.set({Entry::kClear, Entry::kClearDisplay, Entry::kOpenData, Entry::kOpenDataFile},
             {Entry::kRun, Entry::kRunCurveFit});
    shell_.data_file_open = false;
    return;
  }
  folder = working_folder();
  if (!folder.empty()) fs::current_path(folder, ec);
  shell_.filenamepath = folder;
  // The name keeps its case: on this platform file names are case-sensitive. The plots' data
  // file name (filenamedata) stays that of the data they show until a run of this file succeeds.
  shell_.data_file_name = name;
  wintk::setwindowtitle(name);
  // An instrument export, a long table by curve id or an EnzymeML document: how to read it is
  // asked at once, with a layout found beside the data filled in.
  shell_.import_options = {};
  if (reads_as_import(name, shell_.import_options)) plate_setup(shell_, name);
  menu.set({Entry::kOpenData, Entry::kRun, Entry::kWeight, Entry::kClear, Entry::kFile,
            Entry::kEditDataFile, Entry::kRunCurveFit, Entry::kOpenDataFile, Entry::kModelLibrary,
            Entry::kClearDisplay, Entry::kAboutBar, Entry::kAboutFile, Entry::kQuitBar,
            Entry::kQuitFile},
           {Entry::kXyPlot, Entry::kResiduals, Entry::kSaveResults, Entry::kPrintResults,
            Entry::kXyPlotFile});
  shell_.data_file_open = true;
}

// Edit Data File and Print Results: the file in the user's editor, or the entry greyed when
// the file is missing.
void Shell::on_edit(const std::string& file_name, Entry entry) {
  const int unit = shell_.units.unit_of(file_name);
  if (unit >= 0) shell_.units.close(unit);
  if (file_name.empty() || !file_name_exists(file_name)) {
    shell_.menu.set({}, {entry});
    return;
  }
  const std::string error = editors_.open(file_name);
  if (!error.empty()) wintk::dlgmessage(kWarning, error);
}

// A cancelled, refused or failed Save changes no menu entry, so the user can try again.
void Shell::on_save() {
  file_close_by_name(shell_.results_unit, shell_.data_file_name, shell_.units);
  std::string name = save_name_for(shell_.data_file_name);
  if (!wintk::dlgsavefile(name, "*.txt", "*.txt", "Save Data")) return;
  if (same_file(name, shell_.data_file_name)) {
    wintk::dlgmessage(kWarning, std::string(kMsgSaveOverData) + name);
    return;
  }
  if (file_name_exists(name) && !wintk::dlgquestion("Save Data", name + kMsgReplaceQuestion)) {
    return;
  }
  const std::string text = wintk::gettextboxcontents(shell_.text_box);
  std::string why;
  if (!writelines(name, text, &why)) {
    wintk::dlgmessage(kWarning, "The results could not be saved to " + name + "\r\n" + why);
    return;
  }
  shell_.menu.set({Entry::kFile, Entry::kPrintResults, Entry::kAboutFile, Entry::kQuitFile,
                   Entry::kOpenDataFile, Entry::kModelLibrary, Entry::kClearDisplay,
                   Entry::kXyPlotFile, Entry::kOpenData, Entry::kWeight, Entry::kClear,
                   Entry::kXyPlot, Entry::kResiduals, Entry::kQuitBar, Entry::kAboutBar},
                  {Entry::kSaveResults});
}

// The last completed run's summary table (run_summary.h), CSV or, by its name, JSON. A
// cancelled, refused or failed export changes nothing.
void Shell::on_export_summary() {
  if (!shell_.last_run) {
    shell_.menu.set({}, {Entry::kExportSummary});
    return;
  }
  const FileResult& run = *shell_.last_run;
  std::string name = summary_name_for(run.data_file);
  if (!wintk::dlgsavefile(name, "*.csv", "Summary tables", "Export Summary")) return;
  if (same_file(name, run.data_file) || same_file(name, run.report_file)) {
    wintk::dlgmessage(kWarning, std::string(kMsgSummaryOverRun) + name);
    return;
  }
  if (file_name_exists(name) &&
      !wintk::dlgquestion("Export Summary", name + kMsgReplaceSummaryQuestion)) {
    return;
  }
  std::string error;
  if (!write_summary(name, {&run, 1}, &error)) wintk::dlgmessage(kWarning, error);
}

void Shell::on_clear() {
  MainMenu& menu = shell_.menu;
  if (!shell_.data_file_open) {
    menu.set({}, {Entry::kClear, Entry::kClearDisplay});
    return;
  }
  cleartext(shell_.text_box);
  shell_.weighting = kNoWeighting;
  menu.set(
      {Entry::kFile, Entry::kRunCurveFit, Entry::kAboutFile, Entry::kQuitFile, Entry::kOpenDataFile,
       Entry::kModelLibrary, Entry::kWeightOn, Entry::kOpenData, Entry::kRun, Entry::kWeight,
       Entry::kQuitBar, Entry::kAboutBar},
      {Entry::kEditDataFile, Entry::kSaveResults, Entry::kPrintResults, Entry::kClearDisplay,
       Entry::kXyPlotFile, Entry::kWeightOff, Entry::kClear, Entry::kXyPlot, Entry::kResiduals});
  shell_.data_file_open = true;
}

void Shell::on_weight(bool robust) {
  shell_.weighting = robust ? kRobustWeighting : kNoWeighting;
  if (robust) {
    shell_.menu.set({Entry::kWeight, Entry::kWeightOff}, {Entry::kWeightOn});
  } else {
    shell_.menu.set({Entry::kWeight, Entry::kWeightOn}, {Entry::kWeightOff});
  }
}

void Shell::on_plot(bool residuals) {
  wintk::startidle(500);
  wintk::refreshall();
  // Before any completed run there is nothing to draw.
  if (shell_.shown.data.nRows < 1) return;
  const auto& plot = residuals ? options_.plots.resplot : options_.plots.xyplot;
  if (plot) plot(shell_.shown, shell_.filenamedata, shell_.windows);
}

// The main window is closed by the toolkit once the main routine has returned and the last
// callback threads have finished: a callback still on its way (a second click) must find a
// current window to wake, or the toolkit would end the program with an error box.
void Shell::on_quit() {
  file_close_by_unit(shell_.results_unit, shell_.units);
}

}  // namespace velmor::app
