// SPDX-License-Identifier: MIT
#include "app/window_settings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "util/atomic_file.h"

namespace velmor::app {
namespace {

constexpr const char* kSizeKey = "main-window-size";
constexpr int kLargestSize = 100000;

bool absolute_folder(const char* value) {
  return value != nullptr && value[0] == '/';
}

}  // namespace

std::string window_settings_file() {
  std::filesystem::path folder;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); absolute_folder(config)) {
    folder = config;
  } else if (const char* home = std::getenv("HOME"); absolute_folder(home)) {
    folder = std::filesystem::path(home) / ".config";
  } else {
    return {};
  }
  return (folder / "velmor-tarn" / "window.conf").string();
}

std::optional<WindowSize> load_window_size(const std::string& file) {
  if (file.empty()) return std::nullopt;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string key;
    WindowSize size;
    std::string rest;
    if (!(words >> key) || key != kSizeKey) continue;
    if (!(words >> size.width >> size.height) || (words >> rest)) return std::nullopt;
    if (size.width < 1 || size.height < 1 || size.width > kLargestSize ||
        size.height > kLargestSize) {
      return std::nullopt;
    }
    return size;
  }
  return std::nullopt;
}

bool save_window_size(const std::string& file, WindowSize size) {
  if (file.empty()) return false;
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(file).parent_path(), error);
  std::ostringstream text;
  text << kSizeKey << ' ' << size.width << ' ' << size.height << '\n';
  return util::write_file_atomically(file, text.str());
}

}  // namespace velmor::app
