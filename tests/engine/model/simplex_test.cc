#include "engine/model/simplex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/core/machine_constants.h"
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

// All values equal: h and l are slot 0 (the first of the largest and of the smallest), the
// reflection of slot 0 is no worse than f(l) and is expanded. The values are 0, so the spread
// is 0 <= tol with 1 > 50/100: a model without baseline stops after the first iteration
// without a restart. (Equal non-zero values have a spread: the mean divides by n + 1.)
TEST(Simplex, TiesRankTheFirstSlotAndAFlatStartStopsAtOnce) {
  FunctionObjective objective([](const ParamVector&) { return 0.0; });
  RunState state = state_for(1);
  ParamVector x = params({1.0, 2.0});
  double f = 0.0;
  const SimplexResult result = simplex(objective, state, 2, x, f, kTol, 1.0, 50);
  EXPECT_EQ(result.stop, SimplexStop::kConverged);
  EXPECT_EQ(result.iterations, 1);
  ASSERT_EQ(objective.points.size(), 6u);  // 3 slots, reflection, expansion, result
  const ParamVector& s0 = objective.points[0];
  const ParamVector& s1 = objective.points[1];
  const ParamVector& s2 = objective.points[2];
  for (int i = 0; i < 2; ++i) {
    const double centroid = (s1[i] + s2[i]) / 2.0;
    const double reflected = 2.0 * centroid - s0[i];
    EXPECT_DOUBLE_EQ(objective.points[3][i], reflected);
    EXPECT_DOUBLE_EQ(objective.points[4][i], 2.0 * reflected - centroid);
  }
  EXPECT_EQ(state.random_value, 0.5);  // no restart drew a number
}

// The contraction lies halfway from h to the centroid of the others. A shrink re-evaluates only
// h and s: with n = 3 the fourth slot keeps its old value and is ranked by it. Values are
// scripted: slots 1, 2, 3, 4 (h = 3, s = 2, l = 0); reflection and contraction 10 force the
// shrink; h and s come back as 0.5 and 0.7. Slot 1 keeps its stale 2
// and is the worst of the next iteration, whose reflection is taken through it.
TEST(Simplex, ShrinkLeavesTheFourthSlotWithItsOldValue) {
  const std::vector<double> script{1, 2, 3, 4, 10, 10, 0.5, 0.7};
  std::size_t next = 0;
  FunctionObjective objective(
      [&](const ParamVector&) { return next < script.size() ? script[next++] : 100.0; });
  RunState state = state_for(1);
  ParamVector x = params({1.0, 1.0, 1.0});
  double f = 0.0;
  simplex(objective, state, 3, x, f, 1e30, 1.0, 200);  // 200/100: no stop in iteration 1
  ASSERT_GT(objective.points.size(), 8u);
  std::vector<ParamVector> slots(objective.points.begin(), objective.points.begin() + 4);
  for (int i = 0; i < 3; ++i) {  // the contraction halfway from h to the others' centroid
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

struct RestartCase {
  ModelId model;
  int max_iter;
  int expected_iterations;
  SimplexStop expected_stop;
};

class SimplexRestarts : public ::testing::TestWithParam<RestartCase> {};

// With a tolerance no spread exceeds, models 1 and 3 stop after iteration 1; models 2 and 4
// restart in each of iterations 1..9 while the spread is above 0 and stop on the tolerance only
// from iteration 10, or at the iteration limit when it comes first.
TEST_P(SimplexRestarts, FollowTheModelsSchedule) {
  const RestartCase c = GetParam();
  FunctionObjective objective(bowl);
  RunState state = state_for(c.model);
  ParamVector x = params({1.0, 1.0, 1.0});
  double f = 0.0;
  const SimplexResult result = simplex(objective, state, 3, x, f, 1e30, 0.5, c.max_iter);
  EXPECT_EQ(result.iterations, c.expected_iterations);
  EXPECT_EQ(result.stop, c.expected_stop);
  EXPECT_EQ(state.random_value != 0.5, c.model == 2 || c.model == 4);
}

INSTANTIATE_TEST_SUITE_P(Models, SimplexRestarts,
                         ::testing::Values(RestartCase{1, 50, 1, SimplexStop::kConverged},
                                           RestartCase{3, 50, 1, SimplexStop::kConverged},
                                           RestartCase{2, 50, 10, SimplexStop::kConverged},
                                           RestartCase{4, 50, 10, SimplexStop::kConverged},
                                           RestartCase{2, 5, 5, SimplexStop::kIterationLimit}));

TEST(Simplex, LowersTheObjectiveToItsMinimum) {
  for (const ModelId model : {1, 2}) {
    FunctionObjective objective(bowl);
    RunState state = state_for(model);
    ParamVector x = params({1.0, 1.0, 1.0});
    double f = 0.0;
    simplex(objective, state, 3, x, f, 1e-12, 0.5, 200);
    EXPECT_NEAR(f, 1.0, 1e-6) << model;
    EXPECT_EQ(f, bowl(x));
    EXPECT_NEAR(x[0], 3.0, 1e-3);
    EXPECT_NEAR(x[1], 0.5, 1e-3);
  }
}

}  // namespace
}  // namespace velmor
