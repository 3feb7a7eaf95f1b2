#include "util/fixed_string.h"

#include <gtest/gtest.h>

#include <string>

namespace velmor::util {
namespace {

TEST(FixedString, LenTrimCountsToTheLastNonBlank) {
  EXPECT_EQ(s_len_trim(""), 0);
  EXPECT_EQ(s_len_trim("     "), 0);
  EXPECT_EQ(s_len_trim("  ab  "), 4);
  EXPECT_EQ(s_len_trim("ab\t "), 3);  // a tab is not a blank here
  EXPECT_EQ(trimmed("data.in   "), "data.in");
}

struct EditCase {
  std::string input;
  std::string expected;
};

void PrintTo(const EditCase& c, std::ostream* os) {
  *os << '"' << c.input << '"';
}

class AdjustlTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(AdjustlTest, MovesTextLeftAndKeepsLength) {
  std::string s = GetParam().input;
  s_adjustl(s);
  EXPECT_EQ(s, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, AdjustlTest,
                         ::testing::Values(EditCase{"\t  ab", "ab   "}, EditCase{"    ", "    "},
                                           EditCase{"", ""}, EditCase{"ab  ", "ab  "},
                                           EditCase{" a b ", "a b  "}));

class BlankDeleteTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(BlankDeleteTest, RemovesBlanksAndTabsAndKeepsLength) {
  std::string s = GetParam().input;
  s_blank_delete(s);
  EXPECT_EQ(s, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, BlankDeleteTest,
                         ::testing::Values(EditCase{"a b\tc", "abc  "},
                                           EditCase{" my data ", "mydata   "},
                                           EditCase{"   ", "   "}, EditCase{"", ""}));

class CompactTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(CompactTest, FoldsRunsOfBlanksAndTabs) {
  std::string s = GetParam().input;
  compact(s);
  EXPECT_EQ(s, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, CompactTest,
                         ::testing::Values(EditCase{"1  2\t\t3", "1 2 3  "},
                                           EditCase{" \t a", " a  "}, EditCase{"    ", "    "}));

TEST(FixedString, CapStringCopiesIntoTheDestinationLength) {
  std::string longer(10, 'x');
  s_cap_string("ab1c", longer);
  EXPECT_EQ(longer, "AB1C      ");
  std::string shorter(3, ' ');
  s_cap_string("abcdef", shorter);
  EXPECT_EQ(shorter, "ABC");
  std::string empty_source(4, 'q');
  s_cap_string("", empty_source);
  EXPECT_EQ(empty_source, "    ");
}

TEST(FixedString, ChIndexLooksOnlyAtTheUsedPart) {
  EXPECT_EQ(ch_index("data.in", '.'), 5);
  EXPECT_EQ(ch_index("data", '.'), 0);
  EXPECT_EQ(ch_index("ab   ", ' '), 0);
  EXPECT_EQ(ch_index("a b  ", ' '), 2);
  EXPECT_EQ(ch_index("", 'x'), 0);
}

TEST(FixedString, WordCountOfDataLines) {
  EXPECT_EQ(s_word_count("0.0  50.0\t0.534"), 3);
  EXPECT_EQ(s_word_count("   0.0 50.0 0.534   "), 3);
  EXPECT_EQ(s_word_count("0.0,50.0,0.534"), 1);
  EXPECT_EQ(s_word_count("0.0, 50.0, 0.534"), 3);
  EXPECT_EQ(s_word_count(""), 0);
  EXPECT_EQ(s_word_count(" \t "), 0);
  EXPECT_EQ(s_word_count("x"), 1);
}

}  // namespace
}  // namespace velmor::util
