// The report of a whole run, line by line, and the run's refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>

#include "driver_fixture.h"
#include "engine/data/read_data.h"
#include "engine/driver/fit_status.h"
#include "engine/driver/velmor.h"
#include "recording_host.h"
#include "temp_folder.h"
#include "util/file_lock.h"

namespace velmor {
namespace {

using testing::ExampleDataFolder;
using testing::RecordingHost;

// Index of the first line at or after `from` that starts with `prefix`; -1 if none.
int find_line(const std::vector<std::string>& lines, const std::string& prefix, int from = 0) {
  for (int i = from; i < static_cast<int>(lines.size()); ++i) {
    if (lines[i].rfind(prefix, 0) == 0) return i;
  }
  return -1;
}

double number_after(const std::string& line, const std::string& label) {
  return std::stod(line.substr(line.find(label) + label.size()));
}

class Report : public ExampleDataFolder {
 protected:
  int run(std::array<int, 4> models) {
    state_.imdl = models;
    return velmor(state_, host_, data_path());
  }
  // The messages as "kind|text".
  std::vector<std::string> messages() const {
    std::vector<std::string> all;
    for (const auto& m : host_.messages) all.push_back(std::to_string(m.kind) + "|" + m.text);
    return all;
  }
  RunState state_;
  RecordingHost host_;
};

// The numbers of the report against an independent least-squares fit; the layout is checked
// whole by the golden reports (tests/golden).
TEST_F(Report, TwoProductModelsOfTheExampleLineByLine) {
  ASSERT_EQ(run({1, 1, 0, 0}), kStatusCompleted);
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_EQ(host_.fits_shown, 2);
  const auto lines = read_lines(report_path());

  // Sums of squares and parameters against an independent least-squares fit.
  const double references[2][4] = {{42.978669, 8.378156, 0.3555274, 0},
                                   {36.425048, 8.950351, 0.3528496, 0.8200689}};
  int from = 0;
  for (int m = 0; m < 2; ++m) {
    const int stage1 = find_line(lines, "          STAGE-1 SIMPLEX SEARCH SSQ=", from);
    ASSERT_GT(stage1, 0);
    EXPECT_EQ(lines[stage1 - 1], "");
    const int stage2 = stage1 + 1;
    ASSERT_EQ(lines[stage2].rfind("          STAGE-2 QUADRATIC PROGRAMMING SSQ= ", 0), 0u);
    const double ssq = number_after(lines[stage2], "SSQ=");
    EXPECT_LT(std::fabs(ssq - references[m][0]) / references[m][0], 1e-7) << lines[stage2];
    EXPECT_EQ(lines[stage2 + 1], "");
    const int parameters = m == 0 ? 2 : 3;
    const double se_regression = number_after(lines[stage2 + 2], "REGRESSION=");
    EXPECT_NEAR(se_regression, std::sqrt(ssq / (27 - parameters)), 1e-7);
    ASSERT_EQ(lines[stage2 + 3].rfind("          AICc (Corrected Akaike)=         ", 0), 0u);
    EXPECT_EQ(lines[stage2 + 4], "");

    const int best = find_line(lines, "          BEST FIT PARAMETERS:    STD. ERRORS", stage2);
    ASSERT_GT(best, 0);
    for (int j = 0; j < parameters; ++j) {
      const std::string& row = lines[best + 1 + j];
      EXPECT_EQ(row.substr(0, 8), "       " + std::to_string(j + 1));
      const double value = std::stod(row.substr(8, 18));
      EXPECT_LT(std::fabs(value - references[m][j + 1]) / references[m][j + 1], 1e-5) << row;
      EXPECT_EQ(row.substr(26, 5), "  +/-");
    }
    EXPECT_EQ(lines[best + 1 + parameters], " " + std::string(78, '-'));
    EXPECT_EQ(lines[best + 2 + parameters], "");
    EXPECT_EQ(lines[best + 3 + parameters],
              "                      PARAMETER AND CORRELATION MATRIX VALUES");

    const int table =
        find_line(lines, "     NO.         time       [So]          Y         Ycalc", best);
    ASSERT_GT(table, 0);
    EXPECT_EQ(lines[table - 1], "");
    EXPECT_EQ(lines[table + 1], " " + std::string(78, '-'));
    EXPECT_EQ(lines[table + 2].substr(0, 34), "       1         0.000      50.000");
    EXPECT_EQ(lines[table + 28].substr(0, 34), "      27       360.000     500.000");
    EXPECT_EQ(lines[table + 29], " " + std::string(78, '-'));
    from = table + 29;
  }

  // The summary ranks model 2 first; the report ends with the file's own name.
  const int summary = find_line(lines, "              VELMOR-TARN BEST-FIT MODEL SUMMARY:", from);
  ASSERT_GT(summary, 0);
  EXPECT_EQ(lines[summary - 1], "");
  EXPECT_EQ(lines[summary + 2],
            "     RANK    AICc        Delta(AICc)         MODEL NAME                  LER*<2");
  EXPECT_EQ(lines[summary + 4].substr(0, 22), "       1     15.0601  ");
  EXPECT_NE(lines[summary + 4].find("2- [Pt] vs time Michaelis-Menten - Bkg"), std::string::npos);
  EXPECT_NE(lines[summary + 5].find("1- [Pt] vs time Michaelis-Menten"), std::string::npos);
  EXPECT_EQ(lines[summary + 6], " " + std::string(78, '-'));
  EXPECT_EQ(lines[summary + 7], "");
  EXPECT_EQ(lines.back(), " SAVED TO: " + report_path());
  EXPECT_EQ(static_cast<int>(lines.size()), summary + 9);

  // The shared state is left with the best model for the plots.
  EXPECT_EQ(state_.imdlno, 2);
  EXPECT_EQ(state_.global_mdl_count, 2);
  EXPECT_EQ(state_.filenameresults, report_path());
}

// Product curves of model 1 itself (times from the integrated rate law, so no Lambert W is
// needed): the model without a baseline ranks first, and the plots get it although model 2 was
// fitted after it.
TEST_F(Report, TheFirstRankedModelIsHandedToThePlots) {
  constexpr double kKm = 8.0;
  constexpr double kVm = 0.35;
  std::ofstream data(data_path());
  int row = 0;
  for (const double so : {5.0, 20.0, 60.0}) {
    for (const double left : {1.0, 0.9, 0.75, 0.6, 0.45, 0.3, 0.2, 0.1, 0.05}) {
      const double s = so * left;
      const double t = (so - s + kKm * std::log(so / s)) / kVm;
      data << t << ' ' << so << ' ' << so - s + 0.05 * std::sin(2.3 * ++row) << '\n';
    }
  }
  data.close();
  ASSERT_EQ(run({1, 1, 0, 0}), kStatusCompleted);
  const auto lines = read_lines(report_path());
  const int summary = find_line(lines, "              VELMOR-TARN BEST-FIT MODEL SUMMARY:");
  ASSERT_GT(summary, 0);
  EXPECT_NE(lines[summary + 4].find("1- [Pt] vs time"), std::string::npos) << lines[summary + 4];
  EXPECT_EQ(state_.imdlno, 1);
}

// The fast method's report is the classic layout with one line more in each model's block;
// robust weighting is left to the classic chain, which the run says once.
TEST_F(Report, FastMethodNamesItselfAndLeavesRobustFitsToTheChain) {
  const std::string method_line = "          FIT METHOD: FAST (MULTI-START LEVENBERG-MARQUARDT)";
  for (const int weighting : {kNoWeighting, kRobustWeighting}) {
    RunState state;
    state.imdl = {1, 1, 0, 0};
    state.nwt_global = weighting;
    state.fit_method = kFastMethod;
    RecordingHost host;
    ASSERT_EQ(velmor(state, host, data_path()), kStatusCompleted);
    const auto lines = read_lines(report_path());
    const auto count = std::count(lines.begin(), lines.end(), method_line);
    if (weighting == kNoWeighting) {
      EXPECT_EQ(count, 2);
      // Right under the weighting line of each block.
      for (int from = 0, m = 0; m < 2; ++m) {
        const int line = find_line(lines, method_line, from);
        ASSERT_GT(line, 0);
        EXPECT_EQ(lines[line - 1], "          WEIGHTING: NO WEIGHTING");
        from = line + 1;
      }
      EXPECT_TRUE(host.messages.empty());
    } else {
      EXPECT_EQ(count, 0);
      ASSERT_EQ(host.messages.size(), 1u);
      EXPECT_EQ(host.messages[0].kind, kInformation);
      EXPECT_NE(host.messages[0].text.find("classic chain"), std::string::npos);
    }
  }
}

TEST_F(Report, OneModelHasNoSummary) {
  ASSERT_EQ(run({1, 0, 0, 0}), kStatusCompleted);
  const auto lines = read_lines(report_path());
  EXPECT_EQ(find_line(lines, "              VELMOR-TARN BEST-FIT MODEL SUMMARY:"), -1);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.back(), " SAVED TO: " + report_path());
  EXPECT_EQ(lines[lines.size() - 2], " " + std::string(78, '-'));
  EXPECT_EQ(state_.imdlno, 1);
}

TEST_F(Report, MissingDataFileIsRefusedAndWritesNothing) {
  std::filesystem::remove(data_path());
  EXPECT_EQ(run({1, 0, 0, 0}), kStatusFileMissing);
  ASSERT_EQ(host_.messages.size(), 2u);
  EXPECT_EQ(host_.messages[0].kind, kWarning);
  EXPECT_EQ(host_.messages[0].text, "File does not exist: " + data_path());
  EXPECT_EQ(host_.messages[1].kind, kError);
  EXPECT_EQ(host_.messages[1].text, "* * * OPEN ANOTHER DATA FILE * * *");
  EXPECT_FALSE(std::filesystem::exists(report_path()));
  EXPECT_EQ(host_.fits_shown, 0);
}

// A report file that may not be replaced stops the run before anything is fitted, and is left
// as it was: a folder, a link (its target keeps its text) or a report another run is writing.
TEST_F(Report, ReportThatMayNotBeReplacedStopsTheRunUntouched) {
  const std::string target = (dir_ / "elsewhere.txt").string();
  std::ofstream(target) << "not a report\n";
  util::FileLock other_run;
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { std::filesystem::create_directory(report_path()); },
       "The output file name is a folder: "},
      {[&] { std::filesystem::create_symlink(target, report_path()); },
       "The output file is a symbolic link, which is not written through: "},
      {[&] { ASSERT_EQ(other_run.try_lock(report_path()), util::FileLock::Result::kLocked); },
       "The file is in use by another run: "},
  };
  for (const auto& [arrange, why] : cases) {
    SCOPED_TRACE(why);
    arrange();
    host_.messages.clear();
    EXPECT_EQ(run({1, 1, 0, 0}), kStatusDataError);
    EXPECT_EQ(messages(), (std::vector<std::string>{"2|" + why + report_path(),
                                                    "3|Data output file error at Line 395",
                                                    "3|* * * ERROR: RUN ABORTED * * *"}));
    EXPECT_EQ(host_.fits_shown, 0);
    EXPECT_EQ(state_.global_mdl_count, 0);
    other_run.unlock();
    std::filesystem::remove(report_path());
  }
  EXPECT_EQ(testing::read_file(target), "not a report\n");
}

// Negative fitted values are printed as computed and drawn as 0.
TEST_F(Report, NegativeFittedValuesArePrintedButDrawnAsZero) {
  ASSERT_EQ(run({0, 1, 0, 0}), kStatusCompleted);
  for (int i = 0; i < state_.data.nRows; ++i) EXPECT_GE(state_.data.Ycalc[i], 0.0);
}

}  // namespace
}  // namespace velmor
