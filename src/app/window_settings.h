// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

// The main window's size, kept between sessions in a small settings file of the user's:
// $XDG_CONFIG_HOME/velmor-tarn/window.conf, or ~/.config/velmor-tarn/window.conf where
// XDG_CONFIG_HOME is unset or not an absolute path. The file holds one line,
// "main-window-size WIDTH HEIGHT" (the client area in pixels), and is replaced whole when
// written.
namespace velmor::app {

struct WindowSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const WindowSize&, const WindowSize&) = default;
};

// The settings file's name; empty when neither XDG_CONFIG_HOME nor HOME names an absolute folder.
std::string window_settings_file();

// The size the file holds; nullopt when there is no file, no such line, or a size that is not
// two whole numbers from 1 to 100000.
std::optional<WindowSize> load_window_size(const std::string& file);

// Writes the size (making the file's folder when needed); false when it could not be written.
bool save_window_size(const std::string& file, WindowSize size);

}  // namespace velmor::app
