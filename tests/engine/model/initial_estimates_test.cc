#include "engine/model/initial_estimates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/core/machine_constants.h"
#include "engine/model/model_objective.h"
#include "engine/model/simplex.h"
#include "model_test_support.h"
#include "recording_host.h"

namespace velmor {
namespace {

using testing::data_in_state;
using testing::RecordingHost;
using testing::sum_of_squares;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Two curves, [So] 50 and 80, the first a straight line Y = 0.5 t + 1 over m1 rows; every
// value outside the first curve's rows (and the second row's [So]) is NaN, so any read there
// shows in the estimates.
ProgressCurveData linear_first_curve(int m1) {
  ProgressCurveData data;
  data.X1.fill(kNaN);
  data.X2.fill(kNaN);
  data.Y.fill(kNaN);
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

TEST(CrudeEstimates, SlopesBaselinesAndShortFirstCurves) {
  // Nine rows: h = 4, rows 3..5 (t = 30, 40, 50); the sum is not divided by 3.
  const ProgressCurveData data = linear_first_curve(9);
  const double sum = 16.0 / (30.0 + 1e-6) + 21.0 / (40.0 + 1e-6) + 26.0 / (50.0 + 1e-6);
  const CrudeEstimates one = crude_estimates(data, 1);
  EXPECT_EQ(one.km0, 50.0);
  EXPECT_DOUBLE_EQ(one.vm0, sum);
  EXPECT_EQ(one.b0, 0.0);
  EXPECT_DOUBLE_EQ(crude_estimates(data, 3).vm0, 2.0 * sum);
  EXPECT_EQ(crude_estimates(data, 3).b0, 0.0);
  EXPECT_DOUBLE_EQ(crude_estimates(data, 2).b0, (6.0 + 11.0) / 4.0);
  EXPECT_DOUBLE_EQ(crude_estimates(data, 4).b0, (41.0 + 46.0) / 4.0);

  // Three rows: rows 1..3; two rows: both, scaled by 3/2. Nothing outside the curve is read.
  EXPECT_DOUBLE_EQ(crude_estimates(linear_first_curve(3), 1).vm0,
                   6.0 / (10.0 + 1e-6) + 11.0 / (20.0 + 1e-6) + 16.0 / (30.0 + 1e-6));
  EXPECT_DOUBLE_EQ(crude_estimates(linear_first_curve(2), 1).vm0,
                   1.5 * (6.0 / (10.0 + 1e-6) + 11.0 / (20.0 + 1e-6)));
  EXPECT_DOUBLE_EQ(crude_estimates(linear_first_curve(2), 4).b0, (6.0 + 11.0) / 4.0);

  // A row at t = 0 in the window (five rows from t = 0: rows 1..3) does not count; the two
  // others are scaled by 3/2. Replicates restarting at t = 0 in the window's middle row: the
  // rows around it still count. A window of t = 0 rows only falls back on the whole curve.
  ProgressCurveData from_zero = linear_first_curve(5);
  for (int i = 0; i < 5; ++i) from_zero.X1[i] = 10.0 * i;
  EXPECT_DOUBLE_EQ(crude_estimates(from_zero, 1).vm0,
                   1.5 * (from_zero.Y[1] / (10.0 + 1e-6) + from_zero.Y[2] / (20.0 + 1e-6)));
  ProgressCurveData restart = linear_first_curve(9);
  restart.X1[3] = 0.0;
  EXPECT_DOUBLE_EQ(crude_estimates(restart, 1).vm0,
                   1.5 * (16.0 / (30.0 + 1e-6) + 26.0 / (50.0 + 1e-6)));
  ProgressCurveData zeros = linear_first_curve(6);
  zeros.X1[1] = zeros.X1[2] = zeros.X1[3] = 0.0;
  EXPECT_DOUBLE_EQ(crude_estimates(zeros, 1).vm0,
                   6.0 / (10.0 + 1e-6) + 26.0 / (50.0 + 1e-6) + 31.0 / (60.0 + 1e-6));
  // No time after the start in the whole curve: the plain sum, two rows scaled to three.
  ProgressCurveData flat = linear_first_curve(2);
  flat.X1[0] = flat.X1[1] = 0.0;
  EXPECT_DOUBLE_EQ(crude_estimates(flat, 1).vm0, 1.5 * (6.0 / 1e-6 + 11.0 / 1e-6));
}

class StageOne : public ::testing::TestWithParam<ModelId> {};

// On examples/DATA.IN the estimates are at least 1e-6 with the unused positions 0, and the
// fit driver's first simplex call from them (scale 0.5 rms/max of the first npar - 1
// estimates, 50 iterations) lowers their sum of squares.
TEST_P(StageOne, LowersTheSumOfSquaresOfDataIn) {
  RunState state = data_in_state(GetParam());
  RecordingHost host;
  ModelObjective objective(state, host);
  ParamVector p{};
  init_estimates(objective, state, p);
  for (int i = 0; i < state.npar; ++i) EXPECT_GE(p[i], 1e-6);
  for (int i = state.npar; i < kMaxParams; ++i) EXPECT_EQ(p[i], 0.0);
  const double ssq0 = sum_of_squares(state, p);
  ASSERT_TRUE(std::isfinite(ssq0));

  double squares = 0.0, largest = p[0];
  for (int j = 0; j < state.npar - 1; ++j) {
    squares += p[j] * p[j];
    largest = std::max(largest, p[j]);
  }
  double f = 0.0;
  simplex(objective, state, state.npar, p, f, kTol,
          0.5 * std::sqrt(squares / (state.npar - 1)) / largest, 50);
  EXPECT_LT(f, ssq0);
  EXPECT_EQ(f, sum_of_squares(state, p));
  EXPECT_TRUE(host.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Models, StageOne, ::testing::Values(1, 2, 3, 4));

// The estimates' generator is never reset: a second call on the same data starts the random
// search from another seed.
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

// A blank first curve ([So] = 0) used to turn the linearised correction, and with it every
// estimate, into NaN; the estimates stay finite and positive for every model.
TEST(InitEstimates, BlankFirstCurveGivesFiniteEstimates) {
  for (const ModelId model : {1, 2, 3, 4}) {
    RunState state = data_in_state(model);
    for (int i = 0; i < 9; ++i) state.data.X2[i] = 0.0;
    RecordingHost host;
    ModelObjective objective(state, host);
    ParamVector p{};
    init_estimates(objective, state, p);
    for (int i = 0; i < state.npar; ++i) {
      EXPECT_TRUE(std::isfinite(p[i])) << model;
      EXPECT_GE(p[i], 1e-6) << model;
    }
  }
}

}  // namespace
}  // namespace velmor
