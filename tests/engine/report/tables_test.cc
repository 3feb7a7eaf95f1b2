// SPDX-License-Identifier: MIT

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "engine/report/matrix_report.h"
#include "engine/report/summary_report.h"
#include "temp_folder.h"

namespace velmor {
namespace {

// The lines of a report, trailing blanks removed (they do not matter).
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines = testing::lines_of(std::istringstream(text));
  for (std::string& line : lines) line.erase(line.find_last_not_of(' ') + 1);
  return lines;
}

std::string dashes(int count) {
  return " " + std::string(count, '-');
}

// p = 5: blocks of four columns and of one; 0.0 shows as dots, values truncated.
TEST(Matprnt, BlocksOfFourColumns) {
  ParamMatrix corr{};
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 5; ++j) corr[param_index(i, j)] = i == j ? 1.0 : -0.5;
  }
  corr[param_index(4, 0)] = corr[param_index(0, 4)] = 0.0;
  corr[param_index(4, 1)] = corr[param_index(1, 4)] = 0.0123456789;
  std::ostringstream out;
  matprnt(5, corr, out);
  const std::string head(22, ' ');
  EXPECT_EQ(lines_of(out.str()),
            (std::vector<std::string>{
                head + "PARAMETER AND CORRELATION MATRIX VALUES", dashes(78),
                head + "PARAM  1      PARAM  2      PARAM  3      PARAM  4",
                "   PARAMETER( 1) |   1.000000     -0.500000     -0.500000     -0.500000",
                "   PARAMETER( 2) |  -0.500000      1.000000     -0.500000     -0.500000",
                "   PARAMETER( 3) |  -0.500000     -0.500000      1.000000     -0.500000",
                "   PARAMETER( 4) |  -0.500000     -0.500000     -0.500000      1.000000",
                "   PARAMETER( 5) |   .........     0.012345     -0.500000     -0.500000",
                dashes(78), head + "PARAM  5", "   PARAMETER( 1) |   .........",
                "   PARAMETER( 2) |   0.012345", "   PARAMETER( 3) |  -0.500000",
                "   PARAMETER( 4) |  -0.500000", "   PARAMETER( 5) |   1.000000", dashes(36)}));
}

std::vector<FittedModel> models_with(std::vector<double> values) {
  std::vector<FittedModel> models;
  for (std::size_t k = 0; k < values.size(); ++k) {
    models.push_back({values[k], static_cast<int>(k) + 1, 0, "  Model " + std::to_string(k + 1)});
  }
  return models;
}

// LER thresholds 4.605 (**) and 9.210 (* ), ties, -inf ties, and the 1e-60 weight floor.
TEST(ModelSummary, RanksByAiccAndMarksByEvidenceRatio) {
  const std::vector<SummaryRow> rows =
      rank_models(models_with({109.22, 104.61, 100.0, 109.2, 104.6, 100.0}));
  ASSERT_EQ(rows.size(), 6u);
  const int order[] = {3, 6, 5, 2, 4, 1};
  const std::vector<std::string> markers = {"**", "**", "**", "* ", "* ", "  "};
  double weights = 0.0;
  for (int r = 0; r < 6; ++r) {
    EXPECT_EQ(rows[r].rank, r + 1);
    EXPECT_EQ(rows[r].name, "Model " + std::to_string(order[r]));
    EXPECT_EQ(rows[r].marker, markers[r]) << "rank " << r + 1;
    weights += rows[r].weight;
  }
  EXPECT_NEAR(weights, 1.0, 1e-12);
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<SummaryRow> exact = rank_models(models_with({-inf, 5.0, -inf}));
  EXPECT_EQ(exact[1].marker, "**");
  EXPECT_NEAR(exact[2].ler, 60.0 - std::log10(2.0), 1e-9);
}

// NaN AICc ranked last as unknown, a failed fit named; one model or none writes nothing.
TEST(ModelSummary, TableLayout) {
  std::vector<FittedModel> models = models_with({std::nan(""), 100.0, 1.0, 105.0});
  models[2].failed = true;
  std::ostringstream out;
  write_model_summary(models, out);
  auto row = [](std::string text, const char* ler) {
    text.resize(74, ' ');
    return text + ler;
  };
  EXPECT_EQ(lines_of(out.str()),
            (std::vector<std::string>{
                "",
                "              VELMOR-TARN BEST-FIT MODEL SUMMARY:",
                dashes(78),
                "     RANK    AICc        Delta(AICc)         MODEL NAME                  LER*<2",
                dashes(78),
                row("       1    100.0000     0.00000  Model 2", " 0.00**"),
                row("       2    105.0000     5.00000  Model 4", " 1.09*"),
                row("       3     unknown     unknown  Model 1", "unknown"),
                dashes(78),
                "     unknown: a standard error could not be computed; the model is ranked last",
                "     not ranked, the fit failed: Model 3",
                "",
            }));
  for (const bool single : {true, false}) {
    std::vector<FittedModel> unranked = models_with({1.0, 2.0});
    if (single) unranked.pop_back();
    for (FittedModel& m : unranked) m.failed = !single;
    std::ostringstream none;
    write_model_summary(unranked, none);
    EXPECT_EQ(none.str(), "");
  }
}

}  // namespace
}  // namespace velmor
