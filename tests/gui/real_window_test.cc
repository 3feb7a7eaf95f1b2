// SPDX-License-Identifier: MIT
// On a real X server under Xvfb, else offscreen; the screenshot goes to WINTK_SCREENSHOT_DIR.
#include <cstdlib>
#include <filesystem>

#include "gui/bmp_file.h"
#include "gui_test_support.h"

namespace wintk {
namespace {

TEST(RealWindow, MenuBarAndTextBoxAppearInTheScreenshot) {
  const char* dir = std::getenv("WINTK_SCREENSHOT_DIR");
  const std::filesystem::path folder = dir ? dir : std::filesystem::temp_directory_path();
  const std::string path = (folder / "wintk_real_window.bmp").string();
  testing::run_gui([&] {
    const int window = initwindow(400, 300, "Velmor-TARN toolkit check");
    const int menu_bar = addmenu("");
    addmenuitem("Open", addmenu("File", menu_bar), [] {});
    addmenuitem("About", addmenu("Help", menu_bar), [] {});
    setbkcolor(creatergb(255, 255, 255));
    clearviewport();
    setfillstyle(1, creatergb(200, 0, 0));
    bar(300, 220, 389, 289);
    setcolor(0);
    settextstyle(1, 0, 16, 1);
    outtextxy(300, 200, "plot area");
    const int box = createmultilinetextbox(10, 10, 260, 200);
    inserttextboxtext(box, "Results of the last run\r\nKm = 1.25   Vm = 3.5");
    for (int i = 0; i < 10; ++i) {  // a real server maps and paints the window meanwhile
      test_input::flush_gui_events();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(test_input::client_size(window).height, 300);
    const PixelBuffer shot = test_input::grab_screen(window, true);
    ASSERT_FALSE(shot.empty());
    EXPECT_GT(shot.height, 300) << test_input::frame_size(window).height;  // menu bar above
    EXPECT_TRUE(bmp::write_bmp(path, shot));
    // The painted bar shows through at its place in the client area.
    const PixelBuffer on_screen = test_input::grab_screen(window);
    ASSERT_EQ(on_screen.width, 400);
    EXPECT_EQ(on_screen.at(340, 250), static_cast<std::uint32_t>(creatergb(200, 0, 0)));
    EXPECT_EQ(on_screen.at(390, 10), 0xFFFFFFu);
  });
  EXPECT_TRUE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace wintk
