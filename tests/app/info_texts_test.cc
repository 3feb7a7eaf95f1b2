// The fixed texts of the information screens.
#include "app/info_texts.h"

#include <fstream>

#include "shell_test_support.h"

namespace velmor::app {
namespace {

// A screen's lines are joined by CR+LF and cut at its buffer's length; every screen's text fits
// its buffer, so none is cut.
TEST(ScreenText, FitsItsBufferUncut) {
  EXPECT_EQ(join_screen_lines({"abc", "de"}, 4), "abc\r");
  const std::pair<std::string (*)(), std::size_t> screens[] = {
      {model_library_text, kModelLibraryBuffer},
      {example_file_text, kExampleFileBuffer},
      {help_text, kHelpBuffer},
      {mechanism_text, kMechanismBuffer},
      {about_text, kAboutBuffer}};
  for (const auto& [text, buffer] : screens) EXPECT_LT(text().size(), buffer) << text();
}

// The example screen's data lines are the bundled DATA.IN.
TEST(ScreenText, ExampleDataIsTheBundledFile) {
  std::ifstream bundled(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN");
  std::vector<std::string> file_lines;
  for (std::string line; std::getline(bundled, line);) file_lines.push_back(line);
  EXPECT_EQ(example_data_lines(), file_lines);
}

}  // namespace
}  // namespace velmor::app
