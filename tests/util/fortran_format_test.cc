#include "util/fortran_format.h"

#include <gtest/gtest.h>

#include <optional>
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
  const char* format_template = nullptr;  // for formats built at run time
  std::optional<int> count = std::nullopt;
};

// The report's own formats: realistic values, overflow, rounding across a digit, negative zero.
// clang-format off
const WriteCase kReportCases[] = {
    {"date_line", "(/,T20,A,/)", {std::string("Sun Dec  6 16:10:20 2026")}, "\n                   Sun Dec  6 16:10:20 2026\n\n"},
    {"calls_exceeded", "(/10X,'CALLS TO FUNCTION EXCEEDED ',I4,'--INFO ='          ,I2/10X,'(MESSAGE RETURNED FROM STAGE 3)'/)", {300, 2}, "\n          CALLS TO FUNCTION EXCEEDED  300--INFO = 2\n          (MESSAGE RETURNED FROM STAGE 3)\n\n"},
    {"best_fit_row_negative", "(5X,I3,5X,F13.6,'  +/-',F13.6,              3X,'[', F14.6,' ,',F14.6,' ]')", {3, -0.0000004, 123456789.5, -123456789.5, 123456789.5}, "       3         -0.000000  +/-*************   [************** ,************** ]\n"},
    {"table_row", "(5X, I3, 2X, 4F12.3, 3X, F10.6)", {12, 30.0, 100.0, 9.9999995, 10.0123, 0.0123}, "      12        30.000     100.000      10.000      10.012     0.012300\n"},
    {"table_row_extremes", "(5X, I3, 2X, 4F12.3, 3X, F10.6)", {1000, 1.5e9, 0.0, -0.0004, -12345678.9, -0.00000049}, "     ***  ************       0.000      -0.000************    -0.000000\n"},
    {"summary_row_long_name", "(5X, I3, 2X, F10.4, 2X, F10.5, 2X, A, T75, F5.2, A2)", {2, 12.5, 3.25, std::string("4- Substrate vs time Integrated Michaelis-Menten - baseline:"), 1.5, std::string("* ")}, "       2     12.5000     3.25000  4- Substrate vs time Integrated Michaeli 1.50* n - baseline:\n"},
    {"summary_row_ler_overflow", "(5X, I3, 2X, F10.4, 2X, F10.5, 2X, A, T75, F5.2, A2)", {3, -99999.99995, 123456.789, std::string("2- Product"), 123.456, std::string("  ")}, "       3  **********  **********  2- Product                              *****  \n"},
};
// clang-format on

// Reversion, list exhaustion, positioning, literals, lenient syntax, narrow and rounding corners.
// clang-format off
const WriteCase kRuleCases[] = {
    {"reversion_to_repeated_group", "(I3,2(1X,I3),1X,I2)", {1, 2, 3, 4, 5, 6, 7}, "  1   2   3  4\n   5   6  7\n"},
    {"reversion_to_last_group", "(I3,(1X,I3))", {1, 2, 3, 4}, "  1   2\n   3\n   4\n"},
    {"reversion_to_start", "(1X,I3)", {1, 2, 3}, "   1\n   2\n   3\n"},
    {"reversion_nested", "(A,2(1X,2(I2)),'|')", {std::string("a"), 1, 2, 3, 4, 5, 6, 7}, "a  1 2  3 4|\n  5 6  7\n"},
    {"stops_at_exhausted_descriptor", "(I3,' a',I3,' b')", {1}, "  1 a\n"},
    {"colon_stops", "(I3,:,' a',I3)", {1}, "  1\n"},
    {"colon_passes", "(I3,:,' a',I3)", {1, 2}, "  1 a  2\n"},
    {"no_values", "(I3)", {}, "\n"},
    {"tab_back_overwrites", "(A,T2,A)", {std::string("abcdef"), std::string("X")}, "aXcdef\n"},
    {"tab_left_clamps", "(A,TL10,A)", {std::string("abc"), std::string("X")}, "Xbc\n"},
    {"tab_left_after_skip", "(A,8X,TL3,A)", {std::string("abc"), std::string("X")}, "abc     X\n"},
    {"tab_right", "(A,TR3,A)", {std::string("ab"), std::string("X")}, "ab   X\n"},
    {"trailing_skip_dropped", "(A,5X)", {std::string("abc")}, "abc\n"},
    {"trailing_tab_dropped", "(A,T20)", {std::string("abc")}, "abc\n"},
    {"tab_forward_and_back", "(A,T20,A,T10,A)", {std::string("abc"), std::string("X"), std::string("Y")}, "abc      Y         X\n"},
    {"slash_repeat", "(I1,2/,I1)", {1, 2}, "1\n\n2\n"},
    {"slash_ends_record", "(A,/)", {std::string("x")}, "x\n\n"},
    {"hollerith_and_quotes", "(5HHELLO,1X,'It''s',1H:,I2)", {7}, "HELLO It's: 7\n"},
    {"lower_case", "(1x,i3,f6.2,e10.3,a,t2,a1)", {5, 2.5, -1.5, std::string("z"), std::string("y")}, " y 5  2.50-0.150E+01z\n"},
    {"missing_commas_2", "(I2'|'I2/'x')", {1, 2}, " 1| 2\nx\n"},
    {"blanks_in_numbers", "(1 0X,I 3,F1 0.3)", {42, 3.14159}, "           42     3.142\n"},
    {"text_widths", "(A5,'|',A2,'|',A,'|')", {std::string("abc"), std::string("abc"), std::string("abc")}, "  abc|ab|abc|\n"},
    {"integer_forms", "(I5.3,'|',I3.0,'|',I0,'|',I4,'|',I2.2)", {-7, 0, -123, -999, -5}, " -007|   |-123|-999|**\n"},
    {"exponent_forms", "(E12.4E3,D12.4,E9.2E1,E9.2E1,E8.3)", {1e-300, 1e300, 1e5, 1e10, 1.5}, " 0.1000E-299  0.1000+301  0.10E+6*********.150E+01\n"},
    {"fixed_narrow", "(F4.3,'|',F5.3,'|',F3.0,'|',F2.1,'|',F3.1,'|',F0.3,'|',F0.0)", {0.5, -0.5, -0.0, 0.25, -0.25, 0.125, 12.6}, ".500|-.500|-0.|.2|-.2|.125|13.\n"},
    {"fixed_ties", "(F6.1,F5.0,F6.2,F8.3,F8.3)", {0.125, 2.5, 0.125, 0.0005, -0.0004}, "   0.1   2.  0.12   0.001  -0.000\n"},
    {"tab_to_column_one", "(A,T1,A)", {std::string("abc"), std::string("X")}, "Xbc\n"},
    {"one_column_moves", "(A,TR1,A,TL1,A)", {std::string("abc"), std::string("X"), std::string("Y")}, "abc Y\n"},
    {"text_one_column", "(A1)", {std::string("xyz")}, "x\n"},
    {"exponent_one_digit", "(E10.1)", {1.7}, "   0.2E+01\n"},
    {"exponent_exact_width", "(E9.3,E10.3)", {1.5, -1.5}, "0.150E+01-0.150E+01\n"},
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
  if (c.format_template != nullptr) {
    std::vector<FortranValue> count;
    if (c.count) count.push_back(*c.count);
    ASSERT_EQ(fortran_write(c.format_template, count), std::string(c.format) + "\n");
  }
  EXPECT_EQ(fortran_write(c.format, c.values), c.expected) << c.format;
}

INSTANTIATE_TEST_SUITE_P(ReportLines, FormattedWrite, ::testing::ValuesIn(kReportCases), case_name);
INSTANTIATE_TEST_SUITE_P(EditRules, FormattedWrite, ::testing::ValuesIn(kRuleCases), case_name);

// Formats built at run time: a Hollerith template written with a count gives the case's format.
// clang-format off
const WriteCase kBuiltCases[] = {
    {"dash_78", "(1X 78('-'))", {}, " ------------------------------------------------------------------------------\n",
     "(3H(1X,I3,6H('-')))", 78},
    {"block_row_4", "(3X,'PARAMETER(',I2,') |  ' 4(A12,2X))", {12, std::string(" .........               "), std::string(" 0.012345                "), std::string("-1.000000                "), std::string(" 0.500000                ")}, "   PARAMETER(12) |   .........     0.012345     -1.000000      0.500000   \n",
     "(27H(3X,'PARAMETER(',I2,') |  ',I2,9H(A12,2X)))", 4},
    {"gradient_row_extremes", "(1X,I2,' -',I3,4X 2('|',E14.7,4X,E14.7,2X))", {1, 2, 1.0e100, -1.0e-100, 9.99999995, -0.0}, "  1 -  2    | 0.1000000+101    -0.1000000E-99  | 0.1000000E+02    -0.0000000E+00\n",
     "(17H(1X,I2,' -',I3,4X,I2,24H('|',E14.7,4X,E14.7,2X)))", 2},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(ReportTables, FormattedWrite, ::testing::ValuesIn(kBuiltCases), case_name);

// A parsed format keeps no state from one write to the next.
TEST(FortranFormat, OneParsedFormatWritesManyRows) {
  const FortranFormat row("(5X, I3, 2X, 4F12.3, 3X, F10.6)");
  for (const WriteCase* c : {&kReportCases[3], &kReportCases[4], &kReportCases[3]}) {
    EXPECT_EQ(row.write(c->values), c->expected) << c->name;
  }
}

TEST(FortranFormat, IntegersInFullOptionWidensOnlyOverflowingFields) {
  const FortranFormat format("(I3,'|',I3.2)");
  EXPECT_EQ(format.write({1000, 5}, {.integers_in_full = true}), "1000| 05\n");
  EXPECT_EQ(format.write({-1000, 123456}, {.integers_in_full = true}), "-1000|123456\n");
  EXPECT_EQ(format.write({1000, 5}), "***| 05\n");
}

TEST(FortranFormat, RefusesMalformedFormatTexts) {
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
}

// Messages name the format and the fault; values left over would make the WRITE endless.
TEST(FortranFormat, ErrorsNameTheFormatAndTheFault) {
  const auto message = [](std::string_view format, std::vector<FortranValue> values) {
    try {
      fortran_write(format, values);
    } catch (const std::invalid_argument& e) {
      return std::string(e.what());
    }
    return std::string("no exception");
  };
  EXPECT_EQ(message("(I3,Q)", {}), "invalid format \"(I3,Q)\": unknown edit descriptor 'Q' (column 5)");
  EXPECT_EQ(message("(3Hab)", {}), "invalid format \"(3Hab)\": missing ')' (column 7)");  // 3H took it
  EXPECT_EQ(message("(I3,F8.3)", {1, 2}),
            "format \"(I3,F8.3)\": list item 2 is an integer, which F8.3 cannot write");
  EXPECT_EQ(message("(I3,A5)", {1, 2}),
            "format \"(I3,A5)\": list item 2 is an integer, which A5 cannot write");
  EXPECT_EQ(message("(I3,('y'))", {1, 2, 3}),
            "format \"(I3,('y'))\": 2 list items left but no data descriptor to take them");
  for (const auto& [format, value] : {std::pair<const char*, FortranValue>{"(I3)", 2.5},
                                      {"(E14.7)", std::string("x")}, {"('x')", 1}}) {
    EXPECT_NE(message(format, {value}), "no exception") << format;
  }
  EXPECT_NE(message("(I3,(1X))", {1, 2}), "no exception");
}

}  // namespace
}  // namespace velmor::util
