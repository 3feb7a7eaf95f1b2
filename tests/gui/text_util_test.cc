#include "gui/text_util.h"

#include <gtest/gtest.h>

#include <QString>

#include "gui/dpi.h"

namespace wintk::text {
namespace {

TEST(TextUtil, TrimmingRemovesOnlyTrailingBlanks) {
  EXPECT_EQ(trim_trailing_blanks("Data.in    "), "Data.in");
  EXPECT_EQ(trim_trailing_blanks("  lead"), "  lead");
  EXPECT_EQ(trim_trailing_blanks("tab\t"), "tab\t");
  EXPECT_EQ(trim_trailing_blanks("     "), "");
  EXPECT_EQ(trim_trailing_blanks(""), "");
  EXPECT_EQ(trimmed_and_cut(std::string(300, 'a') + "  ", 255).size(), 255u);
  EXPECT_EQ(trimmed_and_cut("ab   ", 64), "ab");
}

struct SplitCase {
  const char* text;
  std::vector<std::string> lines;
};

class SplitLines : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLines, EveryLineBreakConventionEndsALine) {
  EXPECT_EQ(split_lines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Breaks, SplitLines,
                         ::testing::Values(SplitCase{"", {""}}, SplitCase{"one", {"one"}},
                                           SplitCase{"a\r\nb", {"a", "b"}},
                                           SplitCase{"a\nb\rc", {"a", "b", "c"}},
                                           SplitCase{"a\r\n", {"a"}},
                                           SplitCase{"a\r\n\r\nb", {"a", "", "b"}},
                                           SplitCase{"\r\n", {""}}));

TEST(TextUtil, LineBreakConversionsRoundTrip) {
  EXPECT_EQ(to_lf("a\r\nb\rc\n"), "a\nb\nc\n");
  EXPECT_EQ(to_crlf("a\nb\n"), "a\r\nb\r\n");
  EXPECT_EQ(to_crlf(to_lf("x\r\ny\r\n")), "x\r\ny\r\n");
}

TEST(TextUtil, CaretPositionsCountALineBreakAsTwo) {
  const QString text = QStringLiteral("ab\ncd");  // "ab\r\ncd" in the text box's counting
  EXPECT_EQ(crlf_position_to_lf(text, 0), 0);
  EXPECT_EQ(crlf_position_to_lf(text, 2), 2);
  EXPECT_EQ(crlf_position_to_lf(text, 3), 3);  // inside the pair: after the break
  EXPECT_EQ(crlf_position_to_lf(text, 4), 3);  // the start of "cd"
  EXPECT_EQ(crlf_position_to_lf(text, 6), 5);
  EXPECT_EQ(crlf_position_to_lf(text, 99), 5);
}

TEST(TextUtil, FileFiltersAndInitialFolder) {
  const auto with_description = build_file_filters("*.in", "Data files");
  ASSERT_EQ(with_description.size(), 2u);
  EXPECT_EQ(with_description[0].name, "Data files");
  EXPECT_EQ(with_description[0].pattern, "*.in");
  EXPECT_EQ(with_description[1].name, "All Files");
  EXPECT_EQ(with_description[1].pattern, "*.*");
  EXPECT_EQ(build_file_filters("*.txt", "")[0].name, "*.txtfiles");
  EXPECT_EQ(build_file_filters("", "ignored").size(), 1u);

  EXPECT_EQ(split_initial_file("C:\\data\\").folder, "C:\\data\\");
  EXPECT_EQ(split_initial_file("C:\\data\\").name, "");
  EXPECT_EQ(split_initial_file("/home/u/").folder, "/home/u/");
  EXPECT_EQ(split_initial_file("/home/u/Data.in").name, "/home/u/Data.in");
  EXPECT_EQ(split_initial_file("/home/u/Data.in").folder, "");

  EXPECT_TRUE(has_three_letter_extension("plot.bmp"));
  EXPECT_FALSE(has_three_letter_extension("plot"));
  EXPECT_FALSE(has_three_letter_extension("plot.jpeg"));
  EXPECT_FALSE(has_three_letter_extension("dir.abc/plot"));
}

TEST(TextUtil, ScaleForDpiRoundsToNearest) {
  EXPECT_EQ(scale_for_dpi(14, 96), 14);
  EXPECT_EQ(scale_for_dpi(14, 120), 18);  // 17.5 rounds up
  EXPECT_EQ(scale_for_dpi(14, 144), 21);
  EXPECT_EQ(scale_for_dpi(10, 110), 11);  // 11.46
}

}  // namespace
}  // namespace wintk::text
