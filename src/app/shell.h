// SPDX-License-Identifier: MIT

#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/editor_launcher.h"
#include "app/gui_host.h"
#include "app/shell_state.h"
#include "app/window_settings.h"
#include "engine/core/global_types.h"
#include "engine/core/run_result.h"

// The application shell: the main window with its menus and results text box, and the command
// loop that runs the handler of each menu command on the main routine's thread.
namespace velmor::app {

struct ShellOptions {
  int splash_ms = 10000;  // how long the splash window stays (closing it ends it earlier)
  int settle_ms = 1000;   // the Run command's pause before and after the closing line
  PlotCommands plots = library_plots();
  // Where the main window's size is kept between sessions (window_settings.h); empty: nowhere.
  std::string settings_file = window_settings_file();
};

// The report's widest lines: the text box is first made wide enough to show them whole.
inline constexpr int kReportColumns = 81;
// The text box's distance from the client area's edges.
inline constexpr int kTextBoxMargin = 5;

// The main window's first client size: the size kept from the last session if there is one,
// else half the screen made wide enough for the report's lines and the menu bar; never larger
// than the screen's usable area (screen_width x screen_height), nor smaller than 1 x 1.
WindowSize first_main_window_size(int screen_width, int screen_height,
                                  std::optional<WindowSize> remembered, int report_width,
                                  int menu_width);

// Save Results refuses the data file itself, and asks before replacing any other file.
inline constexpr const char* kMsgSaveOverData = "The results are not saved over the data file ";
inline constexpr const char* kMsgReplaceQuestion =
    " already exists.\r\nDo you want to replace it with the results?";
// Export Summary: the same refusal and question for the summary table.
inline constexpr const char* kMsgSummaryOverRun =
    "The summary is not written over the data file or report ";
inline constexpr const char* kMsgReplaceSummaryQuestion =
    " already exists.\r\nDo you want to replace it with the summary?";

// The name Export Summary proposes: beside the data file, its name without the extension
// followed by "-summary.csv" ("runs/DATA.IN" -> "runs/DATA-summary.csv").
std::string summary_name_for(std::string_view data_file_name);

// The name Save proposes: the data file's own name with its extension (the part after its last
// '.') replaced by "txt", or ".txt" appended when it has none; the folders are kept as they are.
std::string save_name_for(std::string_view data_file_name);

class Shell {
 public:
  explicit Shell(ShellOptions options = {});
  ~Shell();
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  // Start-up and the command loop, on the toolkit's main routine thread (inside
  // wintk::run_application). Returns 0 after Quit.
  int run();

  // What a menu item's callback does: stores the command code and wakes the loop. Any thread.
  void post_command(int code);

  // For callers on other threads (tests): true once start-up has finished, and the number of
  // commands the loop has handled. Everything the handlers wrote before a command counted may
  // be read once the count has been seen, until the next command is posted.
  bool started() const { return started_; }
  // True once run() has ended the program (Quit).
  bool ended() const { return ended_; }
  int commands_handled() const { return handled_; }
  const ShellState& shell() const { return shell_; }
  ShellState& shell() { return shell_; }
  // The result the plots show (ShellState::shown).
  const RunResult& result() const { return shell_.shown; }

 private:
  void start_up();
  void dispatch(int code);
  void on_open();
  void on_edit(const std::string& file_name, Entry entry);
  void on_save();
  void on_export_summary();
  void on_clear();
  void on_weight(bool robust);
  void on_plot(bool residuals);
  void on_quit();

  void save_window_size() const;

  ShellOptions options_;
  ShellState shell_;
  // The main window's client size as the user left it; written by its resize callback on the
  // GUI thread, which may run until the window is gone (after the shell), hence shared.
  struct SharedSize {
    std::atomic<int> width{0};
    std::atomic<int> height{0};
  };
  std::shared_ptr<SharedSize> main_size_ = std::make_shared<SharedSize>();
  GuiHost host_;
  EditorLauncher editors_;
  std::atomic<bool> started_{false};
  std::atomic<bool> ended_{false};
  std::atomic<int> handled_{0};
};

}  // namespace velmor::app
