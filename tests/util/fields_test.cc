// SPDX-License-Identifier: MIT
// Fixed-length text fields, single numbers as text and the choice of a fitting descriptor.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "util/edit_descriptors.h"
#include "util/fitting_field.h"
#include "util/fixed_string.h"
#include "util/fortran_format.h"
#include "util/number_text.h"

namespace velmor::util {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(FixedString, EditsKeepTheFieldLengthCountsLookAtTheUsedPart) {
  const struct {
    void (*edit)(std::string&);
    std::string input, expected;
  } kCases[] = {
      {s_adjustl, "\t  ab", "ab   "},      {s_adjustl, "    ", "    "},
      {s_blank_delete, "a b\tc", "abc  "}, {s_blank_delete, "   ", "   "},
      {compact, "1  2\t\t3", "1 2 3  "},   {compact, " \t a", " a  "},
  };
  for (const auto& c : kCases) {
    std::string s = c.input;
    c.edit(s);
    EXPECT_EQ(s, c.expected) << '"' << c.input << '"';
  }
  std::string longer(10, 'x'), shorter(3, ' ');
  s_cap_string("ab1c", longer);
  s_cap_string("abcdef", shorter);
  EXPECT_EQ(longer, "AB1C      ");
  EXPECT_EQ(shorter, "ABC");
  // Lengths and positions look at the used part; tabs are not blanks there but separate words.
  // clang-format off
  const std::pair<int, int> kCounts[] = {
      {s_len_trim("     "), 0}, {s_len_trim("ab\t "), 3}, {ch_index("data.in", '.'), 5},
      {ch_index("ab   ", ' '), 0}, {ch_index("a b  ", ' '), 2}, {s_word_count(" 0.0  50.0\t0.534 "), 3},
      {s_word_count("0.0,50.0,0.534"), 1}, {s_word_count(" \t "), 0}, {s_word_count("x"), 1}};
  // clang-format on
  for (std::size_t i = 0; i < std::size(kCounts); ++i) {
    EXPECT_EQ(kCounts[i].first, kCounts[i].second) << "case " << i;
  }
}

// Left-justified and trimmed; integers always in full (1000 through "I3"), reals as gfortran 12.
TEST(NumberText, WriteDiDrIntstrAndReal2strng) {
  // clang-format off
  const std::pair<std::string, std::string> kCases[] = {
      {write_di(5, "I3"), "5"}, {write_di(-1000, "I3"), "-1000"}, {write_di(INT_MIN, "I3"), "-2147483648"},
      {write_di(7, "I3.2"), "07"}, {write_di(0, "I3.0"), ""}, {write_di(42, "I3   "), "42"},
      {write_dr(9.9999995, "F8.3"), "10.000"}, {write_dr(123456.0, "F6.1"), "******"},
      {write_dr(0.00123456789, "E14.7"), "0.1234568E-02"}, {write_dr(2.5, "F8.3,'  '"), "2.500"}};
  // clang-format on
  for (const auto& [text, expected] : kCases) EXPECT_EQ(text, expected);
  // Descriptors that cannot write one value of that type in one record.
  for (const char* bad : {"F8.3", "Q3", ""}) EXPECT_THROW(write_di(5, bad), std::invalid_argument);
  for (const char* bad : {"I3", "F8.3/"}) EXPECT_THROW(write_dr(5, bad), std::invalid_argument);
  // The field's trailing blanks are padding, not descriptor text a Hollerith could take.
  EXPECT_THROW(write_di(5, "I3,2Ha   "), std::invalid_argument);
  EXPECT_EQ(intstr(INT_MIN, 2), "-2147483648");  // more digits than asked are kept, not cut
  EXPECT_EQ(intstr(5, 30), std::string(29, '0') + "5");
  EXPECT_THROW(intstr(5, 31), std::invalid_argument);
  // real2strng: cut after d digits, never rounded, unsigned; padded or cut to the field's length.
  const std::tuple<double, int, std::string> kTruncated[] = {// clang-format off
      {0.0123456789, 6, "0.012345"}, {-0.9876549, 6, "0.987654"}, {-250.5, 2, "250.50"},
      {3.7, 0, "3."}, {0.5, 18, "0.500000000000000000"}, {kNaN, 6, "NaN"}, {-kInf, 6, "Infinity"}};
  // clang-format on
  for (auto [x, decimals, text] : kTruncated) {
    text.resize(25, ' ');
    EXPECT_EQ(real2strng(x, decimals, 25), text) << x;
  }
  EXPECT_EQ(real2strng(123.456, 6, 5), "123.4");
  EXPECT_THROW(real2strng(0.5, 19, 25), std::invalid_argument);
  EXPECT_THROW(real2strng(0.5, 6, -1), std::invalid_argument);
}

// Infinity where it fits, else Inf, NaN, asterisks; G0 of REAL(4) as gfortran 12 writes it.
TEST(EditDescriptors, NonFiniteValuesExtremeExponentsAndG0) {
  const std::tuple<double, char, int, const char*> kCases[] = {
      // clang-format off
      {kInf, 'F', 8, "Infinity"}, {kInf, 'F', 4, " Inf"}, {kInf, 'F', 0, "Inf"},
      {-kInf, 'F', 8, "    -Inf"}, {-kInf, 'F', 3, "***"}, {-kInf, 'E', 10, " -Infinity"},
      {kNaN, 'F', 3, "NaN"}, {kNaN, 'F', 2, "**"}, {kNaN, 'E', 14, "           NaN"}};
  // clang-format on
  for (const auto& [value, letter, width, expected] : kCases) {
    EXPECT_EQ(letter == 'F' ? edit_fixed(value, width, 3) : edit_exponential(value, width, 7),
              expected)
        << letter << width << ' ' << value;
  }
  // Extreme exponents, and the exact expansion of width 0.
  EXPECT_EQ(edit_fixed(1e23, 0, 3), "99999999999999991611392.000");
  EXPECT_EQ(edit_exponential(1.7976931348623157e308, 14, 7), " 0.1797693+309");
  EXPECT_EQ(edit_exponential(-1.5e99, 14, 7), "-0.1500000+100");
  EXPECT_EQ(edit_exponential(1.5e-99, 14, 7), " 0.1500000E-98");
  EXPECT_EQ(edit_exponential(4.9406564584124654e-324, 14, 7), " 0.4940656-323");
  EXPECT_EQ(edit_exponential(1e10, 9, 2, 1), "*********");
  // clang-format off
  const std::pair<float, const char*> kG0[] = {
      {-10.0000002f, "-10.0000000"}, {0.1f, "0.100000001"}, {-0.0f, "-0.00000000"},
      {999999.9f, "999999.875"}, {1e8f, "100000000."}, {1e9f, "0.100000000E+10"},
      {3.4e38f, "0.339999995E+39"}, {0.099999f, "0.999990031E-1"},
      {1.17549435e-38f, "0.117549435E-37"}, {-HUGE_VALF, "-Inf"}, {std::nanf(""), "NaN"}};
  // clang-format on
  for (const auto& [value, expected] : kG0) EXPECT_EQ(g0_real4(value), expected) << value;
}

// Every value written in the field's width, no asterisks, 3 significant digits, a blank in front.
TEST(FittingDescriptor, FixedWhileItShowsThreeDigitsElseExponentOfTheSameWidth) {
  const struct {
    const char* name;
    std::vector<double> values;
    int width, decimals;
    const char* expected;
    bool blank_before = false;
  } kCases[] = {
      {"three digits left", {1.23e-4}, 13, 6, "F13.6"},
      {"rounds to two digits", {9.949e-5}, 13, 6, "E13.5"},
      {"small values beside a large one", {0.001, -0.0004, 50.0}, 12, 3, "F12.3"},
      {"negative fills the field", {-1234567.0}, 12, 3, "E12.4"},
      {"only non-finite", {kNaN, kInf, -kInf}, 12, 3, "F12.3"},
      {"filling residuals after the layout's blanks", {-93.652114, 497.685}, 10, 6, "F10.6", true},
      {"asterisks after the layout's blanks", {-1234.5}, 10, 6, "E10.3", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fitting_descriptor(c.values, c.width, c.decimals, c.blank_before), c.expected);
  }
}

}  // namespace
}  // namespace velmor::util
