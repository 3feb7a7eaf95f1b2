// SPDX-License-Identifier: MIT
// The texts of the results box and the information screens, and saving the box.
#include "app/results_text.h"

#include <fstream>
#include <sstream>

#include "app/info_texts.h"
#include "shell_test_support.h"

namespace velmor::app {
namespace {

// The first line is skipped, trailing blanks go, lines are cut at 100 and end in CR+LF.
TEST(ReportForBox, SkipsTheFirstLineAndCutsAtOneHundred) {
  const std::pair<std::string, std::string> cases[] = {
      {"   only line\n", ""},
      {"\n\n   TITLE   \nlast", "\r\n   TITLE\r\nlast\r\n"},
      {"x\n" + std::string(100, 'a') + std::string(30, 'b') + "\n", std::string(100, 'a') + "\r\n"},
      {"x\r\na  \r\nb\r\n", "a\r\nb\r\n"}};
  for (const auto& [file, box] : cases) {
    std::istringstream in(file);
    EXPECT_EQ(report_text_for_box(in), box) << file;
  }
}

// The name Save proposes replaces the extension of the file itself only.
TEST(SaveName, ReplacesTheExtensionOfTheFileItselfOnly) {
  EXPECT_EQ(save_name_for("/home/a.b/Run.2.in") + save_name_for("/home/a.b/data"),
            "/home/a.b/Run.2.txt/home/a.b/data.txt");
}

// One record replaces the file; nothing is written through a link or in place of a folder.
TEST(Writelines, WritesOneRecordAndLeavesRefusedNamesAlone) {
  testing::TempFolder folder;
  const std::string name = folder.write("saved.txt", "old contents longer than the new ones\n");
  ASSERT_TRUE(writelines(name, "line 1\r\nline 2\r\n   "));
  EXPECT_EQ(testing::read_file(name), "line 1\r\nline 2\r\n\n");
  ASSERT_TRUE(writelines(name, ""));
  EXPECT_EQ(testing::read_file(name), "\n");  // an empty text box: one empty record

  std::filesystem::create_symlink(name, folder.file("link.txt"));
  std::string error;
  EXPECT_FALSE(writelines(folder.file("link.txt"), "text", &error));
  EXPECT_EQ(error, "The output file is a symbolic link, which is not written through: " +
                       folder.file("link.txt"));
  EXPECT_EQ(testing::read_file(name), "\n");
  EXPECT_FALSE(writelines(folder.path().string(), "text", &error) ||
               writelines(folder.file("no such folder/saved.txt"), "text", &error));
  EXPECT_TRUE(std::filesystem::is_directory(folder.path()));
  EXPECT_NE(error.find("no such folder/saved.txt"), std::string::npos);
}

// Every screen fits its buffer uncut; the example screen shows the bundled DATA.IN.
TEST(ScreenText, FitsItsBufferUncutAndShowsTheBundledExample) {
  EXPECT_EQ(join_screen_lines({"abc", "de"}, 4), "abc\r");
  const std::pair<std::string (*)(), std::size_t> screens[] = {
      {model_library_text, kModelLibraryBuffer},
      {example_file_text, kExampleFileBuffer},
      {help_text, kHelpBuffer},
      {mechanism_text, kMechanismBuffer},
      {about_text, kAboutBuffer}};
  for (const auto& [text, buffer] : screens) EXPECT_LT(text().size(), buffer) << text();
  EXPECT_EQ(
      example_data_lines(),
      velmor::testing::lines_of(std::ifstream(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN")));
}

}  // namespace
}  // namespace velmor::app
