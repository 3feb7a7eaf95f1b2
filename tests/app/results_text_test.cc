// Loading a report into the text box and saving the text box.
#include "app/results_text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "shell_test_support.h"

namespace velmor::app {
namespace {

struct ReportCase {
  const char* name;
  std::string file;
  std::string box;
};

class ReportForBox : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ReportForBox, SkipsTheFirstLineAndCutsAtOneHundred) {
  std::istringstream file(GetParam().file);
  EXPECT_EQ(report_text_for_box(file), GetParam().box);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, ReportForBox,
    ::testing::Values(
        ReportCase{"Empty", "", ""}, ReportCase{"OneLine", "   only line\n", ""},
        ReportCase{"FirstLineSkipped", "\n\n   TITLE   \nlast", "\r\n   TITLE\r\nlast\r\n"},
        ReportCase{"LongLineCut", "x\n" + std::string(100, 'a') + std::string(30, 'b') + "\n",
                   std::string(100, 'a') + "\r\n"},
        ReportCase{"BlanksBeforeTheCutRemoved", "x\n" + std::string(98, 'a') + "   zz\n",
                   std::string(98, 'a') + "\r\n"},
        ReportCase{"CrLfLines", "x\r\na  \r\nb\r\n", "a\r\nb\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

class Writelines : public ::testing::Test {
 protected:
  testing::TempFolder folder_;
  FileUnits units_;
};

TEST_F(Writelines, WritesTheTextAsOneRecordReplacingTheFile) {
  const std::string name = folder_ / "saved.txt";
  std::ofstream(name) << "old contents that are longer than the new ones\n";
  ASSERT_TRUE(writelines(90, name, "line 1\r\nline 2\r\n   ", units_));
  EXPECT_EQ(testing::read_file(name), "line 1\r\nline 2\r\n\n");
  EXPECT_EQ(units_.connected_count(), 0);
}

TEST_F(Writelines, EmptyTextGivesOneEmptyRecord) {
  const std::string name = folder_ / "empty.txt";
  ASSERT_TRUE(writelines(90, name, "", units_));
  EXPECT_EQ(testing::read_file(name), "\n");
}

TEST_F(Writelines, UnwritablePlaceFailsAndLeavesNoUnitOpen) {
  EXPECT_FALSE(writelines(90, folder_ / "no such folder/saved.txt", "text", units_));
  EXPECT_FALSE(writelines(90, folder_.path().string(), "text", units_));  // a folder
  EXPECT_EQ(units_.connected_count(), 0);
  EXPECT_TRUE(std::filesystem::is_directory(folder_.path()));
}

TEST_F(Writelines, BusyUnitIsNotTakenOver) {
  const std::string other = folder_ / "other.txt";
  ASSERT_TRUE(units_.open(90, other, FileMode::kWrite));
  const std::string name = folder_ / "saved.txt";
  ASSERT_TRUE(writelines(90, name, "text", units_));
  EXPECT_TRUE(units_.is_connected(90));
  EXPECT_EQ(units_.name_of(90), other);
  EXPECT_EQ(testing::read_file(name), "text\n");
}

}  // namespace
}  // namespace velmor::app
