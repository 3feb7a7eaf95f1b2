#include "engine/core/file_units.h"

#include <gtest/gtest.h>
#include <unistd.h>

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

  fs::path dir_;
};

TEST_F(FileUnitsTest, WriteAppendReadThroughUnits) {
  const std::string name = path("report.out");
  {
    FileUnits units;
    ASSERT_TRUE(units.open(15, name, FileMode::kWrite));
    *units.stream(15) << "first\n";
    units.close(15);
    ASSERT_TRUE(units.open(15, name, FileMode::kAppend));
    *units.stream(15) << "second\n";
    ASSERT_TRUE(units.open(16, name, FileMode::kRead));
    EXPECT_EQ(units.name_of(16), name);
    units.close(15);
  }  // the table closes unit 16 here
  EXPECT_EQ(contents(name), "first\nsecond\n");

  FileUnits units;
  ASSERT_TRUE(units.open(20, name, FileMode::kWrite));
  units.close_all();
  EXPECT_EQ(contents(name), "");  // replace empties the file
  EXPECT_EQ(units.connected_count(), 0);
}

TEST_F(FileUnitsTest, DestroyingTheTableFlushesAndClosesEveryFile) {
  const std::string name = path("a.txt");
  {
    FileUnits units;
    ASSERT_TRUE(units.open(30, name, FileMode::kWrite));
    *units.stream(30) << "kept";
  }
  EXPECT_EQ(contents(name), "kept");
}

TEST_F(FileUnitsTest, RefusedOpensLeaveTheUnitFree) {
  FileUnits units;
  EXPECT_FALSE(units.open(20, path("missing.in"), FileMode::kRead));
  EXPECT_FALSE(units.open(20, dir_.string(), FileMode::kRead));
  EXPECT_FALSE(units.open(20, dir_.string(), FileMode::kWrite));
  EXPECT_FALSE(units.open(20, path("no/such/folder/x.out"), FileMode::kWrite));
  EXPECT_FALSE(units.open(0, path("zero.out"), FileMode::kWrite));
  EXPECT_FALSE(units.is_connected(20));
  EXPECT_EQ(units.stream(20), nullptr);
  EXPECT_FALSE(fs::exists(path("zero.out")));
}

TEST_F(FileUnitsTest, ReopeningAUnitClosesItsPreviousFile) {
  FileUnits units;
  ASSERT_TRUE(units.open(20, path("one.txt"), FileMode::kWrite));
  ASSERT_TRUE(units.open(20, path("two.txt"), FileMode::kWrite));
  EXPECT_FALSE(file_open_by_name(path("one.txt"), units));
  EXPECT_TRUE(file_open_by_name(path("two.txt"), units));
}

TEST_F(FileUnitsTest, NamesAreComparedAsPaths) {
  FileUnits units;
  ASSERT_TRUE(units.open(40, path("data.in"), FileMode::kWrite));
  const std::string roundabout = (dir_ / "sub" / ".." / "." / "data.in").string();
  EXPECT_EQ(units.unit_of(roundabout), 40);
  EXPECT_EQ(units.unit_of(path("data.out")), -1);

  file_close_by_name(40, path("other.in"), units);  // not connected: nothing closes
  EXPECT_TRUE(units.is_connected(40));
  file_close_by_name(40, roundabout, units);
  EXPECT_FALSE(units.is_connected(40));
  file_close_by_unit(40, units);  // closing a free unit is harmless
}

TEST_F(FileUnitsTest, FileNameExists) {
  std::ofstream(path("here.in")) << "1 2 3\n";
  EXPECT_TRUE(file_name_exists(path("here.in")));
  EXPECT_TRUE(file_name_exists(dir_.string()));
  EXPECT_FALSE(file_name_exists(path("gone.in")));
  EXPECT_FALSE(file_name_exists(""));
}

TEST_F(FileUnitsTest, GetUnitSearchesUpwardSkippingTheConsoleUnits) {
  FileUnits units;
  EXPECT_EQ(get_unit(20, units), 20);
  EXPECT_EQ(get_unit(15, units), 15);
  EXPECT_EQ(get_unit(5, units), 5);  // console units come back unchanged
  EXPECT_EQ(get_unit(6, units), 6);
  EXPECT_EQ(get_unit(9, units), 9);
  EXPECT_EQ(get_unit(3, units), 103);  // low starts are raised by 100
  EXPECT_EQ(get_unit(0, units), 100);

  ASSERT_TRUE(units.open(20, path("a"), FileMode::kWrite));
  ASSERT_TRUE(units.open(21, path("b"), FileMode::kWrite));
  EXPECT_EQ(get_unit(20, units), 22);
}

TEST_F(FileUnitsTest, GetUnitKeepsTheStartWhenAllHundredAreTaken) {
  FileUnits units;
  for (int unit = 10; unit < 110; ++unit) {
    ASSERT_TRUE(units.open(unit, path("u" + std::to_string(unit)), FileMode::kWrite));
  }
  EXPECT_EQ(get_unit(10, units), 10);
  EXPECT_EQ(get_unit(11, units), 110);
}

TEST_F(FileUnitsTest, NuunitCountsDownFromHundred) {
  FileUnits units;
  EXPECT_EQ(nuunit(100, units), 99);
  EXPECT_EQ(nuunit(0, units), 100);
  ASSERT_TRUE(units.open(100, path("a"), FileMode::kWrite));
  ASSERT_TRUE(units.open(99, path("b"), FileMode::kWrite));
  EXPECT_EQ(nuunit(0, units), 98);
  for (int unit = 10; unit <= 98; ++unit) {
    ASSERT_TRUE(units.open(unit, path("u" + std::to_string(unit)), FileMode::kWrite));
  }
  EXPECT_EQ(nuunit(0, units), -1);
  units.close(10);
  EXPECT_EQ(nuunit(10, units), -1);
  EXPECT_EQ(nuunit(0, units), 10);
}

}  // namespace
}  // namespace velmor
