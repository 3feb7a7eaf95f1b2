// SPDX-License-Identifier: MIT
// Fit stages and reports the golden reports do not reach: unknowns, refusals, extreme files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../model/model_test_support.h"
#include "engine/driver/constrained_stage.h"
#include "engine/driver/fit_status.h"
#include "engine/driver/least_squares_problem.h"
#include "engine/driver/model_report.h"
#include "engine/driver/model_run.h"
#include "engine/driver/optimality_check.h"
#include "engine/driver/velmor.h"
#include "engine/model/kinetic_models.h"
#include "engine/report/report_lines.h"
#include "engine/stats/parameter_statistics.h"
#include "recording_host.h"
#include "reference_model.h"
#include "temp_folder.h"
#include "util/file_lock.h"

namespace velmor {
namespace {

using testing::data_in_state;
using testing::lines_of;
using testing::params;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The example's data and model-1 fit, with fitted values near the observed ones.
ModelFit example_like(ProgressCurveData& d) {
  d = testing::data_in_state(1).data;
  for (int i = 0; i < d.nRows; ++i) d.Ycalc[i] = d.Y[i] - 0.9 * std::cos(5.0 * i);
  ModelFit f;
  f.model = 1;
  f.npar = 2;
  f.p = {8.378149, 0.355527};
  f.se = {0.595107, 0.002222};
  f.ci = {2.06 * f.se[0], 2.06 * f.se[1]};
  f.stage2_ssq = 42.9786;
  f.aicc = 15.5263;
  f.breakpoints.range.fill("[N/A to N/A]");
  settle_fit(f, d.nRows);
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
  ProgressCurveData d;
  const std::vector<std::string> reference = section_lines(example_like(d), d);
  const int best = line_starting(reference, "          BEST FIT PARAMETERS:");
  const int aicc = line_starting(reference, "          AICc");
  const struct {
    double ssq, p2;
    bool failed;
  } kCases[] = {{42.9786, 0.355527, false}, {HUGE_VAL, 0.355527, true}, {42.9786, kNaN, true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.ssq + c.p2);
    ModelFit f = example_like(d);
    f.se[1] = f.ci[1] = f.aicc = kNaN;
    f.stage2_ssq = c.ssq;
    f.p[1] = c.p2;
    f.p[2] = kNaN;  // beyond npar: not part of the fit
    settle_fit(f, d.nRows);
    EXPECT_EQ(f.failed, c.failed);
    const std::vector<std::string> lines = section_lines(f, d);
    const int shift = c.failed ? 2 : 0;  // the failed-fit line and the blank before it
    ASSERT_EQ(lines.size(), reference.size() + shift);
    EXPECT_EQ(lines[line_starting(lines, "          WEIGHTING:") + 2] ==
                  "          FIT FAILED: SUM OF SQUARES OR PARAMETERS NOT FINITE; MODEL NOT RANKED",
              c.failed);
    // The row of P2 with its unknowns (their fields: report_lines_test.cc).
    EXPECT_EQ(lines[best + shift + 2] + "\n", report::parameter_row(2, c.p2, kNaN, kNaN, false));
    EXPECT_EQ(lines[best + shift + 1], reference[best + 1]);  // the other row as it was
    EXPECT_EQ(lines[aicc + shift].size(), reference[aicc].size());
    EXPECT_TRUE(lines[aicc + shift].ends_with("     unknown"));
  }
  // The constrained stage's messages: calls exceeded (info 2) and an uphill direction (info 4).
  for (const int info : {2, 4}) {
    ModelFit f = example_like(d);
    f.info = f.call_limit = info;
    const std::vector<std::string> lines = section_lines(f, d);
    ASSERT_EQ(lines.size(), reference.size() + 4);
    EXPECT_EQ(lines[line_starting(lines, "          NUMBER OF ITERATIONS:") + 2],
              info == 2 ? "          CALLS TO FUNCTION EXCEEDED    2--INFO = 2"
                        : "          UPHILL SEARCH DIRECTION WAS EXECUTED--INFO = 4");
  }
}

// Runs on a copy of examples/DATA.IN in a fresh folder.
class Report : public ::testing::Test {
 protected:
  Report() {
    std::filesystem::copy_file(std::filesystem::path(VELMOR_EXAMPLES_DIR) / "DATA.IN", data_);
  }
  int run(std::array<int, kModelCount> models, int weighting = kNoWeighting,
          int method = kClassicMethod) {
    result_ = RunResult{};
    host_ = testing::RecordingHost{};
    RunRequest request;
    request.imdl = models;
    request.nwt_global = weighting;
    request.fit_method = method;
    request.baseline_free = baseline_free_;
    return velmor(request, result_, host_, data_);
  }
  std::vector<std::string> messages() const {
    std::vector<std::string> all;
    for (const auto& m : host_.messages) all.push_back(std::to_string(m.kind) + "|" + m.text);
    return all;
  }
  testing::TempFolder folder_;
  const std::string data_ = folder_.file("DATA.IN"), report_ = folder_.file("DATA.out");
  RunResult result_;
  testing::RecordingHost host_;
  bool baseline_free_ = false;
};

// "fitted <model> <name> rows <rows> ...", as the recording host writes a fitted model.
std::string fitted_event(ModelId model, int rows, bool with_parameters) {
  std::string name;
  npar(model, name);
  return "fitted " + std::to_string(model) + " " + name + " rows " + std::to_string(rows) +
         (with_parameters ? " with parameters" : " without parameters");
}

// The host sees each model's fit end, then the model fitted with its rows and parameters, in the
// order of the models; a failed fit is announced before it is handed over without parameters.
// After the run the plots get the model ranked first, whichever was fitted last: model 2 on the
// example, model 1 on exact model-1 curves.
TEST_F(Report, TheHostSeesEachModelFittedAndThePlotsGetTheFirstRanked) {
  ASSERT_EQ(run({1, 1, 0, 0}), kStatusCompleted);
  const int rows = testing::data_in_state(1).data.nRows;
  EXPECT_EQ(host_.events,
            (std::vector<std::string>{"progress 1 pass 1", fitted_event(1, rows, true),
                                      "progress 2 pass 1", fitted_event(2, rows, true)}));
  EXPECT_EQ(std::tie(result_.imdlno, result_.filenameresults), std::tuple(2, report_));

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
  EXPECT_EQ(result_.imdlno, 1);
  EXPECT_TRUE(result_.strmdl.starts_with("1- [Pt] vs time")) << result_.strmdl;
  // Its parameters in the data's units, from which the plots draw its curves: they give its
  // fitted values back (model 2 was fitted after it, and the data are rescaled to be fitted).
  ASSERT_TRUE(result_.fitted_params.has_value());
  const testing::ModelParams p{(*result_.fitted_params)[0], (*result_.fitted_params)[1], 0.0};
  for (int i = 0; i < result_.data.nRows; ++i) {
    EXPECT_NEAR(testing::model_value(1, result_.data.X1[i], result_.data.X2[i], p),
                result_.data.Ycalc[i], 1e-5)
        << i;
  }
  std::ofstream(data_) << "0 1 1\n1 1 1e300\n2 1 1\n3 1 1\n4 1 1\n";
  ASSERT_EQ(run({1, 0, 0, 0}), kStatusNoFiniteFit);
  EXPECT_FALSE(result_.fitted_params.has_value());  // a failed fit draws no curve
  EXPECT_EQ(host_.events,
            (std::vector<std::string>{
                "progress 1 pass 1",
                "Warning: Fit failed (sum of squares or parameters not finite), left out of the "
                "ranking: model 1",
                fitted_event(1, 5, false),
                "Error: No model could be fitted to these data: every fit failed"}));
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

// A free baseline is announced in the sections of models 2 and 4 alone, which count one
// constraint less.
TEST_F(Report, FreeBaselineIsSaidWhereThereIsABaseline) {
  baseline_free_ = true;
  ASSERT_EQ(run({1, 1, 1, 1}), kStatusCompleted);
  const auto lines = lines_of(std::ifstream(report_));
  std::string said;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].starts_with("          MODEL NAME:  ")) said += lines[i].substr(23, 1);
    if (lines[i].starts_with("          TOTAL NUMBER OF CONSTRAINTS:")) said += lines[i].back();
    if (lines[i] == "          BASELINE: FREE (EITHER SIGN)") {
      said += "F";
      EXPECT_EQ(lines[i - 1], "          WEIGHTING: NO WEIGHTING");
    }
  }
  EXPECT_EQ(said, "1222F3242F");
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
    if (c.status == kStatusDataError) expected.emplace_back("3|* * * ERROR: RUN ABORTED * * *");
    EXPECT_EQ(messages(), expected);
    EXPECT_EQ(host_.fits_shown, 0);
    EXPECT_EQ(result_.global_mdl_count, 0);
    other_run.unlock();
    if (c.status == kStatusFileMissing) {
      EXPECT_FALSE(std::filesystem::exists(report_));
      std::filesystem::rename(data_ + ".away", data_);
    }
    std::filesystem::remove(report_);
  }
  EXPECT_EQ(testing::read_file(target), "not a report\n");
}

// On data the model fits to 1e-9, where the stage starts 1 % off the given point and cannot get
// back as low, the given point stands.
TEST(ConstrainedStage, NeverHandsOnAWorsePoint) {
  const ParamVector optimum = params({8.378149, 0.3555274});
  FitContext state = data_in_state(1);
  ProgressCurveData& d = state.data;
  for (int i = 0; i < d.nRows; ++i)
    d.Y[i] = func(1, d.X1[i], d.X2[i], 0.0, optimum) + 1e-9 * std::sin(i);
  testing::RecordingHost host;
  ModelObjective objective(state, host);
  ParamVector p = optimum;
  double f = objective.value(2, p);
  int info = 0;
  constrained_stage(objective, 2, p, f, 300, info);
  EXPECT_EQ(p, optimum);
  EXPECT_EQ(f, objective.value(2, p));
}

// On examples/DATA.IN (independent optimum S = 42.978669 for model 1, 36.425048 for model 2): a
// fit near the optimum is left alone, a poor or NaN one moved to the optimum.
TEST(OptimalityCheck, MovesOnlyAFitShortOfTheOptimum) {
  const struct {
    ModelId model;
    ParamVector start;
    bool improves;
  } kCases[] = {{1, params({8.378149, 0.3555274}), false},
                {2, params({8.950359, 0.3528497, 0.820074}), false},
                {2, params({1e-6, 5.0, 40.0}), true},
                {1, params({std::nan(""), 0.3}), true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.start[0]);
    const FitContext state = data_in_state(c.model);
    const ProgressCurveData& d = state.data;
    const auto precise_ssq = [&](const ParamVector& p) {
      double s = 0.0;
      for (int i = 0; i < d.nRows; ++i)
        s += std::pow(d.Y[i] - model_with_derivatives(c.model, d.X1[i], d.X2[i], p).value, 2);
      return s;
    };
    const OptimalityCheck check = check_optimality(d, c.model, state.npar, c.start);
    EXPECT_EQ(check.improved, c.improves);
    if (std::isfinite(c.start[0])) {
      EXPECT_DOUBLE_EQ(check.chain_ssq, precise_ssq(c.start));
    }
    EXPECT_DOUBLE_EQ(check.ssq, precise_ssq(check.p));
    const double optimum = c.model == 1 ? 42.978669 : 36.425048;
    EXPECT_LT(check.ssq, optimum * (1.0 + 2e-7));
    EXPECT_TRUE(c.improves ? check.ssq > optimum * (1.0 - 1e-7) : check.p == c.start);
  }
  // Km 1e-5 off the optimum: S lies within 1e-7 of it, yet the point has moved and is taken.
  const FitContext state = data_in_state(1);
  ParamVector near = check_optimality(state.data, 1, 2, params({30.0, 0.2})).p;
  near[0] *= 1.0 + 1e-5;
  const OptimalityCheck check = check_optimality(state.data, 1, 2, near);
  EXPECT_TRUE(check.improved);
  EXPECT_LT(check.chain_ssq, check.ssq * (1.0 + 1e-7));
}

// Km 0.1, 1, 10 times the largest [So]; Vm the curves' mean of v (Km + So) / So, v from each
// curve's two earliest distinct times (rows in any order; none without two times); baseline the
// mean first value (substrate: less So), >= 0. Km, Vm within 1e-6 .. 1e9 largest [So] (Vm: per
// time span); no time span, no problem.
TEST(DataStarts, FromTheLargestSoAndEachCurvesInitialRate) {
  ProgressCurveData data;
  const double rows[][3] = {{6, 10, 1.5}, {1, 10, 1.0}, {11, 10, 2.0}, {2, 40, 0.6}, {4, 40, 1.4},
                            {2, 40, 0.8}, {4, 40, 1.6}, {4, 60, 5.0},  {4, 60, 6.0}};
  for (const auto& [t, so, y] : rows) {
    data.resize_rows(data.nRows + 1);
    data.X1.back() = t;
    data.X2.back() = so;
    data.Y.back() = y;
  }
  data.nCurves = 3;
  data.curveCount = {3, 4, 2};
  // Rates 0.1 (So 10) and 0.4 (So 40).
  const auto vm = [](double km) { return (0.1 * (km + 10) / 10 + 0.4 * (km + 40) / 40) / 2; };
  for (const auto& [model, npar, baseline] : {std::tuple{2, 3, 0.8}, {1, 2, 0.0}, {4, 3, 0.0}}) {
    const std::vector<ParamVector> starts = data_starts(data, model, npar, 60.0);
    ASSERT_EQ(starts.size(), 3u);
    for (int k = 0; k < 3; ++k) {
      const double km = 6.0 * std::pow(10.0, k);
      EXPECT_DOUBLE_EQ(starts[k][0], km) << model;
      EXPECT_DOUBLE_EQ(starts[k][1], vm(km)) << model;
      EXPECT_DOUBLE_EQ(starts[k][2], baseline) << model;
    }
    const LeastSquaresProblem problem = least_squares_problem(data, model, npar);
    ASSERT_EQ(problem.parameters.size(), static_cast<size_t>(npar));
    EXPECT_EQ(problem.rows, 9);
    EXPECT_EQ(problem.parameters[0].upper, 6e10);
    EXPECT_EQ(problem.parameters[1].upper, 6e9);
    EXPECT_EQ(problem.parameters[1].lower, 1e-6);
  }
  std::fill(data.X1.begin(), data.X1.end(), 3.0);
  EXPECT_FALSE(least_squares_problem(data, 2, 3).usable());
}

// The classic chain asks for no point among its last eight and charges each stage its costs; the
// fast method takes the data start whose short solve ends lowest.
TEST(FitModel, RemembersPointsChargesStagesAndTakesTheBestStart) {
  for (const int method : {kClassicMethod, kFastMethod}) {
    FitContext state = data_in_state(method == kClassicMethod ? 2 : 1);
    state.fit_method = method;
    const RunData run(state.data);
    ASSERT_TRUE(run.scale.is_identity());
    state.data = run.internal;
    testing::RecordingHost host;
    ModelObjective model_objective(state, host);
    testing::FunctionObjective objective(model_objective);
    const ModelFit fit = run_model(state, host, objective, run);
    if (method == kFastMethod) {
      const LeastSquaresProblem problem = least_squares_problem(run.internal, 1, 2);
      const auto starts = data_starts(run.internal, 1, 2, problem.largest_so);
      std::vector<double> ssq;
      ssq.reserve(starts.size());
      for (const ParamVector& start : starts)
        ssq.push_back(solve_least_squares(problem, start, 25).ssq);
      const auto best = std::min_element(ssq.begin(), ssq.end()) - ssq.begin();
      EXPECT_NE(best, 2);  // the last start is not the best, so taking it would show
      EXPECT_EQ(fit.initial, starts[best]);
      continue;
    }
    ASSERT_FALSE(fit.from_all_ones);
    ASSERT_GT(objective.points.size(), 100u);
    for (size_t i = 0; i < objective.points.size(); ++i) {
      for (size_t k = i >= 8 ? i - 8 : 0; k < i; ++k) {
        ASSERT_NE(objective.points[k], objective.points[i]) << k << " " << i;
      }
    }
    for (const FitStage stage :
         {FitStage::kEstimates, FitStage::kSimplex, FitStage::kConstrained}) {
      EXPECT_GT(fit.costs[static_cast<int>(stage)].evaluations, 0);
    }
  }
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A section per model; no NaN among the estimates (columns 1-22, all of them where the sum is
// finite); the announced FIT FAILED and final-check lines; a summary ranking the others, the
// first marked best when its AICc is known; SAVED TO last. The ranked model's table is what the
// plots get, a value that cannot be drawn (below 0 or NaN) drawn as 0.
// The events of a completed run of every model: for each model in order, the end of its first
// fit, perhaps of a second, then the model handed over, without parameters exactly when its fit
// failed; messages may come anywhere.
void check_events(const std::vector<std::string>& events, const std::set<int>& failed_models) {
  ModelId model = 1;
  int passes = 0;
  for (const std::string& event : events) {
    if (event.starts_with("progress ")) {
      ++passes;
      EXPECT_EQ(event, "progress " + std::to_string(model) + " pass " + std::to_string(passes));
    } else if (event.starts_with("fitted ")) {
      EXPECT_TRUE(event.starts_with("fitted " + std::to_string(model) + " ")) << event;
      EXPECT_TRUE(passes == 1 || passes == 2) << event;
      EXPECT_EQ(event.ends_with(" without parameters"), failed_models.count(model) == 1) << event;
      ++model;
      passes = 0;
    }
  }
  EXPECT_EQ(model, kModelCount + 1);
  EXPECT_EQ(passes, 0);
}

void check_report(const std::vector<std::string>& report, const RunResult& state, int failed,
                  int moved) {
  ASSERT_FALSE(report.empty()) << "no report";
  EXPECT_TRUE(report.back().starts_with(" SAVED TO: ")) << report.back();
  int sections = 0, failed_sections = 0, moved_lines = 0, not_ranked = 0;
  bool ssq_finite = true, estimates = false;
  for (size_t i = 0; i < report.size(); ++i) {
    const std::string& line = report[i];
    sections += contains(line, "MODEL NAME:");
    failed_sections += line.find("FIT FAILED:") == 10;
    moved_lines += contains(line, "FINAL CHECK LOWERED SSQ FROM");
    not_ranked += line.starts_with("     not ranked, the fit failed: ");
    if (contains(line, "STAGE-2 QUADRATIC PROGRAMMING SSQ="))
      ssq_finite = !contains(line, "NaN") && !contains(line, "Inf");
    estimates = contains(line, "BEST FIT PARAMETERS:") || (estimates && !line.starts_with(" ---"));
    EXPECT_FALSE(estimates && contains(ssq_finite ? line : line.substr(0, 22), "NaN")) << line;
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
  const int fitted = state.global_mdl_count;
  const int ranked = fitted - failed;  // no summary, so no unranked line, without any
  EXPECT_EQ(std::tuple(sections, failed_sections, not_ranked, moved_lines),
            std::tuple(fitted, failed, ranked == 0 ? 0 : failed, moved));
  const auto summary = std::find_if(report.begin(), report.end(), [](const std::string& line) {
    return contains(line, "BEST-FIT MODEL SUMMARY:");
  });
  ASSERT_EQ(summary == report.end(), ranked == 0);
  if (ranked == 0) return;
  ASSERT_LT(summary + 4 + ranked, report.end()) << "no model summary";
  EXPECT_FALSE(contains(summary[4], "NaN")) << summary[4];
  EXPECT_TRUE(contains(summary[4], "unknown") || summary[4].ends_with("**")) << summary[4];
  EXPECT_EQ(summary[4 + ranked], " " + std::string(78, '-'));
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
  for (const auto& [name, value] :
       {std::pair{"minus_1e300", "-1e300"}, {"zero", "0"}, {"largest", "1.7976931348623157e308"}}) {
    for (const int column : {0, 2}) {
      const std::string where = std::string(name) + "_in_column_" + std::to_string(column + 1);
      cases.push_back({"one_" + where, ordinary_rows_with(value, column, 2), false});
      cases.push_back({"all_" + where, ordinary_rows_with(value, column, -1), false});
    }
  }
  // Near zero-order kinetics ([So] = 1e4 Km) the exponential of the model overflows: every model
  // fits.
  std::mt19937 rng(4242);
  cases.push_back({"zero_order_product", model_curve(1, 1e4, 1.0, 50.0, 12, 190, 1e-3, rng), true});
  cases.push_back({"zero_order_exact", model_curve(1, 1e4, 1.0, 50.0, 12, 190, 0.0, rng), true});
  cases.push_back(
      {"zero_order_substrate", model_curve(3, 1e4, 1.0, 50.0, 12, 190, 1e-3, rng), true});
  return cases;
}

// Each file, by the classic chain under both weightings and unweighted by the fast method, ends
// with a complete report or is refused with a message, and leaves nothing but its report.
TEST(Robustness, EveryRunEndsWithACompleteReportOrAMessage) {
  for (const auto& [name, text, must_complete] : degenerate_and_extreme_files()) {
    for (const auto& [weighting, method] : {std::pair{kNoWeighting, kClassicMethod},
                                            {kRobustWeighting, kClassicMethod},
                                            {kNoWeighting, kFastMethod}}) {
      SCOPED_TRACE(name + " weighting " + std::to_string(weighting) + " method " +
                   std::to_string(method));
      testing::TempFolder folder;
      RunRequest request;
      request.imdl.fill(1);
      request.nwt_global = weighting;
      request.fit_method = method;
      RunResult state;
      testing::RecordingHost host;
      const int status = velmor(request, state, host, folder.write("case.in", text));
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
      check_events(host.events, failed_models);
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
