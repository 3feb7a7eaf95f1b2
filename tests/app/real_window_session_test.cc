// The real-window session: under Xvfb (tests/support/xvfb_screenshots.sh, QT_QPA_PLATFORM=xcb) the
// program opens the example, fits models 1 and 2, closing each plot, and the main window with its
// report and the first plot window are photographed into VELMOR_SCREENSHOT_DIR (the build folder
// under ctest). Without that variable the test is skipped; the offscreen runs cover the same steps.
#include <cstdlib>
#include <set>

#include "gui/bmp_file.h"
#include "shell_test_support.h"

namespace velmor::app {
namespace {

using testing::TempFolder;
using testing::User;

// Distinct colours in a picture: a blank or failed grab has one or two.
std::size_t colour_count(const wintk::PixelBuffer& picture) {
  return std::set<std::uint32_t>(picture.pixels.begin(), picture.pixels.end()).size();
}

// Waits for the server to map and paint the window, then writes its picture (with the menu
// bar); false if it could not be written or shows next to nothing.
bool photograph(int window, const std::string& path) {
  for (int i = 0; i < 10; ++i) {
    wintk::test_input::flush_gui_events();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const wintk::PixelBuffer picture = wintk::test_input::grab_screen(window, true);
  EXPECT_GT(colour_count(picture), 3u) << path;
  return wintk::bmp::write_bmp(path, picture);
}

TEST(AppRealWindow, ExampleRunWithScreenshots) {
  const char* dir = std::getenv("VELMOR_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP() << "set VELMOR_SCREENSHOT_DIR to take the screenshots";
  const std::filesystem::path shots = dir;
  const std::string main_shot = (shots / "velmor_main_window.bmp").string();
  const std::string plot_shot = (shots / "velmor_plot_window.bmp").string();
  TempFolder folder;
  const std::string data = testing::copy_example(folder, "DATA.IN");
  wintk::RecordingResponder responder;
  ShellOptions options;
  options.splash_ms = 1500;  // long enough to be seen, short enough for a test
  options.settle_ms = 0;
  testing::run_program(options, [&](Shell& shell, User& user) {
    ASSERT_TRUE(user.select_models(kProductButton));
    responder.queue_answer({true, data});
    ASSERT_TRUE(user.choose(Entry::kOpenData));
    bool plot_written = false;
    {
      testing::PlotCloser closer(user.main_window(), [&](int window) {
        if (!plot_written) plot_written = photograph(window, plot_shot);
      });
      ASSERT_TRUE(user.choose(Entry::kRun));
      EXPECT_EQ(closer.closed(), 2);
    }
    EXPECT_TRUE(plot_written);
    EXPECT_NE(wintk::gettextboxcontents(shell.shell().text_box).find("SAVED TO: "),
              std::string::npos);
    EXPECT_TRUE(photograph(user.main_window(), main_shot));
  });
  EXPECT_TRUE(std::filesystem::exists(main_shot));
  EXPECT_TRUE(std::filesystem::exists(plot_shot));
  std::printf("screenshots: %s %s\n", main_shot.c_str(), plot_shot.c_str());
}

}  // namespace
}  // namespace velmor::app
