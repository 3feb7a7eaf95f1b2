// The real-window session: under Xvfb with the openbox window manager
// (tests/support/xvfb_screenshots.sh: QT_QPA_PLATFORM=xcb, VELMOR_WINDOW_MANAGER set) the program
// opens the example and fits models 1 and 2 again and again, every plot window being closed by
// a mouse click on its title bar's close box, as a user does it. The first run photographs the
// main window with its report and the first plot window into VELMOR_SCREENSHOT_DIR (the build
// folder under ctest). Without those variables the test is skipped; the offscreen runs cover the
// same steps without a server.
#include <cstdlib>
#include <set>

#include "gui/bmp_file.h"
#include "shell_test_support.h"

namespace velmor::app {
namespace {

using testing::TempFolder;
using testing::User;
using testing::wait_for;

// Distinct colours in a picture: a blank or failed grab has one or two.
std::size_t colour_count(const wintk::PixelBuffer& picture) {
  return std::set<std::uint32_t>(picture.pixels.begin(), picture.pixels.end()).size();
}

// Waits for the server to map and paint the window, then writes its picture (with the menu
// bar); false if it could not be written or shows next to nothing.
bool photograph(int window, const std::filesystem::path& path) {
  for (int i = 0; i < 10; ++i) {
    wintk::test_input::flush_gui_events();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const wintk::PixelBuffer picture = wintk::test_input::grab_screen(window, true);
  EXPECT_GT(colour_count(picture), 3u) << path.string();
  return wintk::bmp::write_bmp(path.string(), picture);
}

// Clicks the close box at the right end of the window manager's title bar with the X server's
// own pointer (xdotool). False when the window has no title bar or the click could not be made.
bool click_close_box(int window) {
  wintk::test_input::Rect frame;
  wintk::test_input::Rect inner;
  int title_height = 0;
  // The frame is known to the program a moment after the window manager has put it up.
  const bool framed = wait_for(
      [&] {
        frame = wintk::test_input::frame_geometry(window);
        inner = wintk::test_input::window_geometry(window);
        title_height = inner.y - frame.y;
        return title_height >= 8;
      },
      std::chrono::seconds(3));
  if (!framed) return false;
  const int right_border = frame.x + frame.width - (inner.x + inner.width);
  const int x = inner.x + inner.width + right_border - title_height / 2 - 2;
  const int y = frame.y + title_height / 2;
  const std::string command =
      "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.05 click 1";
  return std::system(command.c_str()) == 0;
}

// What the X server itself says of the window: mapped and viewable (under a window manager,
// inside its frame). Qt's own view can be wrong after the window was withdrawn behind its back.
bool viewable_on_server(int window) {
  const std::string command =
      "xwininfo -id " + std::to_string(wintk::test_input::native_handle(window)) + " 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return false;
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  ::pclose(pipe);
  return output.find("Map State: IsViewable") != std::string::npos;
}

// What the session saw of the plot windows.
struct SessionCounts {
  std::atomic<int> never_shown{0};    // the server never showed it: the user could not close it
  std::atomic<int> off_screen{0};     // reaching beyond the screen
  std::atomic<int> close_refused{0};  // its close box did not close it
};

// Waits until the server shows the plot window and checks that it stands on the screen.
void check_shown(int id, SessionCounts& counts) {
  if (!wait_for(
          [&] {
            return (wintk::test_input::is_exposed(id) && viewable_on_server(id)) ||
                   !wintk::isvalidwindow(id);
          },
          std::chrono::seconds(10))) {
    ++counts.never_shown;
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the manager's frame settles
  const auto frame = wintk::test_input::frame_geometry(id);
  const auto screen = wintk::test_input::screen_geometry(id);
  if (frame.x < screen.x || frame.y < screen.y || frame.x + frame.width > screen.x + screen.width ||
      frame.y + frame.height > screen.y + screen.height) {
    ++counts.off_screen;
  }
}

// Closes the plot window by its close box; a window that is not gone afterwards (or was never
// shown) is counted and closed by the program, so that the session can go on and report it.
bool close_by_title_bar(int id, SessionCounts& counts) {
  if (click_close_box(id) &&
      wait_for([&] { return !wintk::isvalidwindow(id); }, std::chrono::seconds(10))) {
    return true;
  }
  ++counts.close_refused;
  wintk::test_input::request_user_close(id);
  return false;
}

// Run (Product) again and again; every plot window must appear on the screen and go when its
// close box is clicked, and every run must end. The first run's first plot and the main window
// with its report are photographed.
TEST(AppRealWindow, RepeatedRunsClosingEveryPlotByItsTitleBar) {
  const char* dir = std::getenv("VELMOR_SCREENSHOT_DIR");
  if (!dir || !std::getenv("VELMOR_WINDOW_MANAGER")) {
    GTEST_SKIP() << "runs only on a real X server with a window manager";
  }
  const std::filesystem::path shots = dir;
  const char* cycles_text = std::getenv("VELMOR_SESSION_CYCLES");
  const int cycles = cycles_text ? std::atoi(cycles_text) : 30;
  TempFolder folder;
  const std::string data = testing::copy_example(folder, "DATA.IN");
  wintk::RecordingResponder responder;
  ShellOptions options = testing::quick_options();
  options.splash_ms = 1500;  // long enough to be seen, short enough for a test
  testing::run_program(options, [&](Shell& shell, User& user) {
    ASSERT_TRUE(user.select_models(kProductButton));
    ASSERT_TRUE(user.open(responder, data));
    SessionCounts counts;
    bool plot_written = false;
    testing::PlotCloser closer(
        user.main_window(),
        [&](int id) {
          check_shown(id, counts);
          if (!plot_written) plot_written = photograph(id, shots / "velmor_plot_window.bmp");
        },
        [&](int id) { return close_by_title_bar(id, counts); });
    int completed = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
      if (!user.choose(Entry::kRun)) break;
      if (++completed == 1) {
        EXPECT_NE(wintk::gettextboxcontents(shell.shell().text_box).find("SAVED TO: "),
                  std::string::npos);
        EXPECT_TRUE(photograph(user.main_window(), shots / "velmor_main_window.bmp"));
      }
    }
    EXPECT_TRUE(plot_written);
    EXPECT_EQ(completed, cycles) << "a run did not end";
    EXPECT_TRUE(closer.closed_becomes(2 * cycles)) << closer.closed();
    EXPECT_EQ(counts.never_shown, 0) << "plot windows the server never showed";
    EXPECT_EQ(counts.close_refused, 0) << "plot windows their close box did not close";
    EXPECT_EQ(counts.off_screen, 0) << "plot windows reaching beyond the screen";
    std::printf("session: %d runs, %d plot windows closed by their title bar, %d never shown\n",
                completed, closer.closed(), counts.never_shown.load());
  });
}

}  // namespace
}  // namespace velmor::app
