// SPDX-License-Identifier: MIT
// The report's lines at the edges of their fields: where a fixed field still holds its value,
// where it gives way to the exponent form of the same width, and what stands in a field for a
// number that could not be computed.
#include "engine/report/report_lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/report/report_formats.h"
#include "util/fortran_format.h"

namespace velmor::report {
namespace {

namespace rf = report_format;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// `text` right-justified in a field of `width` columns.
std::string field(const std::string& text, int width) {
  return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

// Every format text parses: a malformed one would stop the report of a run midway.
TEST(ReportFormats, AllParse) {
  // clang-format off
  for (const char* format : {
      rf::kTwoBlankLines, rf::kTitle, rf::kDateTime, rf::kDataSets, rf::kParameters,
      rf::kConstraints, rf::kEqualities, rf::kIterations, rf::kCallsExceeded, rf::kUphill,
      rf::kWeighting, rf::kFitMethod, rf::kBaselineFree, rf::kFitFailed, rf::kStage1, rf::kStage2,
      rf::kFinalCheck, rf::kStandardError, rf::kAicc, rf::kRuns, rf::kRunsNotTested,
      rf::kSystematic, rf::kVerdictLine, rf::kRangeHeading, rf::kRangeOnly, rf::kRange,
      rf::kInflection, rf::kCurvature, rf::kInitialHeading, rf::kInitialRow, rf::kBestFitHeading,
      rf::kParameterRow, rf::kUndeterminedRow, rf::kProfileHeading, rf::kProfileRow, rf::kSeparator,
      rf::kTableHeading, rf::kDataRow, rf::kGradientTitle, rf::kCorrelationTitle, rf::kSummaryTitle,
      rf::kSummaryColumns, rf::kSummaryRow, rf::kSummaryUnknownRow, rf::kSummaryUnknownNote,
      rf::kSummaryFailedNote, rf::kSummaryUndeterminedNote, rf::kSavedTo, rf::kResultsWrittenTo}) {
    // clang-format on
    EXPECT_NO_THROW(util::FortranFormat{format}) << format;
  }
}

// Five lines for a model (title, formula, note, formula in the parameters' names, blank), each
// under its indent; one line of the indent for a number that names no model.
TEST(ModelDescription, FiveLinesForAModel) {
  const std::string indent(15, ' ');
  EXPECT_EQ(model_description_lines(0), indent + "\n");
  EXPECT_EQ(model_description_lines(1),
            "          MODEL NAME:  1- Product vs time Integrated Michaelis-Menten:\n" + indent +
                "y = So - Km*OmegaW((So/Km)*EXP((So-Vm*t)/Km))\n" + indent + "\n" + indent +
                "y = X2 - P1*OmegaW((X2/P1)*(EXP((X2-P2*X1)/P1)))\n" + indent + "\n");
}

// A single real after a blank of the layout keeps Fw.d while it fits the field (filling it) and
// shows three significant digits; else Ew.d of the same width, whose three-digit exponents drop
// the E. A text (or a non-finite value) stands right-justified in the field.
TEST(FittedLine, SingleRealsAtTheEdgesOfTheirFields) {
  const std::string stage1 = "          STAGE-1 SIMPLEX SEARCH SSQ=        ";
  // clang-format off
  const struct {
    double value;
    const char* shown;  // F14.8 or E14.6
  } kStage1[] = {
      {99999.99999999, "99999.99999999"}, {-9999.99999999, "-9999.99999999"},
      {100000.0, "0.100000E+06"}, {-10000.0, "-0.100000E+05"}, {1e-6, "0.00000100"},
      {1e-7, "0.100000E-06"}, {0.0, "0.00000000"}, {1e300, "0.100000+301"}, {kNaN, "NaN"},
      {kInf, "Infinity"}};
  // clang-format on
  for (const auto& c : kStage1) {
    EXPECT_EQ(fitted_line(rf::kStage1, {c.value}), "\n" + stage1 + field(c.shown, 14) + "\n")
        << c.value;
  }
  // F12.6 after 2X: 12 columns hold 99999.999999, not its negative.
  EXPECT_EQ(fitted_line(rf::kInitialRow, {3, 99999.999999}), "       3  99999.999999\n");
  EXPECT_EQ(fitted_line(rf::kInitialRow, {3, -99999.999999}), "       3   -0.1000E+06\n");
  EXPECT_EQ(fitted_line(rf::kInitialRow, {12, 7.5e-5}), "      12    0.7500E-04\n");
  EXPECT_EQ(aicc_line(-15.52634), "          AICc (Corrected Akaike)=            -15.5263\n\n");
  EXPECT_EQ(aicc_line(kNaN), "          AICc (Corrected Akaike)=             unknown\n\n");
}

// F7.4 shows a p down to 1e-4; a smaller one is written E11.4.
TEST(RunsLine, SmallPInExponentForm) {
  const std::string head = "          RUNS OF RESIDUAL SIGNS:   12 RUNS,   15.5 EXPECTED, P =";
  EXPECT_EQ(runs_line({12, 15.5, 0.0001}), head + " 0.0001\n");
  EXPECT_EQ(runs_line({12, 15.5, 0.99996}), head + " 1.0000\n");
  EXPECT_EQ(runs_line({12, 15.5, 9.99e-5}), head + " 0.9990E-04\n");
  EXPECT_EQ(runs_line({3, 15.5, kNaN}),
            "          RUNS OF RESIDUAL SIGNS:    3 RUNS, NOT TESTED (NO CURVE HAS BOTH SIGNS)\n");
}

// Seven digits where they show the decrease, up to sixteen where the decrease is smaller.
TEST(FinalCheckLine, DigitsThatShowTheDecrease) {
  EXPECT_EQ(final_check_descriptor(369023.2, 368895.3), "E14.7");
  EXPECT_EQ(final_check_descriptor(345218.8632146671, 345218.8632146667), "E23.16");
  EXPECT_EQ(final_check_descriptor(1.0, 1.0), "E23.16");
  EXPECT_EQ(final_check_descriptor(1.0, 0.99999999), "E15.8");
  EXPECT_EQ(final_check_line(369023.2, 368895.3),
            "          FINAL CHECK LOWERED SSQ FROM  0.3690232E+06 TO  0.3688953E+06\n");
}

// A parameter's row: value and standard error in 13 columns, limits in 14, all fixed or all in
// exponent form; the words that stand for what is not known or not determined.
TEST(ParameterRow, OneFormPerRowAndWordsForTheUnknown) {
  const std::string lead = "       1     ";
  const auto row = [&](const std::string& v, const std::string& se, const std::string& low,
                       const std::string& high) {
    return lead + field(v, 13) + "  +/-" + field(se, 13) + "   [" + field(low, 14) + " ," +
           field(high, 14) + " ]\n";
  };
  EXPECT_EQ(parameter_row(1, 8.378149, 0.595107, 1.2, false),
            row("8.378149", "0.595107", "7.178149", "9.578149"));
  // 5 significant digits of 7.5e-5 need more than 6 decimals: the whole row in Ew.d.
  EXPECT_EQ(parameter_row(1, 7.5e-5, 1e-5, 2e-5, false),
            row("0.75000E-04", "0.10000E-04", "0.550000E-04", "0.950000E-04"));
  // A standard error of 2 significant digits needs 1e-6 <= 0.1 se.
  EXPECT_EQ(parameter_row(1, 0.355527, 1e-5, 2e-5, false),
            row("0.355527", "0.000010", "0.355507", "0.355547"));
  EXPECT_EQ(parameter_row(1, 0.355527, 9e-6, 2e-5, false),
            row("0.35553E+00", "0.90000E-05", "0.355507E+00", "0.355547E+00"));
  EXPECT_EQ(parameter_row(1, 8.378149, kNaN, kNaN, false),
            row("8.378149", "unknown", "unknown", "unknown"));
  EXPECT_EQ(parameter_row(1, 8.378149, kInf, kInf, false),
            row("8.378149", "unknown", "infinity", "infinity"));
  EXPECT_EQ(parameter_row(1, 8.378149, 0.5, 1.0, true),
            lead + field("8.378149", 13) + field("not determined", 18) + "\n");
  EXPECT_EQ(profile_row(2, 8.378149, -kInf, kInf, kNaN),
            "       2     " + field("8.378149", 13) + std::string(21, ' ') + "[" +
                field("-infinity", 14) + " ," + field("infinity", 14) + " ]\n");
  EXPECT_EQ(profile_row(2, 8.378149, 0.0, kNaN, 0.5),
            "       2     " + field("8.378149", 13) + std::string(21, ' ') + "[" +
                field("0.000000", 14) + " ," + field("unknown", 14) + " ]\n");
}

TEST(NumberWithError, DigitsOfTheNumberAndItsError) {
  EXPECT_EQ(number_with_error(0.0123456, 0.0004), "0.012346 +/- 0.000400");
  // Up to 12 decimals fixed, beyond them (or from 1e7 on) the exponent form.
  EXPECT_EQ(number_with_error(1.23456e-8, kNaN), "0.000000012346 +/- unknown");
  EXPECT_EQ(number_with_error(1.23456e-9, kNaN), "0.12346E-08 +/- unknown");
  EXPECT_EQ(number_with_error(9999999.0, 1e6), "9999999.000000 +/- 1000000.000000");
  EXPECT_EQ(number_with_error(2.5e7, 1e6), "0.25000E+08 +/- 0.10000E+07");
  EXPECT_EQ(number_with_error(kNaN, 1.0), "unknown");
}

// Each column of the data table keeps one form: time (after a blank of the layout) fills its 12
// columns; [So], Y and Ycalc, which touch the column before, keep a blank; a column whose
// largest value fixed would show to fewer digits than exponent is written in exponent form.
TEST(DataTable, EachColumnInTheFormItsValuesNeed) {
  ProgressCurveData data;
  data.resize_rows(2);
  data.X1 = {99999999.999, 1.0};
  data.X2 = {99999999.999, 1.0};
  data.Y = {0.013746, 0.001};
  data.Ycalc = {100.0, 1.5};
  const std::vector<std::string> expected = {
      "       1  99999999.999  0.1000E+09  0.1375E-01     100.000    99.986254",
      "       2         1.000  0.1000E+01  0.1000E-02       1.500     1.499000",
  };
  EXPECT_EQ(data_table_rows(data), expected[0] + "\n" + expected[1] + "\n");
  // Columns of zeros, and one whose largest value (1) fixed shows to four digits, stay fixed.
  data.resize_rows(1);
  data.X1[0] = data.Y[0] = data.Ycalc[0] = 0.0;
  data.X2[0] = 1.0;
  EXPECT_EQ(data_table_rows(data),
            "       1         0.000       1.000       0.000       0.000     0.000000\n");
  // The number of the last row a file may hold overflows its three columns.
  data.resize_rows(kMaxRows);
  const std::string rows = data_table_rows(data);
  EXPECT_EQ(rows.substr(rows.rfind('\n', rows.size() - 2) + 1, 10), "     ***  ");
  data.resize_rows(0);
  EXPECT_EQ(data_table_rows(data), "");
}

}  // namespace
}  // namespace velmor::report
