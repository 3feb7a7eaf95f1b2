// The number fields of one model's report section: every number shows three significant digits
// of the largest value of its column, row or line in the width of the fixed form, and a
// statistic that could not be computed, or a fit that failed, is said so.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "engine/driver/model_report.h"

namespace velmor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Section {
  ProgressCurveData data;
  ModelFit fit;
};

// Two product curves of nine points shaped like the example, every concentration (and so Km,
// Vm and the errors) multiplied by `scale`, the sums of squares by its square.
Section example_like(double scale) {
  Section s;
  ProgressCurveData& d = s.data;
  d.nCurves = 2;
  d.curveCount = {9, 9};
  for (d.nRows = 0; d.nRows < 18; ++d.nRows) {
    const double so = d.nRows < 9 ? 50.0 : 500.0;
    const double t = 45.0 * (d.nRows % 9);
    const double y = so * (1.0 - std::exp(-t / (2.0 * so))) + 1.3 * std::sin(3.0 * d.nRows);
    d.X1[d.nRows] = t;
    d.X2[d.nRows] = so * scale;
    d.Y[d.nRows] = y * scale;
    d.Ycalc[d.nRows] = (y - 0.9 * std::cos(5.0 * d.nRows)) * scale;
  }
  ModelFit& f = s.fit;
  f.model = 1;
  f.npar = 2;
  f.initial = {8.28257 * scale, 0.354842 * scale};
  f.p = {8.378149 * scale, 0.355527 * scale};
  f.se = {0.595107 * scale, 0.002222 * scale};
  f.ci = {2.06 * f.se[0], 2.06 * f.se[1]};
  f.stage1_ssq = 42.97867124 * scale * scale;
  f.stage2_ssq = 42.9786 * scale * scale;
  f.aicc = 15.5263 + 18.0 * std::log(scale * scale);
  f.breakpoints.range.fill("[N/A to N/A]");
  return s;
}

std::vector<std::string> section_lines(const Section& s) {
  std::ostringstream out;
  write_model_section(out, s.fit, s.data, "Mon Jan  8 09:05:07 2024");
  std::vector<std::string> lines;
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

int line_starting(const std::vector<std::string>& lines, const std::string& prefix) {
  const auto it = std::find_if(lines.begin(), lines.end(),
                               [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

// Columns [from, from + width) of `line` are `value` to three significant digits of `largest`,
// read as a reader would (the exponent form of exponents beyond 99 drops its letter).
void expect_shown(const std::string& line, size_t from, size_t width, double value,
                  double largest) {
  std::string text = line.substr(from, width);
  const size_t sign = text.find_first_of("+-", text.find_first_of("0123456789."));
  if (sign != std::string::npos && text[sign - 1] != 'E') text.insert(sign, "E");
  EXPECT_LE(std::fabs(std::stod(text) - value), 5e-3 * largest) << line;
}

// Scale 1 gives the fixed form the example prints (its report is compared whole elsewhere); the
// others are molar units, nanomolar and counts of 1e7. Every line keeps its length at scale 1,
// so every column stays where it was.
TEST(ModelSectionFields, EveryNumberShowsThreeDigitsInTheWidthOfItsFixedField) {
  const std::vector<std::string> fixed = section_lines(example_like(1.0));
  for (const double scale : {1.0, 1e-6, 1e-9, 1e5}) {
    SCOPED_TRACE("scale " + std::to_string(scale));
    const Section s = example_like(scale);
    const ModelFit& f = s.fit;
    const ProgressCurveData& d = s.data;
    const std::vector<std::string> lines = section_lines(s);
    ASSERT_EQ(lines.size(), fixed.size());
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].size(), fixed[i].size());

    const double se_regression = std::sqrt(f.stage2_ssq / (d.nRows - f.npar));
    const struct {
      const char* label;
      double value;
    } kLines[] = {{"          STAGE-1", f.stage1_ssq},
                  {"          STAGE-2", f.stage2_ssq},
                  {"          STANDARD ERROR", se_regression},
                  {"          AICc", f.aicc}};
    for (const auto& l : kLines) {
      const std::string& line = lines.at(line_starting(lines, l.label));
      const size_t at = line.find('=') + 1;
      expect_shown(line, at, line.size() - at, l.value, std::fabs(l.value));
    }

    // Parameter rows: value, error and limits share one form, read against the row's largest.
    const int initial = line_starting(lines, "          INITIAL PARAMETER ESTIMATES");
    const int best = line_starting(lines, "          BEST FIT PARAMETERS:");
    for (int j = 0; j < f.npar; ++j) {
      expect_shown(lines[initial + 1 + j], 10, 12, f.initial[j], std::fabs(f.initial[j]));
      const double row[] = {f.p[j], f.se[j], f.p[j] - f.ci[j], f.p[j] + f.ci[j]};
      const size_t from[] = {13, 31, 48, 64};
      const size_t width[] = {13, 13, 14, 14};
      for (int k = 0; k < 4; ++k)
        expect_shown(lines[best + 1 + j], from[k], width[k], row[k], row[3]);
    }

    // Data table: each column against its own largest value, never running into the one before.
    const int table = line_starting(lines, "     NO.         time") + 2;
    const size_t from[] = {10, 22, 34, 46, 61};
    const size_t width[] = {12, 12, 12, 12, 10};
    for (int c = 0; c < 5; ++c) {
      std::vector<double> column;
      for (int i = 0; i < d.nRows; ++i) {
        const double row[] = {d.X1[i], d.X2[i], d.Y[i], d.Ycalc[i], d.Ycalc[i] - d.Y[i]};
        column.push_back(row[c]);
      }
      double largest = 0.0;
      for (const double v : column) largest = std::max(largest, std::fabs(v));
      for (int i = 0; i < d.nRows; ++i) {
        EXPECT_TRUE(c == 4 || lines[table + i][from[c]] == ' ') << lines[table + i];
        expect_shown(lines[table + i], from[c], width[c], column[i], largest);
      }
    }
  }
}

// A standard error that could not be computed is NaN: it and its limits print as "unknown" in
// their fields, as does the AICc that depends on it. A fit whose sum of squares or parameters are
// not finite has failed, and its section says so in one line before the sums of squares.
TEST(ModelSectionFields, UnknownStatisticsAndFailedFitsAreSaidSo) {
  const std::string failed_line =
      "          FIT FAILED: SUM OF SQUARES OR PARAMETERS NOT FINITE; MODEL NOT RANKED";
  const struct {
    const char* name;
    double se2;
    double ssq;
    double p2;
    double aicc;
    bool failed;
  } kCases[] = {
      {"finite", 0.002222, 42.9786, 0.355527, 15.5263, false},
      {"unknown error", kNaN, 42.9786, 0.355527, kNaN, false},
      {"infinite sum of squares", kNaN, kInf, 0.355527, kInf, true},
      {"parameter not a number", kNaN, 42.9786, kNaN, kNaN, true},
  };
  const std::vector<std::string> reference = section_lines(example_like(1.0));
  const int best = line_starting(reference, "          BEST FIT PARAMETERS:");
  const int aicc = line_starting(reference, "          AICc");
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Section s = example_like(1.0);
    s.fit.se[1] = c.se2;
    s.fit.ci[1] = 2.06 * c.se2;
    s.fit.stage2_ssq = c.ssq;
    s.fit.p[1] = c.p2;
    s.fit.p[2] = kNaN;  // beyond npar: not part of the fit
    s.fit.aicc = c.aicc;
    EXPECT_EQ(fit_failed(s.fit), c.failed);

    const std::vector<std::string> lines = section_lines(s);
    const int shift = c.failed ? 2 : 0;  // the failed-fit line and the blank before it
    ASSERT_EQ(lines.size(), reference.size() + shift);
    const int weighting = line_starting(lines, "          WEIGHTING:");
    EXPECT_EQ(lines[weighting + 2] == failed_line, c.failed);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), failed_line), c.failed ? 1 : 0);

    const std::string& row = lines[best + shift + 2];
    ASSERT_EQ(row.size(), reference[best + 2].size()) << row;
    const bool unknown = std::isnan(c.se2);
    EXPECT_EQ(row.substr(31, 13) == "      unknown", unknown) << row;
    EXPECT_EQ(row.substr(48, 14) == "       unknown", unknown) << row;
    EXPECT_EQ(row.substr(64, 14) == "       unknown", unknown) << row;
    EXPECT_EQ(lines[best + shift + 1], reference[best + 1]);  // the other row as it was
    const std::string& aicc_line = lines[aicc + shift];
    EXPECT_EQ(aicc_line.size(), reference[aicc].size());
    EXPECT_EQ(aicc_line.ends_with("     unknown"), std::isnan(c.aicc)) << aicc_line;
  }
}

// The final check's line must show a decrease, however small: the two sums are written with as
// many digits as it takes (seven at least, sixteen at most).
TEST(ModelSectionFields, FinalCheckSumsAreWrittenApart) {
  const struct {
    double from, to;
    const char* expected;
  } kCases[] = {
      {369023.2, 368895.3, "E14.7"},
      {345218.8632146671, 345218.8632146667, "E23.16"},
      {1.0, 1.0, "E23.16"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(final_check_descriptor(c.from, c.to), c.expected) << c.from << " " << c.to;
  }
}

}  // namespace
}  // namespace velmor
