// The model a whole run hands to the plots, and the run's refusals. (Whole reports: the golden
// report tests.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>

#include "engine/data/read_data.h"
#include "engine/driver/fit_status.h"
#include "engine/driver/velmor.h"
#include "recording_host.h"
#include "temp_folder.h"
#include "util/file_lock.h"

namespace velmor {
namespace {

using testing::RecordingHost;

// Index of the first line at or after `from` that starts with `prefix`; -1 if none.
int find_line(const std::vector<std::string>& lines, const std::string& prefix, int from = 0) {
  for (int i = from; i < static_cast<int>(lines.size()); ++i) {
    if (lines[i].rfind(prefix, 0) == 0) return i;
  }
  return -1;
}

std::vector<std::string> read_lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Runs on a copy of examples/DATA.IN in a fresh folder.
class Report : public ::testing::Test {
 protected:
  Report() {
    std::filesystem::copy_file(std::filesystem::path(VELMOR_EXAMPLES_DIR) / "DATA.IN", data_path());
  }
  std::string data_path() const { return folder_.file("DATA.IN"); }
  std::string report_path() const { return folder_.file("DATA.out"); }
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
  testing::TempFolder folder_;
  RunState state_;
  RecordingHost host_;
};

// The plots get the model ranked first, whichever was fitted last: on the example model 2 (with
// its baseline), on product curves of model 1 itself (times from the integrated rate law)
// model 1. A single model has no summary.
TEST_F(Report, TheFirstRankedModelIsHandedToThePlots) {
  ASSERT_EQ(run({1, 1, 0, 0}), kStatusCompleted);
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_EQ(host_.fits_shown, 2);
  EXPECT_EQ(state_.imdlno, 2);
  EXPECT_EQ(state_.global_mdl_count, 2);
  EXPECT_EQ(state_.filenameresults, report_path());

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

  ASSERT_EQ(run({0, 1, 0, 0}), kStatusCompleted);
  EXPECT_EQ(
      find_line(read_lines(report_path()), "              VELMOR-TARN BEST-FIT MODEL SUMMARY:"),
      -1);
  EXPECT_EQ(state_.imdlno, 2);
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
  const std::string target = folder_.file("elsewhere.txt");
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

}  // namespace
}  // namespace velmor
