// The edge cases of the text helpers that the control and dialog tests do not reach.
#include "gui/text_util.h"

#include <gtest/gtest.h>

#include <QString>

#include "gui/dpi.h"

namespace wintk::text {
namespace {

TEST(TextUtil, EdgeCasesOfTrimmingLinesCaretsNamesAndDpi) {
  EXPECT_EQ(trimmed_and_cut(std::string(300, 'a') + "  ", 255), std::string(255, 'a'));
  EXPECT_EQ(trim_trailing_blanks("  lead\t"), "  lead\t");
  // Every line-break convention ends a line; a final break starts no new one.
  const std::pair<const char*, std::vector<std::string>> splits[] = {
      {"", {""}}, {"a\nb\rc", {"a", "b", "c"}}, {"a\r\n\r\nb", {"a", "", "b"}}, {"\r\n", {""}}};
  for (const auto& [text, lines] : splits) EXPECT_EQ(split_lines(text), lines) << text;
  EXPECT_EQ(to_lf("a\r\nb\rc\n"), "a\nb\nc\n");
  // A caret position counts a line break as two: "ab\ncd" is "ab\r\ncd" in the text box.
  for (const auto& [crlf, lf] : {std::pair{3, 3}, {4, 3}, {6, 5}, {99, 5}}) {
    EXPECT_EQ(crlf_position_to_lf(QStringLiteral("ab\ncd"), crlf), lf) << crlf;
  }
  EXPECT_EQ(build_file_filters("", "ignored").size(), 1u);
  EXPECT_EQ(split_initial_file("C:\\data\\").folder, "C:\\data\\");
  for (const auto& [name, has] : {std::pair{"plot.bmp", true},
                                  {"plot", false},
                                  {"plot.jpeg", false},
                                  {"dir.abc/plot", false}}) {
    EXPECT_EQ(has_three_letter_extension(name), has) << name;
  }
  // 14 at 120 dpi is 17.5, rounded up; 10 at 110 is 11.46.
  EXPECT_EQ(std::vector({scale_for_dpi(14, 96), scale_for_dpi(14, 120), scale_for_dpi(10, 110)}),
            std::vector({14, 18, 11}));
}

}  // namespace
}  // namespace wintk::text
