#include "gui/text_util.h"

#include <gtest/gtest.h>

#include <QString>

#include "gui/dpi.h"

namespace wintk::text {
namespace {

TEST(TextUtil, TrimmingRemovesOnlyTrailingBlanks) {
  const std::pair<const char*, const char*> cases[] = {{"Data.in    ", "Data.in"},
                                                       {"  lead", "  lead"},
                                                       {"tab\t", "tab\t"},
                                                       {"     ", ""},
                                                       {"", ""}};
  for (const auto& [text, trimmed] : cases) EXPECT_EQ(trim_trailing_blanks(text), trimmed) << text;
  EXPECT_EQ(trimmed_and_cut(std::string(300, 'a') + "  ", 255), std::string(255, 'a'));
  EXPECT_EQ(trimmed_and_cut("ab   ", 64), "ab");
}

TEST(TextUtil, EveryLineBreakConventionEndsALineAndConversionsRoundTrip) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {{"", {""}},
                                                                    {"one", {"one"}},
                                                                    {"a\r\nb", {"a", "b"}},
                                                                    {"a\nb\rc", {"a", "b", "c"}},
                                                                    {"a\r\n", {"a"}},
                                                                    {"a\r\n\r\nb", {"a", "", "b"}},
                                                                    {"\r\n", {""}}};
  for (const auto& [text, lines] : cases) EXPECT_EQ(split_lines(text), lines) << text;
  EXPECT_EQ(to_lf("a\r\nb\rc\n"), "a\nb\nc\n");
  EXPECT_EQ(to_crlf("a\nb\n"), "a\r\nb\r\n");
  EXPECT_EQ(to_crlf(to_lf("x\r\ny\r\n")), "x\r\ny\r\n");
}

TEST(TextUtil, CaretPositionsCountALineBreakAsTwo) {
  const QString text = QStringLiteral("ab\ncd");  // "ab\r\ncd" in the text box's counting
  const std::pair<int, int> cases[] = {{0, 0}, {2, 2}, {3, 3}, {4, 3}, {6, 5}, {99, 5}};
  for (const auto& [crlf, lf] : cases) EXPECT_EQ(crlf_position_to_lf(text, crlf), lf) << crlf;
}

TEST(TextUtil, FileFiltersInitialFolderAndExtension) {
  const auto filters = build_file_filters("*.in", "Data files");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].name + "|" + filters[0].pattern, "Data files|*.in");
  EXPECT_EQ(filters[1].name + "|" + filters[1].pattern, "All Files|*.*");
  EXPECT_EQ(build_file_filters("*.txt", "")[0].name, "*.txtfiles");
  EXPECT_EQ(build_file_filters("", "ignored").size(), 1u);
  const std::pair<const char*, const char*> initial[] = {{"C:\\data\\", "C:\\data\\|"},
                                                         {"/home/u/", "/home/u/|"},
                                                         {"/home/u/Data.in", "|/home/u/Data.in"}};
  for (const auto& [buffer, split] : initial) {
    EXPECT_EQ(split_initial_file(buffer).folder + "|" + split_initial_file(buffer).name, split);
  }
  EXPECT_TRUE(has_three_letter_extension("plot.bmp"));
  for (const char* name : {"plot", "plot.jpeg", "dir.abc/plot"}) {
    EXPECT_FALSE(has_three_letter_extension(name)) << name;
  }
  EXPECT_EQ(scale_for_dpi(14, 96), 14);
  EXPECT_EQ(scale_for_dpi(14, 120), 18);  // 17.5 rounds up
  EXPECT_EQ(scale_for_dpi(14, 144), 21);
  EXPECT_EQ(scale_for_dpi(10, 110), 11);  // 11.46
}

}  // namespace
}  // namespace wintk::text
