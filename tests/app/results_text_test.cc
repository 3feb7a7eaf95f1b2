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

TEST(Writelines, WritesOneRecordReplacingTheFile) {
  testing::TempFolder folder;
  const std::string name = folder / "saved.txt";
  std::ofstream(name) << "old contents that are longer than the new ones\n";
  ASSERT_TRUE(writelines(name, "line 1\r\nline 2\r\n   "));
  EXPECT_EQ(testing::read_file(name), "line 1\r\nline 2\r\n\n");
  ASSERT_TRUE(writelines(name, ""));
  EXPECT_EQ(testing::read_file(name), "\n");  // an empty text box: one empty record
}

// Nothing is written through a link or in place of a folder, and the message names the file.
TEST(Writelines, RefusedNamesAreLeftAlone) {
  testing::TempFolder folder;
  const std::string target = folder / "target.txt";
  std::ofstream(target) << "kept\n";
  std::filesystem::create_symlink(target, folder / "link.txt");
  std::string error;
  EXPECT_FALSE(writelines(folder / "link.txt", "text", &error));
  EXPECT_EQ(error, "The output file is a symbolic link, which is not written through: " +
                       (folder / "link.txt"));
  EXPECT_EQ(testing::read_file(target), "kept\n");
  EXPECT_FALSE(writelines(folder.path().string(), "text", &error));
  EXPECT_TRUE(std::filesystem::is_directory(folder.path()));
  EXPECT_FALSE(writelines(folder / "no such folder/saved.txt", "text", &error));
  EXPECT_NE(error.find("no such folder/saved.txt"), std::string::npos);
}

}  // namespace
}  // namespace velmor::app
