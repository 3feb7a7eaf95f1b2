// Whole runs of all four models (classic chain with and without robust weights, fast method) on
// degenerate and extreme files the data reader accepts: each ends with a complete, consistent
// report or is refused with a message, and leaves nothing but its report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/driver/fit_status.h"
#include "engine/driver/velmor.h"
#include "engine/stats/parameter_statistics.h"
#include "recording_host.h"
#include "reference_model.h"
#include "temp_folder.h"

namespace velmor {
namespace {

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A section per model, estimates (columns 1-22) that are numbers and no NaN at all where the
// sum is finite; the announced FIT FAILED and final-check lines; a summary ranking the others,
// the first marked best when its AICc is known; SAVED TO last. The ranked model's table is what
// the plots get, a value that cannot be drawn (below 0 or NaN) drawn as 0.
void check_report(const std::vector<std::string>& report, const RunState& state, int failed,
                  int moved) {
  ASSERT_FALSE(report.empty()) << "no report";
  EXPECT_TRUE(report.back().starts_with(" SAVED TO: ")) << report.back();
  int sections = 0, failed_sections = 0, moved_lines = 0;
  bool ssq_finite = true;
  for (size_t i = 0; i < report.size(); ++i) {
    const std::string& line = report[i];
    sections += contains(line, "MODEL NAME:");
    failed_sections += line.find("FIT FAILED:") == 10;
    moved_lines += contains(line, "FINAL CHECK LOWERED SSQ FROM");
    if (contains(line, "STAGE-2 QUADRATIC PROGRAMMING SSQ="))
      ssq_finite = !contains(line, "NaN") && !contains(line, "Inf");
    for (size_t j = i + 1; contains(line, "BEST FIT PARAMETERS:") && j < report.size() &&
                           !report[j].starts_with(" ---");
         ++j) {
      EXPECT_FALSE(contains(ssq_finite ? report[j] : report[j].substr(0, 22), "NaN")) << report[j];
    }
    for (int r = 0; sections == state.imdlno && line.starts_with("     NO.         time") &&
                    r < state.data.nRows;
         ++r) {
      const std::string shown = report.at(i + 2 + r).substr(46, 12);
      const double drawn = state.data.Ycalc[r];
      if (shown[shown.find_first_not_of(' ')] == '-' || contains(shown, "NaN")) {
        EXPECT_EQ(drawn, 0.0) << "row " << r + 1 << " shown as " << shown;
      } else {
        EXPECT_TRUE(drawn >= 0.0 && std::isfinite(drawn)) << drawn << " at row " << r + 1;
      }
    }
  }
  EXPECT_EQ(sections, kModelCount);
  EXPECT_EQ(failed_sections, failed);
  EXPECT_EQ(moved_lines, moved);
  const int ranked = kModelCount - failed;
  const auto summary = std::find_if(report.begin(), report.end(), [](const std::string& line) {
    return contains(line, "BEST-FIT MODEL SUMMARY:");
  });
  ASSERT_EQ(summary == report.end(), ranked == 0);
  if (ranked == 0) return;
  ASSERT_LT(summary + 4 + ranked, report.end()) << "no model summary";
  const std::string& first = *(summary + 4);
  EXPECT_FALSE(contains(first, "NaN")) << first;
  EXPECT_TRUE(contains(first, "unknown") || first.ends_with("**")) << first;
  EXPECT_EQ(*(summary + 4 + ranked), " " + std::string(78, '-'));
  EXPECT_EQ(std::count_if(summary, report.end(),
                          [](const std::string& l) {
                            return l.starts_with("     not ranked, the fit failed: ");
                          }),
            failed);
}

struct Case {
  std::string name, text;
  bool must_complete;  // a file every model can fit
};

// Rows "t So y" of `model` (baseline 1.5 where it has one) with Gaussian noise of `noise` So.
std::string model_curve(int model, double so, double km, double vm, int points, double t_end,
                        double noise, std::mt19937& rng) {
  std::normal_distribution<double> gauss(0.0, 1.0);
  std::ostringstream text;
  text.precision(10);
  for (int i = 0; i < points; ++i) {
    const double t = t_end * i / (points - 1);
    text << t << '\t' << so << '\t'
         << testing::model_value(model, t, so, {km, vm, 1.5}) + noise * so * gauss(rng) << '\n';
  }
  return text.str();
}

// Six rows "10i 10 0.5i", with `value` in `column` of row `row` (every row when row is -1).
std::string ordinary_rows_with(const std::string& value, int column, int row) {
  std::string text;
  for (int i = 0; i < 6; ++i) {
    std::string words[] = {std::to_string(10 * i), "10", std::to_string(0.5 * i)};
    if (row < 0 || row == i) words[column] = value;
    text += words[0] + " " + words[1] + " " + words[2] + "\n";
  }
  return text;
}

std::vector<Case> degenerate_and_extreme_files() {
  std::vector<Case> cases = {
      {"all_zero_Y", "0 10 0\n1 10 0\n2 10 0\n3 10 0\n4 10 0\n5 10 0\n", false},
      {"constant_Y", "0 10 4\n1 10 4\n2 10 4\n3 10 4\n4 10 4\n5 10 4\n", false},
      {"all_equal_time", "5 10 1\n5 10 2\n5 10 3\n5 10 4\n5 10 5\n5 10 6\n", false},
      {"negative_times", "-50 10 1\n-40 10 2\n-30 10 3\n-20 10 4\n-10 10 5\n", false},
      {"falling_product", "0 10 9\n1 10 7\n2 10 5\n3 10 3\n4 10 1\n", false},
      {"negative_Y", "0 10 -1\n1 10 -2\n2 10 -3\n3 10 -4\n4 10 -5\n", false},
      {"times_descending", "40 10 5\n30 10 4\n20 10 3\n10 10 2\n0 10 0\n", false},
      {"tiny_but_regular",
       "0 1e-300 0\n1 1e-300 1e-301\n2 1e-300 2e-301\n3 1e-300 3e-301\n4 1e-300 4e-301\n", false},
      {"huge_but_regular",
       "0 1e300 0\n1e300 1e300 1e299\n2e300 1e300 2e299\n3e300 1e300 3e299\n4e300 1e300 4e299\n",
       false},
      {"one_1e300_So", ordinary_rows_with("1e300", 1, 2), false},
  };
  // Every Jacobian difference that probes a negative Vm overflows the model's exponent.
  std::string huge_time;
  for (const char* y : {"4.8e-9", "1.9e-7", "3.6e-7", "5.1e-7", "6.4e-7", "7.5e-7"}) {
    huge_time += std::string("1.7976931348623157e308 1.75e-6 ") + y + "\n";
  }
  cases.push_back({"huge_time_tiny_So", huge_time, true});
  // One extreme value in an ordinary curve, and a whole column of it.
  for (const auto& [name, value] : {std::pair{"1e300", "1e300"},
                                    {"minus_1e300", "-1e300"},
                                    {"1e_300", "1e-300"},
                                    {"zero", "0"},
                                    {"largest", "1.7976931348623157e308"}}) {
    for (const int column : {0, 2}) {
      const std::string where = std::string(name) + "_in_column_" + std::to_string(column + 1);
      cases.push_back({"one_" + where, ordinary_rows_with(value, column, 2), false});
      cases.push_back({"all_" + where, ordinary_rows_with(value, column, -1), false});
    }
  }
  // Data from each model, and near zero-order kinetics ([So] = 1e4 Km) where the exponential of
  // the model overflows: every model fits.
  std::mt19937 rng(4242);
  for (int model = 1; model <= kModelCount; ++model) {
    std::string text;
    for (double so : {5.0, 20.0, 60.0})
      text += model_curve(model, so, 8.0, 0.35, 9, 300, 0.01, rng);
    cases.push_back({"model_" + std::to_string(model) + "_data", text, true});
  }
  cases.push_back({"zero_order_product", model_curve(1, 1e4, 1.0, 50.0, 12, 190, 1e-3, rng), true});
  cases.push_back({"zero_order_exact", model_curve(1, 1e4, 1.0, 50.0, 12, 190, 0.0, rng), true});
  cases.push_back(
      {"zero_order_substrate", model_curve(3, 1e4, 1.0, 50.0, 12, 190, 1e-3, rng), true});
  return cases;
}

// Each file by the classic chain under both weightings and unweighted by the fast method.
TEST(Robustness, EveryRunEndsWithACompleteReportOrAMessage) {
  for (const auto& [name, text, must_complete] : degenerate_and_extreme_files()) {
    for (const auto& [weighting, method] : {std::pair{kNoWeighting, kClassicMethod},
                                            {kRobustWeighting, kClassicMethod},
                                            {kNoWeighting, kFastMethod}}) {
      SCOPED_TRACE(name + " weighting " + std::to_string(weighting) + " method " +
                   std::to_string(method));
      testing::TempFolder folder;
      RunState state;
      state.imdl.fill(1);
      state.nwt_global = weighting;
      state.fit_method = method;
      testing::RecordingHost host;
      const int status = velmor(state, host, folder.write("case.in", text));
      state.units.close_all();
      EXPECT_EQ(testing::file_names_in(folder.path()).size(), report_complete(status) ? 2u : 1u);
      EXPECT_TRUE(!must_complete || status == kStatusCompleted) << status;
      if (!report_complete(status)) {
        EXPECT_TRUE(status == kStatusDataError || status == kStatusTooManyParameters) << status;
        ASSERT_FALSE(host.messages.empty()) << "refused without a message";
        EXPECT_EQ(host.messages.back().kind, kError);
        EXPECT_EQ(host.messages.back().text, "* * * ERROR: RUN ABORTED * * *");
        continue;
      }
      // Failed and moved fits are announced; a singular normal matrix or a negative time is
      // reported but does not stop the run.
      int failed = 0, moved = 0;
      std::set<int> failed_models;
      for (const auto& [kind, text] : host.messages) {
        const bool fails = text.starts_with("Fit failed");
        failed += fails;
        if (fails) failed_models.insert(text.back() - '0');
        const bool informs = contains(text, "the final check of optimality");
        moved += informs;
        EXPECT_TRUE(informs ? kind == kInformation
                            : fails || text == kMatrixDiagonalMessage ||
                                  (kind == kWarning && contains(text, " has a negative time")) ||
                                  (kind == kError && status == kStatusNoFiniteFit))
            << text;
      }
      EXPECT_EQ(failed == kModelCount, status == kStatusNoFiniteFit);
      EXPECT_EQ(host.fits_shown, kModelCount);
      EXPECT_EQ(state.global_mdl_count, kModelCount);
      EXPECT_TRUE(state.imdlno >= 1 && state.imdlno <= kModelCount) << state.imdlno;
      EXPECT_TRUE(status != kStatusCompleted || failed_models.count(state.imdlno) == 0);
      check_report(testing::lines_of(std::ifstream(folder.path() / "case.out")), state, failed,
                   moved);
    }
  }
}

}  // namespace
}  // namespace velmor
