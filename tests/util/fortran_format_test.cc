// SPDX-License-Identifier: MIT

#include "util/fortran_format.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace velmor::util {
namespace {

// Every expected text below was written by gfortran 12 for the same format and values.

struct WriteCase {
  const char* name;
  const char* format;
  std::vector<FortranValue> values;
  const char* expected;
};

// Reversion, list exhaustion, positioning, literals, lenient syntax, narrow and rounding corners.
// clang-format off
const WriteCase kRuleCases[] = {
    {"reversion_to_repeated_group", "(I3,2(1X,I3),1X,I2)", {1, 2, 3, 4, 5, 6, 7}, "  1   2   3  4\n   5   6  7\n"},
    {"reversion_to_last_group", "(I3,(1X,I3))", {1, 2, 3, 4}, "  1   2\n   3\n   4\n"},
    {"reversion_to_start", "(1X,I3)", {1, 2, 3}, "   1\n   2\n   3\n"},
    {"reversion_nested", "(A,2(1X,2(I2)),'|')", {std::string("a"), 1, 2, 3, 4, 5, 6, 7}, "a  1 2  3 4|\n  5 6  7\n"},
    {"stops_at_exhausted_descriptor", "(I3,' a',I3,' b')", {1}, "  1 a\n"},
    {"colon_stops", "(I3,:,' a',I3)", {1}, "  1\n"},
    {"no_values", "(I3)", {}, "\n"},
    {"tab_back_overwrites", "(A,T2,A)", {std::string("abcdef"), std::string("X")}, "aXcdef\n"},
    {"tab_left_clamps", "(A,TL10,A)", {std::string("abc"), std::string("X")}, "Xbc\n"},
    {"tab_left_after_skip", "(A,8X,TL3,A)", {std::string("abc"), std::string("X")}, "abc     X\n"},
    {"tab_right", "(A,TR3,A)", {std::string("ab"), std::string("X")}, "ab   X\n"},
    {"trailing_skip_dropped", "(A,5X)", {std::string("abc")}, "abc\n"},
    {"tab_forward_and_back", "(A,T20,A,T10,A)", {std::string("abc"), std::string("X"), std::string("Y")}, "abc      Y         X\n"},
    {"slash_repeat", "(I1,2/,I1)", {1, 2}, "1\n\n2\n"},
    {"hollerith_and_quotes", "(5HHELLO,1X,'It''s',1H:,I2)", {7}, "HELLO It's: 7\n"},
    {"lower_case", "(1x,i3,f6.2,e10.3,a,t2,a1)", {5, 2.5, -1.5, std::string("z"), std::string("y")}, " y 5  2.50-0.150E+01z\n"},
    {"missing_commas_2", "(I2'|'I2/'x')", {1, 2}, " 1| 2\nx\n"},
    {"text_widths", "(A5,'|',A2,'|',A,'|')", {std::string("abc"), std::string("abc"), std::string("abc")}, "  abc|ab|abc|\n"},
    {"integer_forms", "(I5.3,'|',I3.0,'|',I0,'|',I4,'|',I2.2)", {-7, 0, -123, -999, -5}, " -007|   |-123|-999|**\n"},
    {"exponent_forms", "(E12.4E3,D12.4,E9.2E1,E9.2E1,E8.3)", {1e-300, 1e300, 1e5, 1e10, 1.5}, " 0.1000E-299  0.1000+301  0.10E+6*********.150E+01\n"},
    {"fixed_narrow", "(F4.3,'|',F5.3,'|',F3.0,'|',F2.1,'|',F3.1,'|',F0.3,'|',F0.0)", {0.5, -0.5, -0.0, 0.25, -0.25, 0.125, 12.6}, ".500|-.500|-0.|.2|-.2|.125|13.\n"},
    {"fixed_ties", "(F6.1,F5.0,F6.2,F8.3,F8.3)", {0.125, 2.5, 0.125, 0.0005, -0.0004}, "   0.1   2.  0.12   0.001  -0.000\n"},
    {"exponent_one_digit", "(E10.1)", {1.7}, "   0.2E+01\n"},
    {"fixed_zero_narrow", "(F0.0,'|',F1.0,'|',F2.0,'|',F2.0)", {0.4, 0.0, 0.0, -0.0}, "0.|*|0.|**\n"},
    {"deepest_nesting", "((((((((((((((((((((((((((((((((I1))))))))))))))))))))))))))))))))", {5}, "5\n"},
};
// clang-format on

std::string case_name(const ::testing::TestParamInfo<WriteCase>& info) {
  return info.param.name;
}

class FormattedWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(FormattedWrite, MatchesGfortran) {
  const WriteCase& c = GetParam();
  EXPECT_EQ(fortran_write(c.format, c.values), c.expected) << c.format;
}

INSTANTIATE_TEST_SUITE_P(EditRules, FormattedWrite, ::testing::ValuesIn(kRuleCases), case_name);

// Messages name the format and the fault; values left over would make the WRITE endless.
TEST(FortranFormat, RefusesMalformedFormatsAndNamesTheFault) {
  // clang-format off
  const char* const kBad[] = {
      "", "I3", "(I3", "(I3)x", "(Q3)", "(I)", "(F8)", "(F8.)", "(E10.0)", "(E0.3)", "(0X)", "(0H)",
      "(0(I3))", "(,I3)", "(I3,,I3)", "(I3,)", "(10H abc)", "('abc)", "(T0)", "(2T5)", "(A0)",
      "(I2.3)", "(3'x')", "(99999X)", "(I3,(A)", "(E10.3E0)",
      "(((((((((((((((((((((((((((((((((I3)))))))))))))))))))))))))))))))))",
  };
  // clang-format on
  for (const char* text : kBad) {
    EXPECT_THROW(FortranFormat{text}, std::invalid_argument) << '"' << text << '"';
  }
  const auto message = [](std::string_view format, const std::vector<FortranValue>& values) {
    try {
      fortran_write(format, values);
    } catch (const std::invalid_argument& e) {
      return std::string(e.what());
    }
    return std::string("no exception");
  };
  EXPECT_EQ(message("(I3,Q)", {}),
            "invalid format \"(I3,Q)\": unknown edit descriptor 'Q' (column 5)");
  EXPECT_EQ(message("(3Hab)", {}),
            "invalid format \"(3Hab)\": missing ')' (column 7)");  // 3H took it
  EXPECT_EQ(message("(I3,F8.3)", {1, 2}),
            "format \"(I3,F8.3)\": list item 2 is an integer, which F8.3 cannot write");
  EXPECT_EQ(message("(I3,('y'))", {1, 2, 3}),
            "format \"(I3,('y'))\": 2 list items left but no data descriptor to take them");
  EXPECT_NE(message("(E14.7)", {std::string("x")}), "no exception");
}

}  // namespace
}  // namespace velmor::util
