// SPDX-License-Identifier: MIT
// The edge cases of the text helpers that the control and dialog tests do not reach.
#include "gui/text_util.h"

#include <gtest/gtest.h>

#include "gui/dpi.h"

namespace wintk::text {
namespace {

TEST(TextUtil, EdgeCasesOfTrimmingLinesAndDpi) {
  EXPECT_EQ(trimmed_and_cut(std::string(300, 'a') + "  ", 255), std::string(255, 'a'));
  // Every line-break convention ends a line; a final break starts no new one.
  const std::pair<const char*, std::vector<std::string>> splits[] = {
      {"", {""}}, {"a\nb\rc", {"a", "b", "c"}}, {"a\r\n\r\nb", {"a", "", "b"}}, {"\r\n", {""}}};
  for (const auto& [text, lines] : splits) EXPECT_EQ(split_lines(text), lines) << text;
  // 14 at 120 dpi is 17.5, rounded up; 10 at 110 is 11.46.
  EXPECT_EQ(std::vector({scale_for_dpi(14, 96), scale_for_dpi(14, 120), scale_for_dpi(10, 110)}),
            std::vector({14, 18, 11}));
}

}  // namespace
}  // namespace wintk::text
