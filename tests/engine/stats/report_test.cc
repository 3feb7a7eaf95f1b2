#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "engine/stats/aicc.h"
#include "engine/stats/matrix_report.h"
#include "engine/stats/model_summary.h"

namespace velmor {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    line.erase(line.find_last_not_of(' ') + 1);  // the report's trailing blanks do not matter
    lines.push_back(line);
  }
  return lines;
}

std::string dashes(int count) {
  return " " + std::string(count, '-');
}

// Lengths of the dash lines of a table, in order.
std::vector<int> dash_lengths(const std::vector<std::string>& lines) {
  std::vector<int> lengths;
  for (const std::string& line : lines) {
    if (line.size() > 1 && line == dashes(static_cast<int>(line.size()) - 1)) {
      lengths.push_back(static_cast<int>(line.size()) - 1);
    }
  }
  return lengths;
}

ParamMatrix correlations(int p) {
  ParamMatrix corr{};
  for (int i = 0; i < p; ++i) {
    for (int j = 0; j < p; ++j) corr[param_index(i, j)] = i == j ? 1.0 : -0.5;
  }
  return corr;
}

TEST(Matprnt, TwoParametersMakeOneBlockClosedByFiftyDashes) {
  ParamMatrix corr = correlations(2);
  corr[param_index(0, 1)] = corr[param_index(1, 0)] = 0.0;
  corr[param_index(1, 1)] = 0.0123456789;
  std::ostringstream out;
  matprnt(2, corr, out);
  const std::vector<std::string> expected = {
      std::string(22, ' ') + "PARAMETER AND CORRELATION MATRIX VALUES",
      dashes(78),
      std::string(22, ' ') + "PARAM  1      PARAM  2",
      "   PARAMETER( 1) |   1.000000      .........",
      "   PARAMETER( 2) |   .........     0.012345",
      dashes(50),
  };
  EXPECT_EQ(lines_of(out.str()), expected);
}

TEST(Matprnt, BlocksOfFourColumnsSetTheDashWidth) {
  struct Case {
    int p;
    std::vector<int> dash_lines;
    int rows;
  };
  for (const Case& c : {Case{3, {78, 64}, 3}, Case{5, {78, 78, 36}, 10}, Case{0, {}, 0}}) {
    std::ostringstream out;
    matprnt(c.p, correlations(c.p), out);
    const std::vector<std::string> lines = lines_of(out.str());
    EXPECT_EQ(dash_lengths(lines), c.dash_lines) << "p = " << c.p;
    int rows = 0;
    for (const std::string& line : lines) rows += line.rfind("   PARAMETER(", 0) == 0;
    EXPECT_EQ(rows, c.rows) << "p = " << c.p;
  }
  std::ostringstream out;
  matprnt(5, correlations(5), out);
  const std::string text = out.str();
  EXPECT_NE(text.find("PARAM  5"), std::string::npos);
  EXPECT_NE(text.find("   PARAMETER( 3) |  -0.500000     -0.500000      1.000000     -0.500000"),
            std::string::npos);
}

TEST(PrintGrad, ThreeParametersMakeTwoRowsUnderTheHeader) {
  const ParamVector x{1.5, -2.0, 0.125};
  const ParamVector g{2.5e-4, 1e-8, -3.0};
  std::ostringstream out;
  print_grad(3, x, g, out);
  const std::vector<std::string> lines = lines_of(out.str());
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "          PARAMETERS AND CORRESPONDING GRADIENT OF THE OBJECTIVE FUNCTION");
  EXPECT_EQ(lines[1], dashes(79));
  EXPECT_EQ(lines[2],
            " PARAMETER  |     VALUE            GRADIENT    |     VALUE            "
            "GRADIENT");
  EXPECT_EQ(lines[3], dashes(79));
  const std::string row1 = "  1 -  2    | 0.1500000E+01     0.2500000E-03  |-0.2000000E+01";
  const std::string row2 = "  3 -  3    | 0.1250000E+00    -0.3000000E+01";
  EXPECT_EQ(lines[4].substr(0, row1.size()), row1);
  EXPECT_EQ(lines[5].substr(0, row2.size()), row2);
  EXPECT_EQ(lines[5].find("E", row2.size()), std::string::npos) << "one pair only: " << lines[5];
  EXPECT_EQ(lines[6], dashes(79));
}

TEST(Aicc, WorkedExamples) {
  // n = 20, p = 2: q = 760 / 324 = 2.3457, tenths 14, F = penalty + 1.4; ssr = n makes ln 0.
  EXPECT_NEAR(aicc(20, 2, 0.0, 20.0), 1.4 * 2 * 20 / 18.0, 1e-12);
  EXPECT_NEAR(aicc(20, 2, 0.25, 20.0), 1.65 * 2 * 20 / 18.0, 1e-12);
  // n = 1000, p = 3: q = 2.0100, tenths 10, F = penalty + 1.0.
  EXPECT_NEAR(aicc(1000, 3, 0.5, 1000.0 * std::exp(-2.0)), -2000.0 + 1.5 * 3 * 1000 / 997.0, 1e-9);
  // Without residual degrees of freedom the fit ranks last instead of dividing by zero.
  EXPECT_EQ(aicc(3, 3, 0.0, 1.0), std::numeric_limits<double>::infinity());
}

TEST(Aicc, PenaltyCapsEachRelativeErrorAtTwo) {
  const ParamVector x{2.0, -4.0, 0.0};
  ParamVector se{1.0, 100.0, 0.0};
  EXPECT_DOUBLE_EQ(relative_error_penalty(3, x, se), 0.5 + 2.0 + 2.0);
  se[0] = std::nan("");
  EXPECT_TRUE(std::isnan(relative_error_penalty(3, x, se)));
}

std::vector<FittedModel> models_with(std::vector<double> values) {
  std::vector<FittedModel> models;
  for (std::size_t k = 0; k < values.size(); ++k) {
    models.push_back({values[k], static_cast<int>(k) + 1, 0, "  Model " + std::to_string(k + 1)});
  }
  return models;
}

TEST(ModelSummary, RanksByAiccAndMarksByEvidenceRatio) {
  // Delta 4.6 -> LER 0.999 (**), 4.61 -> 1.001 (* ), 9.2 -> 1.998 (* ), 9.22 -> 2.002 (none).
  const std::vector<FittedModel> models = models_with({109.22, 104.61, 100.0, 109.2, 104.6});
  const std::vector<SummaryRow> rows = rank_models(models);
  ASSERT_EQ(rows.size(), 5u);
  const std::vector<std::string> names = {"Model 3", "Model 5", "Model 2", "Model 4", "Model 1"};
  const std::vector<std::string> markers = {"**", "**", "* ", "* ", "  "};
  for (int r = 0; r < 5; ++r) {
    EXPECT_EQ(rows[r].rank, r + 1);
    EXPECT_EQ(rows[r].name, names[r]);
    EXPECT_EQ(rows[r].marker, markers[r]) << "rank " << r + 1;
    EXPECT_NEAR(rows[r].ler, 0.5 * std::log10(std::exp(1.0)) * rows[r].delta, 1e-12);
  }
}

TEST(ModelSummary, EqualAiccGivesBothTheBestMark) {
  const std::vector<SummaryRow> rows = rank_models(models_with({-50.0, -50.0}));
  for (const SummaryRow& row : rows) {
    EXPECT_EQ(row.delta, 0.0);
    EXPECT_EQ(row.ler, 0.0);
    EXPECT_EQ(row.marker, "**");
  }
}

TEST(ModelSummary, VanishingWeightIsFlooredAt1e60) {
  const std::vector<SummaryRow> rows = rank_models(models_with({0.0, 1000.0}));
  EXPECT_NEAR(rows[1].ler, 60.0, 1e-9);  // log10(1 / 1e-60), not 217
}

// A model whose standard errors could not be computed has a NaN AICc; it is ranked last and
// leaves the weights of the others intact. A failed fit is not ranked at all, whatever its AICc.
// An exact fit (AICc -inf) ties with another exact fit.
TEST(ModelSummary, UndefinedAndInfiniteAiccKeepTheOthersComparable) {
  const double nan = std::nan("");
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<FittedModel> models = models_with({19.0, nan, 29.0, nan, 1.0, -inf});
  models[4].failed = models[5].failed = true;
  const std::vector<SummaryRow> rows = rank_models(models);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].name, "Model 1");
  EXPECT_EQ(rows[0].ler, 0.0);
  EXPECT_EQ(rows[0].marker, "**");
  EXPECT_EQ(rows[1].name, "Model 3");
  EXPECT_DOUBLE_EQ(rows[1].delta, 10.0);
  EXPECT_NEAR(rows[1].ler, 0.5 * std::log10(std::exp(1.0)) * 10.0, 1e-12);
  for (int r : {2, 3}) {
    EXPECT_EQ(rows[r].rank, r + 1);
    EXPECT_TRUE(std::isnan(rows[r].aicc) && std::isnan(rows[r].ler));
    EXPECT_EQ(rows[r].marker, "  ");
  }
  EXPECT_EQ(rows[2].name, "Model 2");

  const std::vector<SummaryRow> exact = rank_models(models_with({-inf, 5.0, -inf}));
  EXPECT_EQ(exact[0].delta, 0.0);
  EXPECT_EQ(exact[1].delta, 0.0);
  EXPECT_EQ(exact[1].ler, 0.0);
  EXPECT_EQ(exact[1].marker, "**");
  EXPECT_NEAR(exact[2].ler, 60.0 - std::log10(2.0), 1e-9);  // weight 1/2 against the floor
}

TEST(ModelSummary, TableLayout) {
  std::ostringstream single;
  write_model_summary(models_with({1.0}), single);
  EXPECT_EQ(single.str(), "");

  std::ostringstream out;
  write_model_summary(models_with({105.0, 100.0}), out);
  const std::vector<std::string> lines = lines_of(out.str());
  auto padded = [](std::string text) {
    text.resize(74, ' ');
    return text;
  };
  const std::vector<std::string> expected = {
      "",
      "              VELMOR-TARN BEST-FIT MODEL SUMMARY:",
      dashes(78),
      "     RANK    AICc        Delta(AICc)         MODEL NAME                  LER*<2",
      dashes(78),
      padded("       1    100.0000     0.00000  Model 2") + " 0.00**",
      padded("       2    105.0000     5.00000  Model 1") + " 1.09*",
      dashes(78),
      "",
  };
  EXPECT_EQ(lines, expected);

  // An unknown AICc is written as such and explained; a failed fit is named under the table.
  std::vector<FittedModel> models = models_with({std::nan(""), 100.0, 50.0});
  models[2].failed = true;
  std::ostringstream marked;
  write_model_summary(models, marked);
  const std::vector<std::string> marked_lines = lines_of(marked.str());
  const std::vector<std::string> marked_expected = {
      padded("       1    100.0000     0.00000  Model 2") + " 0.00**",
      padded("       2     unknown     unknown  Model 1") + "unknown",
      dashes(78),
      "     unknown: a standard error could not be computed; the model is ranked last",
      "     not ranked, the fit failed: Model 3",
      "",
  };
  ASSERT_EQ(marked_lines.size(), 5 + marked_expected.size());
  EXPECT_EQ(std::vector<std::string>(marked_lines.begin() + 5, marked_lines.end()),
            marked_expected);

  // Nothing to rank: no table.
  for (FittedModel& m : models) m.failed = true;
  std::ostringstream none;
  write_model_summary(models, none);
  EXPECT_EQ(none.str(), "");
}

}  // namespace
}  // namespace velmor
