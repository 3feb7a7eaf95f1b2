// The searches that shape the estimates and stage 1: the simplex and the random search.
#include "engine/model/simplex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <set>
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

// n = 2, a = 1: p = (sqrt(3) + 1)/(2 sqrt(2)) = cos 15 deg, q = (sqrt(3) - 1)/(2 sqrt(2)).
// With no iterations allowed only the three slots and the best of them are evaluated.
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
    EXPECT_EQ(objective.points[0], params({1.0, 2.0}));
    EXPECT_NEAR(objective.points[1][0], 1.0 + p, 1e-15);
    EXPECT_NEAR(objective.points[1][1], 2.0 + q, 1e-15);
    EXPECT_NEAR(objective.points[2][0], 1.0 + q, 1e-15);
    EXPECT_NEAR(objective.points[2][1], 2.0 + p, 1e-15);
    // Slot 0 (value 18) beats slots 1 (18.4) and 2 (32.4): it comes back with its value.
    EXPECT_EQ(x, objective.points[0]);
    EXPECT_EQ(objective.points[3], objective.points[0]);
    EXPECT_EQ(f, 18.0);
  }
}

// All values equal (0): h and l are slot 0, whose reflection is no worse than f(l) and is
// expanded; the spread 0 <= tol stops a model without baseline after iteration 1 (1 > 50/100)
// without a restart. When it goes on (200/100), a coordinate of the last point below 1e-6
// pulls the best slot's towards a small value, 2 d (atan|d| / pi) + 1e-6, before the next
// reflection is taken through slot 0 again.
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
      const double touched =
          2.0 * d * ((std::atan(std::fabs(d)) + std::numbers::pi / 2.0) / std::numbers::pi - 0.5) +
          1e-6;
      EXPECT_DOUBLE_EQ(pt[5][0], 2.0 * centroid[0] - reflected[0]);
      EXPECT_DOUBLE_EQ(pt[5][1], 2.0 * centroid[1] - touched);
    }
    EXPECT_EQ(state.random_value, 0.5);  // no restart drew a number
  }
}

// The contraction lies halfway from h to the others' centroid. A shrink re-evaluates only h and
// s: with n = 3 the fourth slot keeps its old value and is ranked by it. Scripted values: slots
// 1, 2, 3, 4 (h = 3, s = 2, l = 0); reflection and contraction 10 force the shrink; h and s
// come back as 0.5 and 0.7; slot 1 keeps its stale 2 and is the next iteration's worst.
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

// With a tolerance no spread exceeds, models 1 and 3 stop after iteration 1; models 2 and 4
// restart in iterations 1..9 while the spread is above 0 and stop on the tolerance from
// iteration 10, or at the iteration limit when it comes first. With a fine tolerance every
// model reaches the bowl's minimum.
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

// One evaluation at the start, then per pass one at its start, 10 n + 1 trials and one after
// the repair; a pass limit below 10 means 100, and the spread schedule stops after 15 passes.
// The search keeps only improvements, f belongs to x, and the last draw is left in both seeds.
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

// A search that improves at every trial moves to another coordinate after five successes in a
// row, as after three failures.
TEST(RandomSearch, SuccessesInARowMoveToAnotherCoordinate) {
  double next = 1e6;
  FunctionObjective objective([&](const ParamVector&) { return next -= 1.0; });
  ParamVector x = params({1.0, 1.0, 1.0});
  double rv = 0.3, seed = 0.25, f = 0.0;
  int max_passes = 10;
  dorunrun(objective, rv, 3, seed, max_passes, x, f);
  std::set<int> moved;
  for (size_t k = 2; k < 33; ++k) {  // the first pass's trials
    for (int i = 0; i < 3; ++i) {
      if (objective.points[k][i] != objective.points[k - 1][i]) moved.insert(i);
    }
  }
  EXPECT_GT(moved.size(), 1u);
}

// Seed 0: the first draw is pi - 3, the next coordinate draws follow from it.
TEST(RandomSearch, ZeroSeedStartsFromPiMinusThree) {
  FunctionObjective objective(bowl);
  ParamVector x = params({2.0, 1.0});
  double rv = 0.77, seed = 0.0, f = 0.0;
  int max_passes = 10;
  dorunrun(objective, rv, 2, seed, max_passes, x, f);
  const double r1 = next_random(kSeedZeroDraw);
  const double r2 = next_random(r1);
  const double s = static_cast<double>(0.8f);
  // Evaluations 0 and 1 are the start and the first pass's start; 2 is the first trial.
  const double lo = 2.0 * (1.0 - s), width = 2.0 * (1.0 + s) - lo;
  EXPECT_EQ(objective.points[2][0],
            (lo + width * std::fabs(r1 - 0.5)) * (1.0 + s * std::fabs(r2 - 0.5)));
  EXPECT_EQ(objective.points[2][1], 1.0);
}

}  // namespace
}  // namespace velmor
