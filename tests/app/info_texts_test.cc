// The fixed texts of the information screens.
#include "app/info_texts.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "engine/core/file_units.h"
#include "engine/data/data_file.h"

namespace velmor::app {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (true) {
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
  const char* last_line;  // what the text must end with when nothing was cut
};

class ScreenText : public ::testing::TestWithParam<Screen> {};

TEST_P(ScreenText, FitsItsBufferUncut) {
  const Screen& screen = GetParam();
  const std::string text = screen.text();
  EXPECT_LE(text.size(), screen.buffer);
  EXPECT_EQ(lines_of(text).back(), screen.last_line);
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

TEST(ScreenText, JoiningCutsAtTheBufferLength) {
  EXPECT_EQ(join_screen_lines({"abc", "de"}, 100), "abc\r\nde");
  EXPECT_EQ(join_screen_lines({"abc", "de"}, 4), "abc\r");
  EXPECT_EQ(join_screen_lines({}, 10), "");
}

TEST(ScreenText, LayoutOfTheScreens) {
  const auto library = lines_of(model_library_text());
  ASSERT_GE(library.size(), 4u);
  EXPECT_EQ(library[0], "");
  EXPECT_EQ(library[1], "");
  EXPECT_EQ(library[2],
            "NOTE: Data files require Time, [So], Product or Substrate data in 3 columns.");
  EXPECT_EQ(library[5], "   y = So - Km*OmegW((So/Km)*EXP((So-Vm*t)/Km))");

  const auto help = lines_of(help_text());
  EXPECT_EQ(help[2], "          VELMOR-TARN - Enzyme Progress Curve Modeling Software");
  const auto instructions = std::find(help.begin(), help.end(), " INSTRUCTIONS:");
  ASSERT_NE(instructions, help.end());
  EXPECT_EQ(help.end() - instructions, 15);  // the heading, an empty line, 13 instructions
  EXPECT_EQ(*(instructions + 2),
            "   1- Open a data file (filename.in) by selecting the [OpenData] menu.");

  const auto mechanism = lines_of(mechanism_text());
  EXPECT_EQ(mechanism[2], "Explicit, Closed-form Solutions to Progress Curves");
  const auto references = std::find(mechanism.begin(), mechanism.end(), "Reference.: ");
  ASSERT_NE(references, mechanism.end());
  EXPECT_EQ(std::count_if(references, mechanism.end(),
                          [](const std::string& l) { return l.rfind("o ", 0) == 0; }),
            6);

  const auto about = lines_of(about_text());
  EXPECT_EQ(about[0], "");
  EXPECT_EQ(about[1], "VELMOR-TARN - Enzyme Progress of Reaction Software");
  EXPECT_EQ(about[2], "");

  const auto example = lines_of(example_file_text());
  EXPECT_EQ(example[9], std::string(41, '~'));
  EXPECT_EQ(example[10], "0.0\t50.0\t0.534   <-- CURVE #1 [So]=50");
  EXPECT_EQ(example[19], "0.0\t100.0\t-0.641   <-- CURVE #2 [So]=100");
  EXPECT_EQ(example.size(), 37u);
}

// The example's data lines are the bundled DATA.IN; copied without the curve notes they make a
// valid file, with the notes the column count refuses them.
TEST(ScreenText, ExampleDataIsAValidFileOnlyWithoutTheNotes) {
  std::ifstream bundled(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN");
  std::vector<std::string> file_lines;
  for (std::string line; std::getline(bundled, line);) file_lines.push_back(line);
  EXPECT_EQ(example_data_lines(), file_lines);

  const auto dir = std::filesystem::temp_directory_path();
  const std::string plain = (dir / ("velmor_example_plain_" + std::to_string(::getpid()))).string();
  const std::string noted = (dir / ("velmor_example_noted_" + std::to_string(::getpid()))).string();
  {
    std::ofstream out(plain);
    for (const auto& line : example_data_lines()) out << line << '\n';
    const auto lines = lines_of(example_file_text());
    std::ofstream with_notes(noted);
    for (std::size_t i = 10; i < lines.size(); ++i) with_notes << lines[i] << '\n';
  }
  FileUnits units;
  std::ostringstream log;
  EXPECT_EQ(file_column_count(20, plain, units, log), 3);
  EXPECT_EQ(data_row_count(20, plain, units), 27);
  EXPECT_GT(file_column_count(20, noted, units, log), 3);
  std::filesystem::remove(plain);
  std::filesystem::remove(noted);
}

}  // namespace
}  // namespace velmor::app
