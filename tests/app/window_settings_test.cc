// SPDX-License-Identifier: MIT
// The main window's size kept between sessions, and the first size of the main window.
#include "app/window_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/shell.h"
#include "temp_folder.h"

namespace velmor::app {
namespace {

// The file under XDG_CONFIG_HOME (absolute only), else under HOME; written whole, read back;
// anything but a sensible size is not a size.
TEST(WindowSettings, WhereTheSizeIsKeptAndWhatCountsAsOne) {
  const velmor::testing::TempFolder folder;
  const std::string home = folder.path().string();
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
  EXPECT_EQ(window_settings_file(), home + "/.config/velmor-tarn/window.conf");
  ::setenv("XDG_CONFIG_HOME", (home + "/xdg").c_str(), 1);
  const std::string file = window_settings_file();
  EXPECT_EQ(file, home + "/xdg/velmor-tarn/window.conf");

  EXPECT_FALSE(load_window_size(file));
  ASSERT_TRUE(save_window_size(file, {913, 604}));
  EXPECT_EQ(velmor::testing::read_file(file), "main-window-size 913 604\n");
  EXPECT_EQ(load_window_size(file), (WindowSize{913, 604}));
  EXPECT_EQ(velmor::testing::file_names_in(std::filesystem::path(file).parent_path()),
            (std::set<std::string>{"window.conf"}));  // no temporary file left beside it
  for (const char* bad :
       {"main-window-size 0 600\n", "main-window-size 800\n", "main-window-size 800 600 1\n",
        "main-window-size 800 x\n", "main-window-size 800 100001\n"}) {
    folder.write("xdg/velmor-tarn/window.conf", bad);
    EXPECT_FALSE(load_window_size(file)) << bad;
  }
  folder.write("xdg/velmor-tarn/window.conf", "other 1\n  main-window-size 700 500\n");
  EXPECT_EQ(load_window_size(file), (WindowSize{700, 500}));
  EXPECT_FALSE(save_window_size("", {1, 1}));
  ::unsetenv("XDG_CONFIG_HOME");
}

// Half the screen, widened for the report and the menu bar; the kept size wins; the screen caps.
TEST(WindowSettings, FirstSizeOfTheMainWindow) {
  EXPECT_EQ(first_main_window_size(1280, 990, std::nullopt, 720, 600), (WindowSize{720, 495}));
  EXPECT_EQ(first_main_window_size(1280, 990, std::nullopt, 500, 660), (WindowSize{660, 495}));
  EXPECT_EQ(first_main_window_size(1920, 1050, std::nullopt, 720, 600), (WindowSize{960, 525}));
  EXPECT_EQ(first_main_window_size(1024, 740, WindowSize{300, 200}, 720, 600),
            (WindowSize{300, 200}));
  EXPECT_EQ(first_main_window_size(1024, 740, WindowSize{3000, 2000}, 720, 600),
            (WindowSize{1024, 740}));
  EXPECT_EQ(first_main_window_size(640, 480, std::nullopt, 720, 600), (WindowSize{640, 240}));
}

}  // namespace
}  // namespace velmor::app
