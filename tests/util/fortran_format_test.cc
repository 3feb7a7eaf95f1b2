#include "util/fortran_format.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
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

// The report's own format texts with realistic values, field overflow, rounding across a digit
// boundary and negative zero.
// clang-format off
const WriteCase kReportCases[] = {
    {"blank_lines", "(/)", {}, "\n\n"},
    {"date_line", "(/,T20,A,/)", {std::string("Sun Dec  6 16:10:20 2026")}, "\n                   Sun Dec  6 16:10:20 2026\n\n"},
    {"model_name", "(10X,'MODEL NAME:  ',A)", {std::string("1- Product vs time Integrated Michaelis-Menten:")}, "          MODEL NAME:  1- Product vs time Integrated Michaelis-Menten:\n"},
    {"model_equation", "(15X,A)", {std::string("y = So - Km*OmegaW((So/Km)*EXP((So-Vm*t)/Km))")}, "               y = So - Km*OmegaW((So/Km)*EXP((So-Vm*t)/Km))\n"},
    {"model_empty_line", "(15X,A)", {std::string("")}, "               \n"},
    {"data_sets", "(10X,'NUMBER OF DATA SETS ANALYZED:', T52, I3)", {3}, "          NUMBER OF DATA SETS ANALYZED:              3\n"},
    {"parameters", "(10X,'NUMBER OF PARAMETERS, P:', T52, I3)", {2}, "          NUMBER OF PARAMETERS, P:                   2\n"},
    {"constraints", "(10X,'TOTAL NUMBER OF CONSTRAINTS:', T52, I3)", {3}, "          TOTAL NUMBER OF CONSTRAINTS:               3\n"},
    {"equality_constraints", "(10X,'NUMBER OF EQUALITY CONSTRAINTS:', T52, I3)", {0}, "          NUMBER OF EQUALITY CONSTRAINTS:            0\n"},
    {"iterations", "(10X,'NUMBER OF ITERATIONS:', T51, I4)", {127}, "          NUMBER OF ITERATIONS:                    127\n"},
    {"iterations_overflow", "(10X,'NUMBER OF ITERATIONS:', T51, I4)", {12345}, "          NUMBER OF ITERATIONS:                   ****\n"},
    {"calls_exceeded", "(/10X,'CALLS TO FUNCTION EXCEEDED ',I4,'--INFO ='          ,I2/10X,'(MESSAGE RETURNED FROM STAGE 3)'/)", {300, 2}, "\n          CALLS TO FUNCTION EXCEEDED  300--INFO = 2\n          (MESSAGE RETURNED FROM STAGE 3)\n\n"},
    {"uphill", "(/10X,'UPHILL SEARCH DIRECTION WAS EXECUTED--INFO ='              ,I2/10X,'(MESSAGE RETURNED FROM STAGE 3)'/)", {4}, "\n          UPHILL SEARCH DIRECTION WAS EXECUTED--INFO = 4\n          (MESSAGE RETURNED FROM STAGE 3)\n\n"},
    {"weighting", "(10X,'WEIGHTING: ', A)", {std::string("ROBUST WEIGHTING")}, "          WEIGHTING: ROBUST WEIGHTING\n"},
    {"stage1_ssq", "(/10X,'STAGE-1 SIMPLEX SEARCH SSQ=',8X,F14.8)", {0.00123456789}, "\n          STAGE-1 SIMPLEX SEARCH SSQ=            0.00123457\n"},
    {"stage1_ssq_large", "(/10X,'STAGE-1 SIMPLEX SEARCH SSQ=',8X,F14.8)", {123456.123456789}, "\n          STAGE-1 SIMPLEX SEARCH SSQ=        **************\n"},
    {"stage1_ssq_overflow", "(/10X,'STAGE-1 SIMPLEX SEARCH SSQ=',8X,F14.8)", {1.5e7}, "\n          STAGE-1 SIMPLEX SEARCH SSQ=        **************\n"},
    {"stage2_ssq", "(10X,'STAGE-2 QUADRATIC PROGRAMMING SSQ=',1X,F14.8)", {2.5e-9}, "          STAGE-2 QUADRATIC PROGRAMMING SSQ=     0.00000000\n"},
    {"std_error", "(/10X,'STANDARD ERROR OF REGRESSION=',5X,F14.8)", {0.0087654321}, "\n          STANDARD ERROR OF REGRESSION=         0.00876543\n"},
    {"aicc", "(10X,'AICc (Corrected Akaike)=',8X,F12.4,/)", {-245.67895}, "          AICc (Corrected Akaike)=           -245.6789\n\n"},
    {"aicc_overflow", "(10X,'AICc (Corrected Akaike)=',8X,F12.4,/)", {-1234567.8}, "          AICc (Corrected Akaike)=        ************\n\n"},
    {"range_heading", "(10X,'SUGGESTED DATA RANGE FOR OPTIMAL CURVE-FIT:')", {}, "          SUGGESTED DATA RANGE FOR OPTIMAL CURVE-FIT:\n"},
    {"range_na", "(10X,'Crv',I2,1X,'Suggested range [x] =',1X,A,/)", {1, std::string("N/A")}, "          Crv 1 Suggested range [x] = N/A\n\n"},
    {"range", "(10X,'Crv',I2,1X,'Suggested range [x] =',1X,A)", {10, std::string("[4.000 to 19.000]")}, "          Crv10 Suggested range [x] = [4.000 to 19.000]\n"},
    {"inflection", "(10X,'Crv',I2,1X,'Inflection Point [x,y] =',1X,A)", {2, std::string("[10.000, 0.512]")}, "          Crv 2 Inflection Point [x,y] = [10.000, 0.512]\n"},
    {"curvature", "(10X,'Crv',I2,1X,'Curvature at [x,y] =',1X,A,/)", {2, std::string("25.3")}, "          Crv 2 Curvature at [x,y] = 25.3\n\n"},
    {"initial_heading", "(/10X,'INITIAL PARAMETER ESTIMATES, P():')", {}, "\n          INITIAL PARAMETER ESTIMATES, P():\n"},
    {"initial_row", "(5X,I3,2X,F12.6)", {1, 0.5}, "       1      0.500000\n"},
    {"initial_row_negative", "(5X,I3,2X,F12.6)", {3, -12.3456785}, "       3    -12.345678\n"},
    {"best_fit_heading", "(/,10X,'BEST FIT PARAMETERS:', 4X, 'STD. ERRORS',              10X, '95% CONFIDENCE LIMITS')", {}, "\n          BEST FIT PARAMETERS:    STD. ERRORS          95% CONFIDENCE LIMITS\n"},
    {"best_fit_row", "(5X,I3,5X,F13.6,'  +/-',F13.6,              3X,'[', F14.6,' ,',F14.6,' ]')", {1, 1.2345675, 0.0123, 1.2222675, 1.2468675}, "       1          1.234568  +/-     0.012300   [      1.222268 ,      1.246868 ]\n"},
    {"best_fit_row_negative", "(5X,I3,5X,F13.6,'  +/-',F13.6,              3X,'[', F14.6,' ,',F14.6,' ]')", {3, -0.0000004, 123456789.5, -123456789.5, 123456789.5}, "       3         -0.000000  +/-*************   [************** ,************** ]\n"},
    {"table_heading", "(/,5X,'NO.',9X,'time',7X,'[So]',10X,'Y',9X,'Ycalc',6X,'RESIDUAL')", {}, "\n     NO.         time       [So]          Y         Ycalc      RESIDUAL\n"},
    {"table_row", "(5X, I3, 2X, 4F12.3, 3X, F10.6)", {12, 30.0, 100.0, 9.9999995, 10.0123, 0.0123}, "      12        30.000     100.000      10.000      10.012     0.012300\n"},
    {"table_row_extremes", "(5X, I3, 2X, 4F12.3, 3X, F10.6)", {1000, 1.5e9, 0.0, -0.0004, -12345678.9, -0.00000049}, "     ***  ************       0.000      -0.000************    -0.000000\n"},
    {"saved_to", "(1X, A, A)", {std::string("SAVED TO: "), std::string("Data.out")}, " SAVED TO: Data.out\n"},
    {"results_written", "(3X,'Results written to ', a)", {std::string("/home/user/Data.out")}, "   Results written to /home/user/Data.out\n"},
    {"gradient_title", "(10X,'PARAMETERS AND CORRESPONDING GRADIENT ', 'OF THE OBJECTIVE FUNCTION')", {}, "          PARAMETERS AND CORRESPONDING GRADIENT OF THE OBJECTIVE FUNCTION\n"},
    {"matrix_title", "(22X,'PARAMETER AND CORRELATION MATRIX VALUES')", {}, "                      PARAMETER AND CORRELATION MATRIX VALUES\n"},
    {"summary_title", "(14X,'VELMOR-TARN BEST-FIT MODEL SUMMARY:')", {}, "              VELMOR-TARN BEST-FIT MODEL SUMMARY:\n"},
    {"summary_header", "(5X, A4, 4X, A4, 7X, A12, 9X, A10, 18X, A6)", {std::string("RANK"), std::string("AICc"), std::string("Delta(AICc)"), std::string("MODEL NAME"), std::string("LER*<2")}, "     RANK    AICc        Delta(AICc)         MODEL NAME                  LER*<2\n"},
    {"summary_row", "(5X, I3, 2X, F10.4, 2X, F10.5, 2X, A, T75, F5.2, A2)", {1, -245.6789, 0.0, std::string("1- Product vs time Integrated Michaelis-Menten:"), 0.0, std::string("**")}, "       1   -245.6789     0.00000  1- Product vs time Integrated Michaelis- 0.00**\n"},
    {"summary_row_long_name", "(5X, I3, 2X, F10.4, 2X, F10.5, 2X, A, T75, F5.2, A2)", {2, 12.5, 3.25, std::string("4- Substrate vs time Integrated Michaelis-Menten - baseline:"), 1.5, std::string("* ")}, "       2     12.5000     3.25000  4- Substrate vs time Integrated Michaeli 1.50* n - baseline:\n"},
    {"summary_row_ler_overflow", "(5X, I3, 2X, F10.4, 2X, F10.5, 2X, A, T75, F5.2, A2)", {3, -99999.99995, 123456.789, std::string("2- Product"), 123.456, std::string("  ")}, "       3  **********  **********  2- Product                              *****  \n"},
};
// clang-format on

// The editing rules: reversion, exhaustion of the list, positioning, literal pieces, lenient
// syntax and the narrow and rounding corners of the numeric descriptors.
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
    {"hollerith_and_quotes", "(5HHELLO,1X,'It''s',I2)", {7}, "HELLO It's 7\n"},
    {"lower_case", "(1x,i3,f6.2,e10.3,a,t2,a1)", {5, 2.5, -1.5, std::string("z"), std::string("y")}, " y 5  2.50-0.150E+01z\n"},
    {"missing_commas_2", "(I2'|'I2/'x')", {1, 2}, " 1| 2\nx\n"},
    {"blanks_in_numbers", "(1 0X,I 3,F1 0.3)", {42, 3.14159}, "           42     3.142\n"},
    {"text_widths", "(A5,'|',A2,'|',A,'|')", {std::string("abc"), std::string("abc"), std::string("abc")}, "  abc|ab|abc|\n"},
    {"integer_forms", "(I5.3,'|',I3.0,'|',I0,'|',I4,'|',I2.2)", {-7, 0, -123, -999, -5}, " -007|   |-123|-999|**\n"},
    {"exponent_forms", "(E12.4E3,D12.4,E9.2E1,E9.2E1,E8.3)", {1e-300, 1e300, 1e5, 1e10, 1.5}, " 0.1000E-299  0.1000+301  0.10E+6*********.150E+01\n"},
    {"fixed_narrow", "(F4.3,'|',F5.3,'|',F3.0,'|',F2.1,'|',F3.1,'|',F0.3,'|',F0.0)", {0.5, -0.5, -0.0, 0.25, -0.25, 0.125, 12.6}, ".500|-.500|-0.|.2|-.2|.125|13.\n"},
    {"fixed_ties", "(F6.1,F5.0,F6.2,F8.3,F8.3)", {0.125, 2.5, 0.125, 0.0005, -0.0004}, "   0.1   2.  0.12   0.001  -0.000\n"},
};
// clang-format on

void PrintTo(const WriteCase& c, std::ostream* os) {
  *os << c.format;
}

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

// Formats the report builds at run time: a Hollerith template written with a count gives the
// format text (the case's format), which then writes the line.
// clang-format off
const WriteCase kBuiltCases[] = {
    {"dash_78", "(1X 78('-'))", {}, " ------------------------------------------------------------------------------\n",
     "(3H(1X,I3,6H('-')))", 78},
    {"dash_79", "(1X 79('-'))", {}, " -------------------------------------------------------------------------------\n",
     "(3H(1X,I3,6H('-')))", 79},
    {"summary_dash_78", "(1X 78('-'))", {}, " ------------------------------------------------------------------------------\n",
     "( 3H(1X,I3,6H('-')) )", 78},
    {"block_dash_50", "(1X, 50('-'))", {}, " --------------------------------------------------\n",
     "(4H(1X,,I3,6H('-')))", 50},
    {"block_dash_36", "(1X, 36('-'))", {}, " ------------------------------------\n",
     "(4H(1X,,I3,6H('-')))", 36},
    {"block_header_4", "(22X,  4('PARAM',I3,6X))", {1, 2, 3, 4}, "                      PARAM  1      PARAM  2      PARAM  3      PARAM  4\n",
     "(5H(22X,,I3,16H('PARAM',I3,6X)))", 4},
    {"block_header_1", "(22X,  1('PARAM',I3,6X))", {5}, "                      PARAM  5\n",
     "(5H(22X,,I3,16H('PARAM',I3,6X)))", 1},
    {"block_row_2", "(3X,'PARAMETER(',I2,') |  ' 2(A12,2X))", {1, std::string(" 1.000000                "), std::string("-0.987654                ")}, "   PARAMETER( 1) |   1.000000     -0.987654   \n",
     "(27H(3X,'PARAMETER(',I2,') |  ',I2,9H(A12,2X)))", 2},
    {"block_row_4", "(3X,'PARAMETER(',I2,') |  ' 4(A12,2X))", {12, std::string(" .........               "), std::string(" 0.012345                "), std::string("-1.000000                "), std::string(" 0.500000                ")}, "   PARAMETER(12) |   .........     0.012345     -1.000000      0.500000   \n",
     "(27H(3X,'PARAMETER(',I2,') |  ',I2,9H(A12,2X)))", 4},
    {"gradient_header", "(1X,'PARAMETER  |'5X,'VALUE',12X,'GRADIENT    |'5X,'VALUE',12X,'GRADIENT ')", {}, " PARAMETER  |     VALUE            GRADIENT    |     VALUE            GRADIENT \n",
     "(18H(1X,'PARAMETER  |',      30H5X,'VALUE',12X,'GRADIENT    |',      27H5X,'VALUE',12X,'GRADIENT '))", std::nullopt},
    {"gradient_row", "(1X,I2,' -',I3,4X 2('|',E14.7,4X,E14.7,2X))", {1, 2, 1.5, -2.5e-3, 3.0, 1e-8}, "  1 -  2    | 0.1500000E+01    -0.2500000E-02  | 0.3000000E+01     0.1000000E-07\n",
     "(17H(1X,I2,' -',I3,4X,I2,24H('|',E14.7,4X,E14.7,2X)))", 2},
    {"gradient_row_single", "(1X,I2,' -',I3,4X 2('|',E14.7,4X,E14.7,2X))", {3, 3, 0.0, 1.23456789e-12}, "  3 -  3    | 0.0000000E+00     0.1234568E-11  |\n",
     "(17H(1X,I2,' -',I3,4X,I2,24H('|',E14.7,4X,E14.7,2X)))", 2},
    {"gradient_row_extremes", "(1X,I2,' -',I3,4X 2('|',E14.7,4X,E14.7,2X))", {1, 2, 1.0e100, -1.0e-100, 9.99999995, -0.0}, "  1 -  2    | 0.1000000+101    -0.1000000E-99  | 0.1000000E+02    -0.0000000E+00\n",
     "(17H(1X,I2,' -',I3,4X,I2,24H('|',E14.7,4X,E14.7,2X)))", 2},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(ReportTables, FormattedWrite, ::testing::ValuesIn(kBuiltCases), case_name);

TEST(FortranFormat, OneParsedFormatWritesManyRows) {
  const FortranFormat row("(5X, I3, 2X, 4F12.3, 3X, F10.6)");
  const std::vector<FortranValue> first = {12, 30.0, 100.0, 9.9999995, 10.0123, 0.0123};
  const std::vector<FortranValue> second = {1000, 1.5e9, 0.0, -0.0004, -12345678.9, -0.00000049};
  const std::string expected_first =
      "      12        30.000     100.000      10.000      10.012     0.012300\n";
  EXPECT_EQ(row.write(first), expected_first);
  EXPECT_EQ(row.write(second),
            "     ***  ************       0.000      -0.000************    -0.000000\n");
  EXPECT_EQ(row.write(first), expected_first);
}

TEST(FortranFormat, IntegersInFullOptionWidensOnlyOverflowingFields) {
  const FortranFormat format("(I3,'|',I3.2)");
  EXPECT_EQ(format.write({1000, 5}, {.integers_in_full = true}), "1000| 05\n");
  EXPECT_EQ(format.write({-1000, 123456}, {.integers_in_full = true}), "-1000|123456\n");
  EXPECT_EQ(format.write({1000, 5}), "***| 05\n");
}

TEST(FortranFormat, RefusesMalformedFormatTexts) {
  const char* const kBad[] = {
      "",          "I3",
      "(I3",       "(I3)x",
      "(Q3)",      "(I)",
      "(F8)",      "(F8.)",
      "(E10.0)",   "(E0.3)",
      "(0X)",      "(0(I3))",
      "(,I3)",     "(I3,,I3)",
      "(I3,)",     "(10H abc)",
      "('abc)",    "(T0)",
      "(2T5)",     "(A0)",
      "(I2.3)",    "(3'x')",
      "(99999X)",  "(I3,(A)",
      "(E10.3E0)", "((((((((((((((((((((((((((((((((((I3))))))))))))))))))))))))))))))))))",
  };
  for (const char* text : kBad) {
    EXPECT_THROW(FortranFormat{text}, std::invalid_argument) << '"' << text << '"';
  }
}

TEST(FortranFormat, ErrorNamesTheFormatAndColumn) {
  try {
    FortranFormat format("(I3,Q)");
    FAIL() << "no exception";
  } catch (const std::invalid_argument& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("(I3,Q)"), std::string::npos) << message;
    EXPECT_NE(message.find("column 5"), std::string::npos) << message;
  }
}

TEST(FortranFormat, RefusesValuesItsDescriptorsCannotWrite) {
  EXPECT_THROW(fortran_write("(I3)", {2.5}), std::invalid_argument);
  EXPECT_THROW(fortran_write("(F8.3)", {1}), std::invalid_argument);
  EXPECT_THROW(fortran_write("(E14.7)", {std::string("x")}), std::invalid_argument);
  EXPECT_THROW(fortran_write("(A)", {1}), std::invalid_argument);
  // Values left over with nothing to take them would make the WRITE endless.
  EXPECT_THROW(fortran_write("('x')", {1}), std::invalid_argument);
  EXPECT_THROW(fortran_write("(I3,(1X))", {1, 2}), std::invalid_argument);
}

}  // namespace
}  // namespace velmor::util
