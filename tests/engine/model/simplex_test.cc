// SPDX-License-Identifier: MIT
// The estimates and the searches that shape them and stage 1: the simplex and the random search.
#include "engine/model/simplex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/core/machine_constants.h"
#include "engine/model/initial_estimates.h"
#include "engine/model/model_objective.h"
#include "engine/model/random_draw.h"
#include "engine/model/random_search.h"
#include "model_test_support.h"
#include "recording_host.h"

namespace velmor {
namespace {

using testing::bowl;
using testing::data_in_state;
using testing::FunctionObjective;
using testing::params;
using testing::RecordingHost;

FitContext state_for(ModelId model) {
  FitContext state;
  state.imdlno = model;
  state.random.random_value = 0.5;
  return state;
}

// n = 2, a = 1: slots x + (p, q) and x + (q, p) with p = cos 15 deg, q = sin 15 deg; with no
// iterations allowed only the three slots and the best of them (slot 0: 18) are evaluated.
TEST(Simplex, StartingSimplexAndNoIterations) {
  FunctionObjective objective(bowl);
  FitContext state = state_for(1);
  ParamVector x = params({1.0, 2.0});
  double f = 0.0;
  EXPECT_EQ(simplex(objective, state, 2, x, f, kTol, 1.0, 0).stop, SimplexStop::kNoIterations);
  ASSERT_EQ(objective.points.size(), 4u);
  const double p = 0.9659258262890683, q = 0.25881904510252074;
  EXPECT_EQ(objective.points[1], params({1.0 + p, 2.0 + q}));
  EXPECT_EQ(objective.points[2], params({1.0 + q, 2.0 + p}));
  EXPECT_EQ(x, params({1.0, 2.0}));
  EXPECT_EQ(objective.points[3], x);
  EXPECT_EQ(f, 18.0);
}

// On a tolerance no spread exceeds models 1 and 3 stop after iteration 1, models 2 and 4 restart
// in iterations 1..9 and stop from 10 (or at the limit); on a fine one all reach the minimum.
TEST(Simplex, RestartScheduleAndMinimum) {
  const struct {
    ModelId model;
    int max_iter, iterations;
    SimplexStop stop;
  } kCases[] = {{1, 50, 1, SimplexStop::kConverged},
                {4, 50, 10, SimplexStop::kConverged},
                {2, 5, 5, SimplexStop::kIterationLimit}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.model);
    FunctionObjective objective(bowl);
    FitContext state = state_for(c.model);
    ParamVector x = params({1.0, 1.0, 1.0});
    double f = 0.0;
    const SimplexResult result = simplex(objective, state, 3, x, f, 1e30, 0.5, c.max_iter);
    EXPECT_EQ(result.iterations, c.iterations);
    EXPECT_EQ(result.stop, c.stop);
    EXPECT_EQ(state.random.random_value != 0.5, c.model % 2 == 0);
    x = params({1.0, 1.0, 1.0});
    simplex(objective, state, 3, x, f, 1e-12, 0.5, 200);
    EXPECT_NEAR(f, 1.0, 1e-6);
    EXPECT_EQ(f, bowl(x));
    EXPECT_NEAR(x[0], 3.0, 1e-3);
    EXPECT_NEAR(x[1], 0.5, 1e-3);
  }
}

TEST(GuardObjective, ReplacesTinyNonNumericAndHugeValuesByBig) {
  for (const double v : {0.0, kEps / 2.0, std::numeric_limits<double>::quiet_NaN(), 2.0 * kBig,
                         std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(guard_objective(v), kBig) << v;
  }
  EXPECT_EQ(guard_objective(kEps), kEps);
  EXPECT_EQ(guard_objective(3.5), 3.5);
}

// Evaluations: the start, then per pass its start, 10 n + 1 trials and the repair; a pass limit
// below 10 means 100, and the spread schedule stops after 15 passes.
TEST(RandomSearch, PassesFollowTheSpreadSchedule) {
  const struct {
    int n, max_passes, expected_max_passes, expected_passes;
  } kCases[] = {{2, 5, 100, 15}, {1, 10, 10, 10}, {3, 12, 12, 12}, {3, 50, 50, 15}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.n * 100 + c.max_passes);
    FunctionObjective objective(bowl);
    ParamVector x = params({1.0, 1.0, 1.0});
    double rv = 0.3, seed = 0.25, f = 0.0;
    int max_passes = c.max_passes;
    dorunrun(objective, rv, c.n, seed, max_passes, x, f);
    EXPECT_EQ(max_passes, c.expected_max_passes);
    EXPECT_EQ(static_cast<int>(objective.points.size()), 1 + c.expected_passes * (10 * c.n + 3));
    EXPECT_LT(f, bowl(params({1.0, 1.0, 1.0})));
    EXPECT_EQ(f, bowl(x));
    EXPECT_EQ(seed, rv);
  }
}

// An objective falling at every trial: six successes in a row keep coordinate 1, and the seventh
// trial first draws another coordinate.
TEST(RandomSearch, SixSuccessesInARowMoveToAnotherCoordinate) {
  double next = 1e6;
  FunctionObjective objective([&](const ParamVector&) { return next -= 1.0; });
  ParamVector x = params({1.0, 1.0, 1.0}), expected = x;
  double rv = 0.3, seed = 0.25, f = 0.0;
  int max_passes = 10;
  dorunrun(objective, rv, 3, seed, max_passes, x, f);
  const double s = 0.8f, lo = 1.0 - s, width = 1.0 + s - lo;
  double r = next_random(0.3);  // the seed draw
  for (int trial = 1, k = 0; trial <= 7; ++trial) {
    if (trial == 7) k = std::min(static_cast<int>(3 * (r = next_random(r)) + 1.0), 3) - 1;
    const double r1 = next_random(r);
    r = next_random(r1);
    expected[k] = (lo + width * std::fabs(r1 - 0.5)) * (1.0 + s * std::fabs(r - 0.5));
    EXPECT_EQ(objective.points[trial + 1], expected) << trial;  // after the start and pass start
  }
}

// A first curve Y = 0.5 t + 1 at t = 10, 20, ... over m1 rows, [So] 50; any other read is NaN.
ProgressCurveData linear_first_curve(int m1) {
  ProgressCurveData data;
  data.resize_rows(m1 + 5);
  std::fill(data.X1.begin(), data.X1.end(), std::numeric_limits<double>::quiet_NaN());
  data.X2 = data.Y = data.X1;
  for (int i = 0; i < m1; ++i) {
    data.X1[i] = 10.0 * (i + 1);
    data.X2[i] = 50.0;
    data.Y[i] = 0.5 * data.X1[i] + 1.0;
  }
  data.X2[1] = 50.0;
  data.nCurves = 2;
  data.curveCount = {m1, 5};
  return data;
}

double slope(double y, double t) {
  return y / (t + 1e-6);
}

TEST(CrudeEstimates, SlopesBaselinesAndShortFirstCurves) {
  // Nine rows: rows 3..5 about the middle, the sum not divided by 3.
  const ProgressCurveData data = linear_first_curve(9);
  const double sum = slope(16, 30) + slope(21, 40) + slope(26, 50);
  EXPECT_EQ(crude_estimates(data, 1).km0, 50.0);
  EXPECT_DOUBLE_EQ(crude_estimates(data, 1).vm0, sum);
  EXPECT_DOUBLE_EQ(crude_estimates(data, 3).vm0, 2.0 * sum);
  EXPECT_DOUBLE_EQ(crude_estimates(data, 2).b0, (6.0 + 11.0) / 4.0);
  EXPECT_DOUBLE_EQ(crude_estimates(data, 4).b0, (41.0 + 46.0) / 4.0);
  // Two rows: both, scaled by 3/2. Nothing outside the curve is read.
  EXPECT_DOUBLE_EQ(crude_estimates(linear_first_curve(2), 1).vm0,
                   1.5 * (slope(6, 10) + slope(11, 20)));
  EXPECT_DOUBLE_EQ(crude_estimates(linear_first_curve(2), 4).b0, (6.0 + 11.0) / 4.0);

  // Rows at t = 0 in the window do not count, the others are scaled to three; a window of t = 0
  // only takes the whole curve, or without any later time the plain sum.
  ProgressCurveData restart = linear_first_curve(9);
  restart.X1[3] = 0.0;
  EXPECT_DOUBLE_EQ(crude_estimates(restart, 1).vm0, 1.5 * (slope(16, 30) + slope(26, 50)));
  ProgressCurveData zeros = linear_first_curve(6);
  zeros.X1[1] = zeros.X1[2] = zeros.X1[3] = 0.0;
  EXPECT_DOUBLE_EQ(crude_estimates(zeros, 1).vm0, slope(6, 10) + slope(26, 50) + slope(31, 60));
  ProgressCurveData flat = linear_first_curve(2);
  flat.X1[0] = flat.X1[1] = 0.0;
  EXPECT_DOUBLE_EQ(crude_estimates(flat, 1).vm0, 1.5 * (slope(6, 0) + slope(11, 0)));
}

// A blank first curve ([So] = 0): finite estimates, at least 1e-6, and 0 beyond npar.
TEST(InitEstimates, BlankFirstCurveGivesFiniteEstimates) {
  for (const ModelId model : {1, 2, 3, 4}) {
    FitContext state = data_in_state(model);
    for (int i = 0; i < 9; ++i) state.data.X2[i] = 0.0;
    RecordingHost host;
    ModelObjective objective(state, host);
    ParamVector p{};
    init_estimates(objective, state, p);
    for (int i = 0; i < kMaxParams; ++i) {
      EXPECT_TRUE(i < state.npar ? std::isfinite(p[i]) && p[i] >= 1e-6 : p[i] == 0.0) << model;
    }
  }
}

}  // namespace
}  // namespace velmor
