#include "util/fixed_string.h"

#include <gtest/gtest.h>

#include <string>

namespace velmor::util {
namespace {

TEST(FixedString, EditsKeepTheFieldLength) {
  struct Case {
    void (*edit)(std::string&);
    std::string input;
    std::string expected;
  };
  const Case cases[] = {
      {s_adjustl, "\t  ab", "ab   "},      {s_adjustl, " a b ", "a b  "},
      {s_adjustl, "    ", "    "},         {s_adjustl, "", ""},
      {s_blank_delete, "a b\tc", "abc  "}, {s_blank_delete, " my data ", "mydata   "},
      {s_blank_delete, "   ", "   "},      {compact, "1  2\t\t3", "1 2 3  "},
      {compact, " \t a", " a  "},          {compact, "    ", "    "},
  };
  for (const Case& c : cases) {
    std::string s = c.input;
    c.edit(s);
    EXPECT_EQ(s, c.expected) << '"' << c.input << '"';
  }
}

TEST(FixedString, LenTrimAndChIndexLookAtTheUsedPart) {
  EXPECT_EQ(s_len_trim(""), 0);
  EXPECT_EQ(s_len_trim("     "), 0);
  EXPECT_EQ(s_len_trim("ab\t "), 3);  // a tab is not a blank here
  EXPECT_EQ(ch_index("data.in", '.'), 5);
  EXPECT_EQ(ch_index("data", '.'), 0);
  EXPECT_EQ(ch_index("ab   ", ' '), 0);
  EXPECT_EQ(ch_index("a b  ", ' '), 2);
}

TEST(FixedString, CapStringCopiesIntoTheDestinationLength) {
  std::string longer(10, 'x');
  s_cap_string("ab1c", longer);
  EXPECT_EQ(longer, "AB1C      ");
  std::string shorter(3, ' ');
  s_cap_string("abcdef", shorter);
  EXPECT_EQ(shorter, "ABC");
}

TEST(FixedString, WordCountOfDataLines) {
  EXPECT_EQ(s_word_count("0.0  50.0\t0.534"), 3);
  EXPECT_EQ(s_word_count("   0.0 50.0 0.534   "), 3);
  EXPECT_EQ(s_word_count("0.0,50.0,0.534"), 1);
  EXPECT_EQ(s_word_count("0.0, 50.0, 0.534"), 3);
  EXPECT_EQ(s_word_count(" \t "), 0);
  EXPECT_EQ(s_word_count("x"), 1);
}

}  // namespace
}  // namespace velmor::util
