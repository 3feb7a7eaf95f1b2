#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace velmor::testing {

// A fresh folder holding a copy of examples/DATA.IN, removed afterwards.
class ExampleDataFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("velmor_driver_" + std::string(info->test_suite_name()) + "_" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::copy_file(std::filesystem::path(VELMOR_EXAMPLES_DIR) / "DATA.IN",
                               dir_ / "DATA.IN");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string data_path() const { return (dir_ / "DATA.IN").string(); }
  std::string report_path() const { return (dir_ / "DATA.out").string(); }

  static std::vector<std::string> read_lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  std::filesystem::path dir_;
};

}  // namespace velmor::testing
