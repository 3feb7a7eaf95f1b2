// The last stages of a fit: the constrained stage, the final check of optimality (with its starts
// from the data alone), unknown statistics, and the chain's memory and costs.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "../model/model_test_support.h"
#include "engine/driver/constrained_stage.h"
#include "engine/driver/least_squares_problem.h"
#include "engine/driver/model_run.h"
#include "engine/driver/optimality_check.h"
#include "engine/stats/parameter_statistics.h"
#include "recording_host.h"

namespace velmor {
namespace {

using testing::data_in_state;
using testing::params;

// On the example the stage walks from a poor start to the optimum; on data the model fits to
// 1e-9, where it starts 1 % off the given point and cannot get back as low, the given point stands.
TEST(ConstrainedStage, NeverHandsOnAWorsePoint) {
  const ParamVector optimum = params({8.378149, 0.3555274});
  for (const bool exact : {false, true}) {
    RunState state = data_in_state(1);
    ProgressCurveData& d = state.data;
    for (int i = 0; exact && i < d.nRows; ++i)
      d.Y[i] = func(1, d.X1[i], d.X2[i], 0.0, optimum) + 1e-9 * std::sin(i);
    testing::RecordingHost host;
    ModelObjective objective(state, host);
    const ParamVector start = exact ? optimum : params({30.0, 0.2});
    ParamVector p = start;
    double f = objective.value(2, p);
    int info = 0;
    constrained_stage(objective, 2, p, f, 300, info);
    EXPECT_EQ(f, objective.value(2, p));
    EXPECT_TRUE(exact ? p == start : std::fabs(f - 42.978669) < 1e-4) << f;
  }
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
                {1, params({30.0, 0.2}), true},
                {2, params({1e-6, 5.0, 40.0}), true},
                {1, params({std::nan(""), 0.3}), true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.start[0]);
    const RunState state = data_in_state(c.model);
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
  const RunState state = data_in_state(1);
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
    data.X1[data.nRows] = t;
    data.X2[data.nRows] = so;
    data.Y[data.nRows++] = y;
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
  data.X1.fill(3.0);
  EXPECT_FALSE(least_squares_problem(data, 2, 3).usable());
}

// Every time 0: the normal matrix has no positive diagonal, and the standard errors, limits,
// penalty and AICc are unknown (NaN, not 0).
TEST(FailedStatistics, UnknownStandardErrorsMakeTheAiccUnknown) {
  RunState state = data_in_state(2);
  ProgressCurveData& d = state.data;
  d.nRows = 5;
  d.nCurves = 1;
  d.curveCount = {5};
  for (int i = 0; i < 5; ++i) std::tie(d.X1[i], d.X2[i], d.Y[i]) = std::tuple(0.0, 10.0, i + 1.0);
  const RunData run(state.data);
  state.data = run.internal;
  testing::RecordingHost host;
  ModelObjective objective(state, host);
  const ModelFit fit = run_model(state, host, objective, run);
  ASSERT_FALSE(host.messages.empty());
  EXPECT_EQ(host.messages[0].text, kMatrixDiagonalMessage);
  for (int j = 0; j < fit.npar; ++j) EXPECT_TRUE(std::isnan(fit.se[j]) && std::isnan(fit.ci[j]));
  EXPECT_TRUE(std::isnan(fit.penalty));
  EXPECT_TRUE(std::isnan(fit.aicc));
}

// The classic chain asks for no point among its last eight and charges each stage its costs; the
// fast method takes the data start whose short solve ends lowest.
TEST(FitModel, RemembersPointsChargesStagesAndTakesTheBestStart) {
  for (const int method : {kClassicMethod, kFastMethod}) {
    RunState state = data_in_state(method == kClassicMethod ? 2 : 1);
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
      EXPECT_GT(fit.costs[static_cast<int>(stage)].seconds, 0.0);
    }
  }
}

}  // namespace
}  // namespace velmor
