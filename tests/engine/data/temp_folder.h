#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace velmor::testing {

// A fresh folder for one test's files, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velmor_data_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot create a temporary folder";
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

  // Writes the text (bytes as given) and returns the file's full name.
  std::string write(const std::string& name, const std::string& text) const {
    const std::string full = file(name);
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream(full, std::ios::binary) << text;
    return full;
  }

 private:
  std::filesystem::path path_;
};

// Lines "t So y" for `points` rows of one curve.
inline std::string curve_rows(double so, int points, double slope = 1.0) {
  std::string text;
  for (int i = 0; i < points; ++i) {
    text += std::to_string(10.0 * i) + " " + std::to_string(so) + " " +
            std::to_string(slope * i + 0.5) + "\n";
  }
  return text;
}

}  // namespace velmor::testing
