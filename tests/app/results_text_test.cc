// Loading a report into the text box and saving the text box.
#include "app/results_text.h"

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
        ReportCase{"OneLine", "   only line\n", ""},
        ReportCase{"FirstLineSkipped", "\n\n   TITLE   \nlast", "\r\n   TITLE\r\nlast\r\n"},
        ReportCase{"LongLineCut", "x\n" + std::string(100, 'a') + std::string(30, 'b') + "\n",
                   std::string(100, 'a') + "\r\n"},
        ReportCase{"BlanksBeforeTheCutRemoved", "x\n" + std::string(98, 'a') + "   zz\n",
                   std::string(98, 'a') + "\r\n"},
        ReportCase{"CrLfLines", "x\r\na  \r\nb\r\n", "a\r\nb\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Writelines, WritesOneRecordReplacingTheFileAndLeavesNoUnitOpen) {
  testing::TempFolder folder;
  FileUnits units;
  const std::string name = folder / "saved.txt";
  std::ofstream(name) << "old contents that are longer than the new ones\n";
  ASSERT_TRUE(writelines(90, name, "line 1\r\nline 2\r\n   ", units));
  EXPECT_EQ(testing::read_file(name), "line 1\r\nline 2\r\n\n");
  ASSERT_TRUE(writelines(90, name, "", units));
  EXPECT_EQ(testing::read_file(name), "\n");  // an empty text box: one empty record
  EXPECT_EQ(units.connected_count(), 0);

  // A unit that is in use is not taken over.
  ASSERT_TRUE(units.open(90, folder / "other.txt", FileMode::kWrite));
  ASSERT_TRUE(writelines(90, name, "text", units));
  EXPECT_EQ(units.name_of(90), folder / "other.txt");
  EXPECT_EQ(testing::read_file(name), "text\n");
}

TEST(Writelines, UnwritablePlaceFails) {
  testing::TempFolder folder;
  FileUnits units;
  EXPECT_FALSE(writelines(90, folder / "no such folder/saved.txt", "text", units));
  EXPECT_FALSE(writelines(90, folder.path().string(), "text", units));  // a folder
  EXPECT_EQ(units.connected_count(), 0);
}

}  // namespace
}  // namespace velmor::app
