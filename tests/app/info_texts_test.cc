// The fixed texts of the information screens.
#include "app/info_texts.h"

#include <algorithm>
#include <functional>
#include <sstream>

#include "engine/data/data_file.h"
#include "shell_test_support.h"

namespace velmor::app {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) return lines;
    start = end + 2;
  }
}

struct Screen {
  const char* name;
  std::function<std::string()> text;
  std::size_t buffer;
  const char* last_line;  // what the text ends with when nothing was cut
};

class ScreenText : public ::testing::TestWithParam<Screen> {};

TEST_P(ScreenText, FitsItsBufferUncut) {
  const std::string text = GetParam().text();
  EXPECT_LE(text.size(), GetParam().buffer);
  EXPECT_EQ(lines_of(text).back(), GetParam().last_line);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, ScreenText,
    ::testing::Values(
        Screen{"ModelLibrary", model_library_text, kModelLibraryBuffer,
               "o LER = Log(Evidence Ratio (WtMin/Wti)) of Akaike AICc weights"},
        Screen{"Example", example_file_text, kExampleFileBuffer, "360.0\t500.0\t123.469"},
        Screen{"Help", help_text, kHelpBuffer,
               "   13- Progress curve models are discribed in [File/Enzymatic Mechanism]."},
        Screen{"Mechanism", mechanism_text, kMechanismBuffer, "  Wiley-Blackwell, Weinheim."},
        Screen{"About", about_text, kAboutBuffer, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScreenText, HelpHasItsThirteenInstructionsAndMechanismSixReferences) {
  const auto help = lines_of(help_text());
  const auto heading = std::find(help.begin(), help.end(), " INSTRUCTIONS:");
  EXPECT_EQ(help.end() - heading, 15);  // the heading, an empty line, 13 instructions
  const auto mechanism = lines_of(mechanism_text());
  const auto references = std::find(mechanism.begin(), mechanism.end(), "Reference.: ");
  EXPECT_EQ(std::count_if(references, mechanism.end(),
                          [](const std::string& l) { return l.rfind("o ", 0) == 0; }),
            6);
}

// The example's data lines are the bundled DATA.IN; copied with the curve notes the column
// count refuses them.
TEST(ScreenText, ExampleDataIsAValidFileOnlyWithoutTheNotes) {
  std::ifstream bundled(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN");
  std::vector<std::string> file_lines;
  for (std::string line; std::getline(bundled, line);) file_lines.push_back(line);
  EXPECT_EQ(example_data_lines(), file_lines);

  testing::TempFolder folder;
  const auto shown = lines_of(example_file_text());
  std::ofstream(folder / "noted.in") << shown[10] << '\n' << shown[11] << '\n';
  FileUnits units;
  std::ostringstream log;
  EXPECT_GT(file_column_count(20, folder / "noted.in", units, log), 3);
}

}  // namespace
}  // namespace velmor::app
