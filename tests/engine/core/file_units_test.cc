#include "engine/core/file_units.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace velmor {
namespace {

namespace fs = std::filesystem;

class FileUnitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "velmor_units_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string contents(const std::string& name) {
    std::ifstream in(name);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Connects units first..last to files of their own.
  void fill(FileUnits& units, int first, int last) const {
    for (int unit = first; unit <= last; ++unit) {
      ASSERT_TRUE(units.open(unit, path("u" + std::to_string(unit)), FileMode::kWrite));
    }
  }

  fs::path dir_;
};

TEST_F(FileUnitsTest, WriteAppendReplaceAndCloseOnDestruction) {
  const std::string name = path("report.out");
  {
    FileUnits units;
    ASSERT_TRUE(units.open(15, name, FileMode::kWrite));
    *units.stream(15) << "first\n";
    ASSERT_TRUE(units.open(15, name, FileMode::kAppend));  // reopening closes (flushes) first
    *units.stream(15) << "second\n";
  }  // the table flushes and closes unit 15 here
  EXPECT_EQ(contents(name), "first\nsecond\n");

  FileUnits units;
  ASSERT_TRUE(units.open(20, name, FileMode::kWrite));
  units.close_all();
  EXPECT_EQ(contents(name), "");
  EXPECT_EQ(units.connected_count(), 0);
}

TEST_F(FileUnitsTest, RefusedOpensLeaveTheUnitFree) {
  FileUnits units;
  EXPECT_FALSE(units.open(20, path("missing.in"), FileMode::kRead));
  EXPECT_FALSE(units.open(20, dir_.string(), FileMode::kRead));
  EXPECT_FALSE(units.open(20, dir_.string(), FileMode::kWrite));
  EXPECT_FALSE(units.open(20, path("no/such/folder/x.out"), FileMode::kWrite));
  EXPECT_FALSE(units.open(0, path("zero.out"), FileMode::kWrite));
  EXPECT_EQ(units.stream(20), nullptr);
  EXPECT_FALSE(fs::exists(path("zero.out")));
}

// Opening a pipe blocks until its other end is opened, so a data file or report that is a pipe
// once hung the run; devices never end. Neither is connected in any mode.
TEST_F(FileUnitsTest, PipesAndDevicesAreRefusedWithoutBlocking) {
  const std::string pipe = path("pipe.in");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  FileUnits units;
  for (const FileMode mode : {FileMode::kRead, FileMode::kWrite, FileMode::kAppend}) {
    EXPECT_FALSE(units.open(20, pipe, mode));
    EXPECT_FALSE(units.open(21, "/dev/null", mode));
  }
  EXPECT_EQ(units.connected_count(), 0);
  fs::create_symlink(pipe, path("link.in"));
  EXPECT_FALSE(units.open(20, path("link.in"), FileMode::kRead));
}

TEST_F(FileUnitsTest, NamesAreComparedAsPaths) {
  FileUnits units;
  ASSERT_TRUE(units.open(40, path("data.in"), FileMode::kWrite));
  const std::string roundabout = (dir_ / "sub" / ".." / "." / "data.in").string();
  EXPECT_EQ(units.unit_of(roundabout), 40);
  EXPECT_FALSE(file_open_by_name(path("data.out"), units));
  EXPECT_FALSE(file_open_by_name("", units));
  EXPECT_TRUE(file_name_exists(path("data.in")));
  EXPECT_FALSE(file_name_exists(path("gone.in")));

  file_close_by_name(40, path("other.in"), units);  // not connected: nothing closes
  EXPECT_TRUE(units.is_connected(40));
  file_close_by_name(40, roundabout, units);
  EXPECT_FALSE(units.is_connected(40));
}

// get_unit searches upward from its start (raised by 100 below 9), skipping the console units
// 5, 6 and 9 and numbers below 1; nuunit counts down from 100 to 10.
TEST_F(FileUnitsTest, FreeUnitSearches) {
  FileUnits units;
  EXPECT_EQ(get_unit(20, units), 20);
  for (int console : {5, 6, 9}) EXPECT_EQ(get_unit(console, units), console);
  EXPECT_EQ(get_unit(3, units), 103);
  EXPECT_EQ(get_unit(-150, units), 1);
  EXPECT_EQ(nuunit(100, units), 99);
  fill(units, 20, 21);
  EXPECT_EQ(get_unit(20, units), 22);
  fill(units, 99, 100);
  EXPECT_EQ(nuunit(0, units), 98);
  fill(units, 10, 98);
  EXPECT_EQ(nuunit(0, units), -1);
  file_close_by_unit(10, units);
  EXPECT_EQ(nuunit(10, units), -1);
  EXPECT_EQ(nuunit(0, units), 10);
  fill(units, 10, 109);
  EXPECT_EQ(get_unit(10, units), 10);  // all hundred taken: the start comes back
  EXPECT_EQ(get_unit(11, units), 110);
}

}  // namespace
}  // namespace velmor
