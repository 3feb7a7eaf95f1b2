#pragma once

// Drives the real program in tests: the shell runs its start-up and command loop as the
// toolkit's main routine while a driver thread plays the user through the toolkit's test input
// (menu items, buttons, close boxes), and a RecordingResponder answers every dialog.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/command_codes.h"
#include "app/model_dialog.h"
#include "app/shell.h"
#include "gui/test_input.h"
#include "gui/test_responder.h"
#include "gui/wintk.h"

namespace velmor::app::testing {

using namespace std::chrono_literals;

// Polls until pred holds or the time is up.
inline bool wait_for(const std::function<bool()>& pred,
                     std::chrono::milliseconds limit = std::chrono::milliseconds(20000)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (pred()) return true;
    std::this_thread::sleep_for(2ms);
  }
  return pred();
}

inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh folder under the temporary folder, removed with its contents at the end.
class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("velmor_app_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Copies the example data file into the folder under the given name and returns its path.
inline std::string copy_example(const TempFolder& folder, const std::string& name) {
  const std::string target = folder / name;
  std::filesystem::copy_file(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN", target,
                             std::filesystem::copy_options::overwrite_existing);
  return target;
}

// The user at the keyboard, acting on a running shell from the driver thread.
class User {
 public:
  explicit User(Shell& shell) : shell_(shell) {}

  int main_window() const { return shell_.shell().main_window; }

  // Chooses a menu entry and waits until its handler has finished. False when the entry is
  // greyed (nothing happens then) or the handler did not finish in time.
  bool choose(Entry entry) {
    const int before = shell_.commands_handled();
    const int item = shell_.shell().menu.item_id(entry);
    if (!wintk::test_input::trigger_menu_item(main_window(), item)) return false;
    return wait_for([&] { return shell_.commands_handled() > before; });
  }

  // Chooses a menu entry whose handler opens "Select Models"; returns when the dialog waits.
  bool choose_and_wait_for_dialog(Entry entry) {
    const int item = shell_.shell().menu.item_id(entry);
    if (!wintk::test_input::trigger_menu_item(main_window(), item)) return false;
    return wait_for_dialog();
  }

  // Posts a command code as a menu callback would and waits for its handler.
  bool command(int code) {
    const int before = shell_.commands_handled();
    shell_.post_command(code);
    return wait_for([&] { return shell_.commands_handled() > before; });
  }

  bool wait_for_dialog() {
    return wait_for([&] { return shell_.shell().model_dialog_window >= 0; });
  }

  // Clicks a control of "Select Models" (the current window while it waits). A radio button
  // checks itself at once; Product, Substrate and Clear are waited for until the dialog has
  // carried them out.
  void click(int control) {
    ASSERT_TRUE(wintk::test_input::click_control(control));
    wintk::test_input::flush_gui_events();
    std::array<int, kModelCount> expected{};
    if (control == kProductButton) expected = {1, 1, 0, 0};
    if (control == kSubstrateButton) expected = {0, 0, 1, 1};
    if (control != kProductButton && control != kSubstrateButton && control != kClearButton) {
      return;
    }
    ASSERT_TRUE(wait_for([&] {
      for (int k = 0; k < kModelCount; ++k) {
        if (shell_.shell().model_flags[k] != expected[k]) return false;
      }
      return true;
    }));
  }

  // Clicks Close and waits until the handler that opened the dialog has finished.
  bool close_dialog() {
    const int before = shell_.commands_handled();
    if (!wintk::test_input::click_control(kCloseButton)) return false;
    return wait_for([&] { return shell_.commands_handled() > before; });
  }

  // Picks models through the dialog: Product (1, 2), Substrate (3, 4) or one radio button.
  bool select_models(int control) {
    if (!choose_and_wait_for_dialog(Entry::kModels)) return false;
    click(control);
    return close_dialog();
  }

  bool enabled(Entry entry) const {
    return wintk::test_input::menu_item_enabled(main_window(), shell_.shell().menu.item_id(entry));
  }

 private:
  Shell& shell_;
};

// Closes every other window that appears while it runs (the plot windows of a run), as the
// user's click on the close box would, and counts them. `on_window` runs first for each one.
class PlotCloser {
 public:
  PlotCloser(int main_window, std::function<void(int)> on_window = {})
      : main_window_(main_window), on_window_(std::move(on_window)), thread_([this] { run(); }) {}
  ~PlotCloser() {
    stop_ = true;
    thread_.join();
  }
  PlotCloser(const PlotCloser&) = delete;
  PlotCloser& operator=(const PlotCloser&) = delete;

  int closed() const { return closed_; }

 private:
  void run() {
    std::set<int> seen;
    while (!stop_) {
      for (int id = main_window_ + 1; id < main_window_ + 64; ++id) {
        if (seen.count(id) || !wintk::isvalidwindow(id)) continue;
        seen.insert(id);
        // Let the window draw itself once before it goes.
        std::this_thread::sleep_for(150ms);
        wintk::test_input::flush_gui_events();
        if (on_window_) on_window_(id);
        wintk::test_input::request_user_close(id);
        ++closed_;
      }
      std::this_thread::sleep_for(5ms);
    }
  }

  int main_window_;
  std::function<void(int)> on_window_;
  std::atomic<bool> stop_{false};
  std::atomic<int> closed_{0};
  std::thread thread_;
};

// Runs the program with `options` and plays `script` against it; the script ends with the
// program still running, then Quit is chosen and the program must end with status 0.
// `while_starting` runs on the driver thread before start-up has finished.
inline void run_program(ShellOptions options, const std::function<void(Shell&, User&)>& script,
                        const std::function<void(Shell&)>& while_starting = {}) {
  static int argc = 1;
  static char name[] = "app_tests";
  static char* argv[] = {name, nullptr};
  wintk::run_application(argc, argv, [&] {
    Shell shell(std::move(options));
    std::thread driver([&] {
      if (while_starting) while_starting(shell);
      if (!wait_for([&] { return shell.started(); })) {
        ADD_FAILURE() << "the program did not start";
        return;
      }
      User user(shell);
      script(shell, user);
      if (shell.shell().model_dialog_window >= 0) user.close_dialog();
      EXPECT_TRUE(user.command(kCmdQuit));
    });
    const int status = shell.run();
    driver.join();
    EXPECT_EQ(status, 0);
    return 0;
  });
}

// Options for tests: no splash wait, no pauses around the closing line.
inline ShellOptions quick_options() {
  ShellOptions options;
  options.splash_ms = 0;
  options.settle_ms = 0;
  return options;
}

// The messages the program showed, as "title|text".
inline std::vector<std::string> messages(const wintk::RecordingResponder& responder) {
  std::vector<std::string> out;
  for (const auto& r : responder.requests()) {
    if (r.kind == wintk::DialogKind::kMessage) out.push_back(r.title + "|" + r.text);
  }
  return out;
}

}  // namespace velmor::app::testing
