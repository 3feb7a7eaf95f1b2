#include "engine/model/initial_estimates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/model/model_objective.h"
#include "model_test_support.h"
#include "recording_host.h"

namespace velmor {
namespace {

using testing::data_in_state;
using testing::RecordingHost;

// A first curve Y = 0.5 t + 1 at t = 10, 20, ... over m1 rows, [So] 50; any other read is NaN.
ProgressCurveData linear_first_curve(int m1) {
  ProgressCurveData data;
  data.X1.fill(std::numeric_limits<double>::quiet_NaN());
  data.X2 = data.Y = data.X1;
  for (int i = 0; i < m1; ++i) {
    data.X1[i] = 10.0 * (i + 1);
    data.X2[i] = 50.0;
    data.Y[i] = 0.5 * data.X1[i] + 1.0;
  }
  data.X2[1] = 50.0;
  data.nRows = m1 + 5;
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
  EXPECT_EQ(crude_estimates(data, 1).b0, 0.0);
  EXPECT_EQ(crude_estimates(data, 3).b0, 0.0);
  EXPECT_DOUBLE_EQ(crude_estimates(data, 2).b0, (6.0 + 11.0) / 4.0);
  EXPECT_DOUBLE_EQ(crude_estimates(data, 4).b0, (41.0 + 46.0) / 4.0);
  ProgressCurveData ungrouped = data;  // no curves counted: the rows make one curve
  ungrouped.nRows = 9;
  ungrouped.nCurves = 0;
  ungrouped.curveCount = {};
  EXPECT_DOUBLE_EQ(crude_estimates(ungrouped, 1).vm0, sum);
  // Three rows: rows 1..3; two rows: both, scaled by 3/2. Nothing outside the curve is read.
  EXPECT_DOUBLE_EQ(crude_estimates(linear_first_curve(3), 1).vm0,
                   slope(6, 10) + slope(11, 20) + slope(16, 30));
  EXPECT_DOUBLE_EQ(crude_estimates(linear_first_curve(2), 1).vm0,
                   1.5 * (slope(6, 10) + slope(11, 20)));
  EXPECT_DOUBLE_EQ(crude_estimates(linear_first_curve(2), 4).b0, (6.0 + 11.0) / 4.0);

  // Rows at t = 0 in the window do not count, the others are scaled to three (a curve from 0, a
  // restart at 0); a window of t = 0 only takes the whole curve, or without any later time the
  // plain sum.
  ProgressCurveData from_zero = linear_first_curve(5);
  for (int i = 0; i < 5; ++i) from_zero.X1[i] = 10.0 * i;
  EXPECT_DOUBLE_EQ(crude_estimates(from_zero, 1).vm0,
                   1.5 * (slope(from_zero.Y[1], 10) + slope(from_zero.Y[2], 20)));
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

// A second call on the same data starts the random search from another seed.
TEST(InitEstimates, SecondCallStartsFromANewSeed) {
  RunState state = data_in_state(2);
  RecordingHost host;
  ModelObjective objective(state, host);
  ParamVector first{}, second{};
  init_estimates(objective, state, first);
  const double after_first = state.estimate_random_value;
  const double shared_after_first = state.random_value;
  init_estimates(objective, state, second);
  EXPECT_NE(state.estimate_random_value, after_first);
  EXPECT_NE(state.random_value, shared_after_first);
  EXPECT_NE(first, second);
}

// A blank first curve ([So] = 0): finite estimates, at least 1e-6, and 0 beyond npar.
TEST(InitEstimates, BlankFirstCurveGivesFiniteEstimates) {
  for (const ModelId model : {1, 2, 3, 4}) {
    RunState state = data_in_state(model);
    for (int i = 0; i < 9; ++i) state.data.X2[i] = 0.0;
    RecordingHost host;
    ModelObjective objective(state, host);
    ParamVector p{};
    init_estimates(objective, state, p);
    for (int i = 0; i < kMaxParams; ++i) {
      EXPECT_TRUE(i < state.npar ? std::isfinite(p[i]) && p[i] >= 1e-6 : p[i] == 0.0) << model;
    }
    EXPECT_TRUE(host.messages.empty());
  }
}

}  // namespace
}  // namespace velmor
