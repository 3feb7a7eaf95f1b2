// SPDX-License-Identifier: MIT
// Under Xvfb and openbox: repeated runs, plots closed by their close box, windows photographed.
#include <cstdlib>

#include "gui/bmp_file.h"
#include "shell_test_support.h"

namespace velmor::app {
namespace {

using namespace std::chrono_literals;
using testing::TempFolder;
using testing::User;
using testing::wait_for;

// Writes the window's picture once the server has painted it; a blank grab has few colours.
bool photograph(int window, const std::filesystem::path& path) {
  for (int i = 0; i < 10; ++i) {
    wintk::test_input::flush_gui_events();
    std::this_thread::sleep_for(50ms);
  }
  const wintk::PixelBuffer picture = wintk::test_input::grab_screen(window, true);
  EXPECT_GT(std::set(picture.pixels.begin(), picture.pixels.end()).size(), 3u) << path;
  return wintk::bmp::write_bmp(path.string(), picture);
}

// Clicks the title bar's close box with xdotool; false while the window has no frame yet.
bool click_close_box(int window) {
  wintk::test_input::Rect frame;
  int title = 0;
  if (!wait_for(
          [&] {
            frame = wintk::test_input::frame_geometry(window);
            return (title = wintk::test_input::window_geometry(window).y - frame.y) >= 8;
          },
          3s)) {
    return false;
  }
  return std::system(("xdotool mousemove " + std::to_string(frame.x + frame.width - title / 2 - 2) +
                      " " + std::to_string(frame.y + title / 2) + " sleep 0.05 click 1")
                         .c_str()) == 0;
}

// Shown as the server says (Qt's view can be wrong if the manager withdrew it), on the screen.
bool shown_on_screen(int id) {
  const std::string viewable = "xwininfo -id " +
                               std::to_string(wintk::test_input::native_handle(id)) +
                               " 2>/dev/null | grep -q 'Map State: IsViewable'";
  const bool shown = wait_for([&] {
    return (wintk::test_input::is_exposed(id) && std::system(viewable.c_str()) == 0) ||
           !wintk::isvalidwindow(id);
  });
  std::this_thread::sleep_for(50ms);  // the manager's frame settles
  return shown && wintk::testing::inside(wintk::test_input::frame_geometry(id),
                                         wintk::test_input::screen_geometry(id));
}

TEST(AppRealWindow, RepeatedRunsClosingEveryPlotByItsTitleBar) {
  const char* dir = std::getenv("VELMOR_SCREENSHOT_DIR");
  if (!dir || !std::getenv("VELMOR_WINDOW_MANAGER")) GTEST_SKIP() << "needs an X server";
  const std::filesystem::path shots = dir;
  const char* cycles_text = std::getenv("VELMOR_SESSION_CYCLES");
  const int cycles = cycles_text ? std::atoi(cycles_text) : 30;
  TempFolder folder;
  const std::string data = testing::copy_example(folder, "DATA.IN");
  wintk::RecordingResponder responder;
  ShellOptions options = testing::quick_options();
  options.splash_ms = 1500;  // long enough to be seen, short enough for a test
  testing::run_program(options, [&](Shell&, User& user) {
    ASSERT_TRUE(user.select_models(kProductButton));
    ASSERT_TRUE(user.open(responder, data));
    std::atomic<int> not_shown{0}, close_refused{0};
    bool plot_written = false;
    testing::PlotCloser closer(
        user.main_window(),
        [&](int id) {
          not_shown += !shown_on_screen(id);
          if (!plot_written) plot_written = photograph(id, shots / "velmor_plot_window.bmp");
        },
        [&](int id) {
          // A plot its close box did not close is counted, then closed so the session goes on.
          if (click_close_box(id) && wait_for([&] { return !wintk::isvalidwindow(id); }))
            return true;
          ++close_refused;
          wintk::test_input::request_user_close(id);
          return false;
        });
    int completed = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
      if (!user.choose(Entry::kRun)) break;
      if (++completed == 1) {
        EXPECT_TRUE(photograph(user.main_window(), shots / "velmor_main_window.bmp"));
      }
    }
    EXPECT_TRUE(plot_written);
    EXPECT_EQ(completed, cycles) << "a run did not end";
    EXPECT_TRUE(closer.closed_becomes(2 * cycles)) << closer.closed();
    EXPECT_EQ(std::pair(not_shown.load(), close_refused.load()), std::pair(0, 0))
        << "plots not shown on the screen, not closed by their close box";
  });
}

}  // namespace
}  // namespace velmor::app
