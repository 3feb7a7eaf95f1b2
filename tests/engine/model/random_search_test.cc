#include "engine/model/random_search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/core/machine_constants.h"
#include "engine/model/random_draw.h"
#include "model_test_support.h"

namespace velmor {
namespace {

using testing::bowl;
using testing::FunctionObjective;
using testing::params;

TEST(GuardObjective, ReplacesTinyNonNumericAndHugeValuesByBig) {
  EXPECT_EQ(guard_objective(0.0), kBig);
  EXPECT_EQ(guard_objective(kEps / 2.0), kBig);
  EXPECT_EQ(guard_objective(std::numeric_limits<double>::quiet_NaN()), kBig);
  EXPECT_EQ(guard_objective(2.0 * kBig), kBig);
  EXPECT_EQ(guard_objective(std::numeric_limits<double>::infinity()), kBig);
  EXPECT_EQ(guard_objective(kEps), kEps);
  EXPECT_EQ(guard_objective(3.5), 3.5);
}

struct PassCase {
  int n;
  int max_passes;
  int expected_max_passes;  // the caller's variable afterwards
  int expected_passes;
};

class RandomSearchPasses : public ::testing::TestWithParam<PassCase> {};

// One evaluation at the start, then per pass one at its start, 10 n + 1 trials and one after
// the repair; a pass limit below 10 means 100, so the spread schedule stops after 15 passes.
TEST_P(RandomSearchPasses, FollowTheSpreadSchedule) {
  const PassCase c = GetParam();
  FunctionObjective objective(bowl);
  ParamVector x = params({1.0, 1.0, 1.0});
  double rv = 0.3, seed = 0.25, f = 0.0;
  int max_passes = c.max_passes;
  dorunrun(objective, rv, c.n, seed, max_passes, x, f);
  EXPECT_EQ(max_passes, c.expected_max_passes);
  EXPECT_EQ(static_cast<int>(objective.points.size()), 1 + c.expected_passes * (10 * c.n + 1 + 2));
  // The search keeps only improvements: it ends at or below its start, f belongs to x.
  EXPECT_LE(f, bowl(params({1.0, 1.0, 1.0})));
  EXPECT_EQ(f, bowl(x));
  EXPECT_EQ(seed, rv);  // the last draw of the run is left in both
}

INSTANTIATE_TEST_SUITE_P(Schedules, RandomSearchPasses,
                         ::testing::Values(PassCase{2, 5, 100, 15}, PassCase{3, 5, 100, 15},
                                           PassCase{1, 10, 10, 10}, PassCase{2, 10, 10, 10},
                                           PassCase{3, 12, 12, 12}, PassCase{3, 50, 50, 15}));

// Seed 0: the first draw is pi - 3, the next coordinate draws follow from it.
TEST(RandomSearch, ZeroSeedStartsFromPiMinusThree) {
  FunctionObjective objective(bowl);
  const ParamVector start = params({2.0, 1.0});
  ParamVector x = start;
  double rv = 0.77, seed = 0.0, f = 0.0;
  int max_passes = 10;
  dorunrun(objective, rv, 2, seed, max_passes, x, f);

  const double r1 = next_random(kSeedZeroDraw);
  ASSERT_EQ(r1, 0.48457101551719006);
  const double r2 = next_random(r1);
  const double s = static_cast<double>(0.8f);
  const double lo = start[0] * (1.0 - s);
  const double width = start[0] * (1.0 + s) - lo;
  // Evaluations 0 and 1 are the start and the first pass's start; 2 is the first trial.
  EXPECT_EQ(objective.points[2][0],
            (lo + width * std::fabs(r1 - 0.5)) * (1.0 + s * std::fabs(r2 - 0.5)));
  EXPECT_EQ(objective.points[2][1], start[1]);
}

}  // namespace
}  // namespace velmor
