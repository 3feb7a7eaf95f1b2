// SPDX-License-Identifier: MIT

#pragma once

// The shell runs as the toolkit's main routine while a driver thread plays the user.

#include <atomic>
#include <filesystem>
#include <set>

#include "../gui/gui_test_support.h"
#include "app/model_dialog.h"
#include "app/shell.h"
#include "gui/test_responder.h"
#include "temp_folder.h"

namespace velmor::app::testing {

using namespace std::chrono_literals;
using velmor::testing::read_file;
using velmor::testing::TempFolder;

inline bool wait_for(const std::function<bool()>& pred, std::chrono::milliseconds limit = 20s) {
  return wintk::testing::eventually(pred, limit);
}

inline std::string copy_example(const TempFolder& folder, const std::string& name) {
  std::filesystem::copy_file(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN", folder.file(name));
  return folder.file(name);
}

// An editor for $VISUAL that records "argument count|first argument" in `record`.
inline std::string recording_editor(const TempFolder& folder, const std::string& record) {
  return "/bin/sh " +
         folder.write("editor.sh", R"(printf '%s|%s' "$#" "$1" > ")" + record + "\"\n");
}

class User {
 public:
  explicit User(Shell& shell) : shell_(shell) {}
  int main_window() const { return shell_.shell().main_window; }
  bool enabled(Entry entry) const {
    return wintk::test_input::menu_item_enabled(main_window(), shell_.shell().menu.item_id(entry));
  }
  // Chooses an entry and waits until its handler has finished; false if greyed or too slow.
  bool choose(Entry entry) {
    const int before = shell_.commands_handled();
    return trigger(entry) && handled_after(before);
  }
  bool choose_and_wait_for_dialog(Entry entry) {
    return trigger(entry) && wait_for([&] { return shell_.shell().model_dialog_window >= 0; });
  }
  // Clicks a control of "Select Models"; Product, Substrate and Clear are waited for.
  void click(int control) {
    ASSERT_TRUE(wintk::test_input::click_control(control));
    if (control < kProductButton || control > kClearButton) return;
    const int product = control == kProductButton, substrate = control == kSubstrateButton;
    const int expected[kModelCount] = {product, product, substrate, substrate};  // 5-8 clear
    ASSERT_TRUE(wait_for([&] {
      return std::equal(expected, expected + kModelCount, shell_.shell().model_flags.begin());
    }));
  }
  // Clicks Close and waits until the handler that opened the dialog has finished.
  bool close_dialog() {
    const int before = shell_.commands_handled();
    return wintk::test_input::click_control(kCloseButton) && handled_after(before);
  }
  bool open(wintk::RecordingResponder& responder, const std::string& path) {
    responder.queue_answer({true, path});
    return choose(Entry::kOpenData);
  }
  bool select_models(int control) {
    if (!choose_and_wait_for_dialog(Entry::kModels)) return false;
    click(control);
    return close_dialog();
  }

 private:
  bool handled_after(int before) {
    return wait_for([&] { return shell_.commands_handled() > before; });
  }
  bool trigger(Entry entry) {
    return wintk::test_input::trigger_menu_item(main_window(), shell_.shell().menu.item_id(entry));
  }
  Shell& shell_;
};

// Closes (by `close`, else the close box) and counts every new window after `on_window` saw it.
class PlotCloser {
 public:
  using Close = std::function<bool(int)>;
  // `settle`: how long a new window is left to draw before `on_window` and `close` see it.
  explicit PlotCloser(int main_window, std::function<void(int)> on_window = {}, Close close = {},
                      std::chrono::milliseconds settle = 150ms)
      : main_(main_window),
        on_window_(std::move(on_window)),
        close_(close ? std::move(close) : Close(wintk::test_input::request_user_close)),
        settle_(settle),
        thread_([this] { run(); }) {}
  ~PlotCloser() {
    stop_ = true;
    thread_.join();
  }
  int closed() const { return closed_; }
  bool closed_becomes(int n) const {
    return wait_for([&] { return closed_ == n; });
  }

 private:
  void run() {
    std::set<int> seen;
    while (!stop_) {
      for (int id = main_ + 1; id < main_ + 1024; ++id) {
        if (seen.count(id) || !wintk::isvalidwindow(id)) continue;
        seen.insert(id);
        std::this_thread::sleep_for(settle_);
        if (on_window_) on_window_(id);
        if (close_(id)) ++closed_;
      }
      std::this_thread::sleep_for(5ms);
    }
  }
  int main_;
  std::function<void(int)> on_window_;
  Close close_;
  std::chrono::milliseconds settle_;
  std::atomic<bool> stop_{false};
  std::atomic<int> closed_{0};
  std::thread thread_;
};

// Runs the program and plays `script` (after `while_starting`), then Quit; it must end with 0.
inline void run_program(ShellOptions options, const std::function<void(Shell&, User&)>& script,
                        const std::function<void(Shell&)>& while_starting = {}) {
  static int argc = 1;
  static char name[] = "app_tests";
  static char* argv[] = {name, nullptr};
  wintk::run_application(argc, argv, [&] {
    Shell shell(std::move(options));
    std::thread driver([&] {
      if (while_starting) while_starting(shell);
      ASSERT_TRUE(wait_for([&] { return shell.started(); })) << "the program did not start";
      // The user's thread reads and fills the main window's controls (its own current window).
      wintk::setcurrentwindow(shell.shell().main_window);
      User user(shell);
      script(shell, user);
      if (shell.shell().model_dialog_window >= 0) user.close_dialog();
      EXPECT_TRUE(shell.ended() || user.choose(Entry::kQuitBar));
    });
    EXPECT_EQ(shell.run(), 0);
    driver.join();
    return 0;
  });
}

// No splash, no pauses, and no size kept from or for another session.
inline ShellOptions quick_options() {
  ShellOptions options;
  options.splash_ms = 0;
  options.settle_ms = 0;
  options.settings_file.clear();
  return options;
}

inline std::vector<std::string> messages(const wintk::RecordingResponder& responder) {
  std::vector<std::string> out;
  for (const auto& r : responder.requests()) {
    if (r.kind == wintk::DialogKind::kMessage) out.push_back(r.title + "|" + r.text);
  }
  return out;
}

inline std::string last_message(const wintk::RecordingResponder& responder) {
  const std::vector<std::string> shown = messages(responder);
  return shown.empty() ? "" : shown.back();
}

}  // namespace velmor::app::testing
