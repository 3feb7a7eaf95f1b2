// The report where a statistic is unknown or the fit failed, the model handed to the plots, and
// the run's refusals (whole reports: the golden report tests).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "../model/model_test_support.h"
#include "engine/driver/fit_status.h"
#include "engine/driver/model_report.h"
#include "engine/driver/velmor.h"
#include "recording_host.h"
#include "temp_folder.h"
#include "util/file_lock.h"

namespace velmor {
namespace {

using testing::lines_of;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The example's data and model-1 fit, with fitted values near the observed ones.
ModelFit example_like(ProgressCurveData& d) {
  d = testing::data_in_state(1).data;
  for (int i = 0; i < d.nRows; ++i) d.Ycalc[i] = d.Y[i] - 0.9 * std::cos(5.0 * i);
  ModelFit f;
  f.model = 1;
  f.npar = 2;
  f.initial = {8.28257, 0.354842};
  f.p = {8.378149, 0.355527};
  f.se = {0.595107, 0.002222};
  f.ci = {2.06 * f.se[0], 2.06 * f.se[1]};
  f.stage1_ssq = 42.97867124;
  f.stage2_ssq = 42.9786;
  f.aicc = 15.5263;
  f.breakpoints.range.fill("[N/A to N/A]");
  return f;
}

std::vector<std::string> section_lines(const ModelFit& fit, const ProgressCurveData& data) {
  std::ostringstream out;
  write_model_section(out, fit, data, "Mon Jan  8 09:05:07 2024");
  return lines_of(std::istringstream(out.str()));
}

int line_starting(const std::vector<std::string>& lines, const std::string& prefix) {
  const auto it = std::find_if(lines.begin(), lines.end(),
                               [&](const std::string& l) { return l.starts_with(prefix); });
  return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

// An unknown (NaN) standard error, its limits and the AICc print as "unknown"; a fit whose sum or
// parameters (within npar) are not finite has failed, said in one line before the sums.
TEST(ModelSectionFields, UnknownStatisticsAndFailedFitsAreSaidSo) {
  const std::string failed_line =
      "          FIT FAILED: SUM OF SQUARES OR PARAMETERS NOT FINITE; MODEL NOT RANKED";
  const struct {
    double se2, ssq, p2, aicc;
    bool failed;
  } kCases[] = {{0.002222, 42.9786, 0.355527, 15.5263, false},
                {kNaN, 42.9786, 0.355527, kNaN, false},
                {kNaN, HUGE_VAL, 0.355527, HUGE_VAL, true},
                {kNaN, 42.9786, kNaN, kNaN, true}};
  ProgressCurveData d;
  const std::vector<std::string> reference = section_lines(example_like(d), d);
  const int best = line_starting(reference, "          BEST FIT PARAMETERS:");
  const int aicc = line_starting(reference, "          AICc");
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.ssq + c.p2);
    ModelFit f = example_like(d);
    f.se[1] = c.se2;
    f.ci[1] = 2.06 * c.se2;
    f.stage2_ssq = c.ssq;
    f.p[1] = c.p2;
    f.p[2] = kNaN;  // beyond npar: not part of the fit
    f.aicc = c.aicc;
    EXPECT_EQ(fit_failed(f), c.failed);
    const std::vector<std::string> lines = section_lines(f, d);
    const int shift = c.failed ? 2 : 0;  // the failed-fit line and the blank before it
    ASSERT_EQ(lines.size(), reference.size() + shift);
    EXPECT_EQ(lines[line_starting(lines, "          WEIGHTING:") + 2] == failed_line, c.failed);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), failed_line), c.failed ? 1 : 0);
    const std::string& row = lines[best + shift + 2];
    ASSERT_EQ(row.size(), reference[best + 2].size()) << row;
    const bool unknown = std::isnan(c.se2);
    for (const auto& [at, width] : {std::pair{31, 13}, {48, 14}, {64, 14}})
      EXPECT_EQ(row.substr(at, width) == std::string(width - 7, ' ') + "unknown", unknown) << row;
    EXPECT_EQ(lines[best + shift + 1], reference[best + 1]);  // the other row as it was
    EXPECT_EQ(lines[aicc + shift].size(), reference[aicc].size());
    EXPECT_EQ(lines[aicc + shift].ends_with("     unknown"), std::isnan(c.aicc));
  }
  // The final check's sums get the digits (7 to 16) that show a decrease, however small.
  EXPECT_EQ(final_check_descriptor(369023.2, 368895.3), "E14.7");
  EXPECT_EQ(final_check_descriptor(345218.8632146671, 345218.8632146667), "E23.16");
  EXPECT_EQ(final_check_descriptor(1.0, 1.0), "E23.16");
  // The constrained stage's messages: calls exceeded (info 2) and an uphill direction (info 4).
  for (const int info : {1, 2, 3, 4}) {
    ModelFit f = example_like(d);
    f.info = f.call_limit = info;
    const std::vector<std::string> lines = section_lines(f, d);
    ASSERT_EQ(lines.size(), reference.size() + (info % 2 == 0 ? 4 : 0));
    EXPECT_TRUE(info % 2 == 0 || lines == reference) << info;
    EXPECT_EQ(lines[line_starting(lines, "          NUMBER OF ITERATIONS:") + 2],
              info % 2 == 1 ? reference[line_starting(reference, "          NUMBER OF ITER") + 2]
              : info == 2   ? "          CALLS TO FUNCTION EXCEEDED    2--INFO = 2"
                            : "          UPHILL SEARCH DIRECTION WAS EXECUTED--INFO = 4");
  }
}

// Runs on a copy of examples/DATA.IN in a fresh folder.
class Report : public ::testing::Test {
 protected:
  Report() {
    std::filesystem::copy_file(std::filesystem::path(VELMOR_EXAMPLES_DIR) / "DATA.IN", data_);
  }
  int run(std::array<int, 4> models, int weighting = kNoWeighting, int method = kClassicMethod) {
    state_ = RunState{};
    host_ = testing::RecordingHost{};
    state_.imdl = models;
    state_.nwt_global = weighting;
    state_.fit_method = method;
    return velmor(state_, host_, data_);
  }
  std::vector<std::string> messages() const {
    std::vector<std::string> all;
    for (const auto& m : host_.messages) all.push_back(std::to_string(m.kind) + "|" + m.text);
    return all;
  }
  int summary_line() const {
    return line_starting(lines_of(std::ifstream(report_)), "              VELMOR-TARN BEST-FIT");
  }
  testing::TempFolder folder_;
  const std::string data_ = folder_.file("DATA.IN"), report_ = folder_.file("DATA.out");
  RunState state_;
  testing::RecordingHost host_;
};

// The plots get the model ranked first, whichever was fitted last: model 2 on the example, model
// 1 on exact model-1 curves; a single model has no summary.
TEST_F(Report, TheFirstRankedModelIsHandedToThePlots) {
  ASSERT_EQ(run({1, 1, 0, 0}), kStatusCompleted);
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_EQ(host_.fits_shown, 2);
  EXPECT_EQ(state_.imdlno, 2);
  EXPECT_EQ(state_.global_mdl_count, 2);
  EXPECT_EQ(state_.filenameresults, report_);

  std::ofstream data(data_);
  int row = 0;
  for (const double so : {5.0, 20.0, 60.0}) {
    for (const double left : {1.0, 0.9, 0.75, 0.6, 0.45, 0.3, 0.2, 0.1, 0.05}) {
      const double s = so * left;
      const double t = (so - s + 8.0 * std::log(so / s)) / 0.35;  // Km 8, Vm 0.35
      data << t << ' ' << so << ' ' << so - s + 0.05 * std::sin(2.3 * ++row) << '\n';
    }
  }
  data.close();
  ASSERT_EQ(run({1, 1, 0, 0}), kStatusCompleted);
  ASSERT_GT(summary_line(), 0);
  EXPECT_NE(lines_of(std::ifstream(report_))[summary_line() + 4].find("1- [Pt] vs time"),
            std::string::npos);
  EXPECT_EQ(state_.imdlno, 1);
  EXPECT_TRUE(state_.strmdl.starts_with("1- [Pt] vs time")) << state_.strmdl;
  ASSERT_EQ(run({0, 1, 0, 0}), kStatusCompleted);
  EXPECT_EQ(summary_line(), -1);
  EXPECT_EQ(state_.imdlno, 2);
}

// The fast method adds one line under each weighting line; robust fits are left to the chain.
TEST_F(Report, FastMethodNamesItselfAndLeavesRobustFitsToTheChain) {
  const std::string method_line = "          FIT METHOD: FAST (MULTI-START LEVENBERG-MARQUARDT)";
  for (const int weighting : {kNoWeighting, kRobustWeighting}) {
    ASSERT_EQ(run({1, 1, 0, 0}, weighting, kFastMethod), kStatusCompleted);
    const auto lines = lines_of(std::ifstream(report_));
    int count = 0;
    for (size_t i = 1; i < lines.size(); ++i) {
      if (lines[i] != method_line) continue;
      ++count;
      EXPECT_EQ(lines[i - 1], "          WEIGHTING: NO WEIGHTING");
    }
    EXPECT_EQ(count, weighting == kNoWeighting ? 2 : 0);
    EXPECT_EQ(messages(), weighting == kNoWeighting
                              ? std::vector<std::string>{}
                              : std::vector<std::string>{
                                    "1|The fast method fits without weights: with robust "
                                    "weighting the models are fitted by the classic chain"});
  }
}

// A missing data file, or a report that may not be replaced (a folder, a link, one another run
// is writing), stops the run before any fit and leaves the report as it was.
TEST_F(Report, RefusedRunsFitNothingAndWriteNothing) {
  const std::string target = folder_.write("elsewhere.txt", "not a report\n");
  util::FileLock other_run;
  const std::string cannot_write = "3|Data output file error at Line 395";
  const struct {
    std::function<void()> arrange;
    int status;
    std::vector<std::string> messages;
  } kCases[] = {
      {[&] { std::filesystem::rename(data_, data_ + ".away"); },
       kStatusFileMissing,
       {"2|File does not exist: " + data_, "3|* * * OPEN ANOTHER DATA FILE * * *"}},
      {[&] { std::filesystem::create_directory(report_); },
       kStatusDataError,
       {"2|The output file name is a folder: " + report_, cannot_write}},
      {[&] { std::filesystem::create_symlink(target, report_); },
       kStatusDataError,
       {"2|The output file is a symbolic link, which is not written through: " + report_,
        cannot_write}},
      {[&] { ASSERT_EQ(other_run.try_lock(report_), util::FileLock::Result::kLocked); },
       kStatusDataError,
       {"2|The file is in use by another run: " + report_, cannot_write}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.messages[0]);
    c.arrange();
    EXPECT_EQ(run({0, 1, 0, 0}), c.status);
    std::vector<std::string> expected = c.messages;
    if (c.status == kStatusDataError) expected.push_back("3|* * * ERROR: RUN ABORTED * * *");
    EXPECT_EQ(messages(), expected);
    EXPECT_EQ(host_.fits_shown, 0);
    EXPECT_EQ(state_.global_mdl_count, 0);
    other_run.unlock();
    if (c.status == kStatusFileMissing) {
      EXPECT_FALSE(std::filesystem::exists(report_));
      std::filesystem::rename(data_ + ".away", data_);
    }
    std::filesystem::remove(report_);
  }
  EXPECT_EQ(testing::read_file(target), "not a report\n");
}

}  // namespace
}  // namespace velmor
