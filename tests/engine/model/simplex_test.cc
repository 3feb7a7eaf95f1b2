// The searches that shape the estimates and stage 1: the simplex and the random search.
#include "engine/model/simplex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "engine/core/machine_constants.h"
#include "engine/model/random_draw.h"
#include "engine/model/random_search.h"
#include "model_test_support.h"

namespace velmor {
namespace {

using testing::bowl;
using testing::FunctionObjective;
using testing::params;

RunState state_for(ModelId model) {
  RunState state;
  state.imdlno = model;
  state.random_value = 0.5;
  return state;
}

// n = 2, a = 1: slots x + (p, q) and x + (q, p) with p = cos 15 deg, q = sin 15 deg; with no
// iterations allowed only the three slots and the best of them (slot 0: 18) are evaluated.
TEST(Simplex, StartingSimplexAndNoIterations) {
  for (const int max_iter : {0, -3}) {
    FunctionObjective objective(bowl);
    RunState state = state_for(1);
    ParamVector x = params({1.0, 2.0});
    double f = 0.0;
    const SimplexResult result = simplex(objective, state, 2, x, f, kTol, 1.0, max_iter);
    EXPECT_EQ(result.stop, SimplexStop::kNoIterations);
    EXPECT_EQ(result.iterations, 0);
    ASSERT_EQ(objective.points.size(), 4u);
    const double p = 0.9659258262890683, q = 0.25881904510252074;
    for (int i = 0; i < 2; ++i) {
      EXPECT_NEAR(objective.points[1][i], x[i] + (i == 0 ? p : q), 1e-15);
      EXPECT_NEAR(objective.points[2][i], x[i] + (i == 0 ? q : p), 1e-15);
    }
    EXPECT_EQ(x, params({1.0, 2.0}));
    EXPECT_EQ(objective.points[3], x);
    EXPECT_EQ(f, 18.0);
  }
}

// All values equal: h and l are slot 0, whose reflection is expanded; the spread 0 stops model 1
// after iteration 1 (50/100 < 1) without a restart. Going on (200/100), a coordinate below 1e-6
// is touched up to 2 d (atan|d| / pi) + 1e-6 before the next reflection through slot 0.
TEST(Simplex, TiesExpansionStopAndTouchUp) {
  for (const int max_iter : {50, 200}) {
    FunctionObjective objective([](const ParamVector&) { return 0.0; });
    RunState state = state_for(1);
    ParamVector x = params({-1.0, -2.0});
    double f = 0.0;
    const SimplexResult result =
        simplex(objective, state, 2, x, f, max_iter == 50 ? kTol : 1e30, 1.0, max_iter);
    EXPECT_EQ(result.stop, SimplexStop::kConverged);
    const std::vector<ParamVector>& pt = objective.points;
    ASSERT_EQ(pt.size(), max_iter == 50 ? 6u : 10u);  // 3 slots, 2 per iteration, the result
    ParamVector centroid{}, reflected{};
    for (int i = 0; i < 2; ++i) {
      centroid[i] = (pt[1][i] + pt[2][i]) / 2.0;
      reflected[i] = 2.0 * centroid[i] - pt[0][i];
      EXPECT_DOUBLE_EQ(pt[3][i], reflected[i]);
      EXPECT_DOUBLE_EQ(pt[4][i], 2.0 * reflected[i] - centroid[i]);
    }
    if (max_iter == 200) {
      ASSERT_TRUE(pt[4][0] > 1e-6 && pt[4][1] < 1e-6);  // only the second coordinate moves
      const double d = reflected[1];
      const double touched = 2.0 * d * std::atan(std::fabs(d)) / std::numbers::pi + 1e-6;
      EXPECT_DOUBLE_EQ(pt[5][0], 2.0 * centroid[0] - reflected[0]);
      EXPECT_DOUBLE_EQ(pt[5][1], 2.0 * centroid[1] - touched);
    }
    EXPECT_EQ(state.random_value, 0.5);  // no restart drew a number
  }
}

// The contraction lies halfway from h to the centroid; the shrink (forced by scripted values)
// re-evaluates only h and s, so slot 1 keeps its stale 2 and is the next iteration's worst.
TEST(Simplex, ShrinkLeavesTheFourthSlotWithItsOldValue) {
  const std::vector<double> script{1, 2, 3, 4, 10, 10, 0.5, 0.7};
  std::size_t next = 0;
  FunctionObjective objective(
      [&](const ParamVector&) { return next < script.size() ? script[next++] : 100.0; });
  RunState state = state_for(1);
  ParamVector x = params({1.0, 1.0, 1.0});
  double f = 0.0;
  simplex(objective, state, 3, x, f, 1e30, 1.0, 200);
  ASSERT_GT(objective.points.size(), 8u);
  std::vector<ParamVector> slots(objective.points.begin(), objective.points.begin() + 4);
  for (int i = 0; i < 3; ++i) {
    const double centroid = (slots[0][i] + slots[1][i] + slots[2][i]) / 3.0;
    EXPECT_DOUBLE_EQ(objective.points[5][i], 0.5 * centroid + 0.5 * slots[3][i]);
  }
  for (int k = 1; k <= 3; ++k) {
    for (int i = 0; i < 3; ++i) slots[k][i] = slots[0][i] + 0.5 * (slots[k][i] - slots[0][i]);
  }
  EXPECT_EQ(objective.points[6], slots[3]);
  EXPECT_EQ(objective.points[7], slots[2]);
  for (int i = 0; i < 3; ++i) {
    const double centroid = (slots[0][i] + slots[2][i] + slots[3][i]) / 3.0;
    EXPECT_DOUBLE_EQ(objective.points[8][i], 2.0 * centroid - slots[1][i]);
  }
}

// On a tolerance no spread exceeds models 1 and 3 stop after iteration 1, models 2 and 4 restart
// in iterations 1..9 and stop from 10 (or at the limit); on a fine one all reach the minimum.
TEST(Simplex, RestartScheduleAndMinimum) {
  const struct {
    ModelId model;
    int max_iter, iterations;
    SimplexStop stop;
  } kCases[] = {{1, 50, 1, SimplexStop::kConverged},
                {3, 50, 1, SimplexStop::kConverged},
                {2, 50, 10, SimplexStop::kConverged},
                {4, 50, 10, SimplexStop::kConverged},
                {2, 5, 5, SimplexStop::kIterationLimit}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.model);
    FunctionObjective objective(bowl);
    RunState state = state_for(c.model);
    ParamVector x = params({1.0, 1.0, 1.0});
    double f = 0.0;
    const SimplexResult result = simplex(objective, state, 3, x, f, 1e30, 0.5, c.max_iter);
    EXPECT_EQ(result.iterations, c.iterations);
    EXPECT_EQ(result.stop, c.stop);
    EXPECT_EQ(state.random_value != 0.5, c.model % 2 == 0);
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
  } kCases[] = {{2, 5, 100, 15}, {3, 5, 100, 15}, {1, 10, 10, 10},
                {2, 10, 10, 10}, {3, 12, 12, 12}, {3, 50, 50, 15}};
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

// Seed 0: the first draw is pi - 3, the next coordinate draws follow from it.
TEST(RandomSearch, ZeroSeedStartsFromPiMinusThree) {
  FunctionObjective objective(bowl);
  ParamVector x = params({2.0, 1.0});
  double rv = 0.77, seed = 0.0, f = 0.0;
  int max_passes = 10;
  dorunrun(objective, rv, 2, seed, max_passes, x, f);
  const double r1 = next_random(kSeedZeroDraw), r2 = next_random(r1), s = 0.8f;
  const double lo = 2.0 * (1.0 - s), width = 2.0 * (1.0 + s) - lo;
  EXPECT_EQ(objective.points[2][0],  // the first trial, after the start and the pass's start
            (lo + width * std::fabs(r1 - 0.5)) * (1.0 + s * std::fabs(r2 - 0.5)));
  EXPECT_EQ(objective.points[2][1], 1.0);
}

}  // namespace
}  // namespace velmor
