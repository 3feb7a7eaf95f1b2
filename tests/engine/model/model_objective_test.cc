#include "engine/model/model_objective.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <tuple>

#include "engine/model/random_draw.h"
#include "model_test_support.h"
#include "recording_host.h"

namespace velmor {
namespace {

using testing::data_in_state;
using testing::params;
using testing::RecordingHost;

struct Workspace {
  double f = -1.0;
  ParamVector g{};
  ConstraintVector c{};
  ConstraintNormals cnorm{};
};

class Constraints : public ::testing::TestWithParam<ModelId> {};

TEST_P(Constraints, AreThePositivityBoundsWithUnitNormals) {
  const ModelId model = GetParam();
  RunState state = data_in_state(model);
  RecordingHost host;
  ModelObjective objective(state, host);
  Workspace w;
  w.cnorm.fill(7.0);
  objective.calcfg(state.npar, params({1.0, 2.0, 3.0}), w.f, w.g, w.c, w.cnorm);

  const bool baseline = model == 2 || model == 4;
  const std::vector<double> expected_c = baseline ? std::vector<double>{1, 2, 3, 0.999999, 1.999999}
                                                  : std::vector<double>{1, 2, 0.999999, 1.999999};
  ASSERT_EQ(objective.constraint_count(), static_cast<int>(expected_c.size()));
  EXPECT_EQ(state.constraint_count, objective.constraint_count());
  EXPECT_EQ(objective.equality_count(), 0);
  int ones = 0;
  for (int k = 0; k < objective.constraint_count(); ++k) {
    EXPECT_DOUBLE_EQ(w.c[k], expected_c[k]);
    // Column k is the unit vector of the parameter the constraint bounds.
    const int bounded = k < state.npar ? k : k - state.npar;
    EXPECT_EQ(w.cnorm[normal_index(bounded, k)], 1.0);
  }
  for (const double entry : w.cnorm) ones += entry == 1.0 ? 1 : (entry == 0.0 ? 0 : 100);
  EXPECT_EQ(ones, objective.constraint_count());
  EXPECT_TRUE(host.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Models, Constraints, ::testing::Values(1, 2, 3, 4));

class ValueAgreesWithCalcfg
    : public ::testing::TestWithParam<std::tuple<ModelId, int, ParamVector>> {};

// The searches read value(); the optimisers read calcfg's f. They must be the same double.
TEST_P(ValueAgreesWithCalcfg, BitForBit) {
  const auto [model, weighting, x] = GetParam();
  RunState state = data_in_state(model);
  state.nwt_global = weighting;
  RecordingHost host;
  ModelObjective objective(state, host);
  Workspace w;
  objective.calcfg(state.npar, x, w.f, w.g, w.c, w.cnorm);
  EXPECT_GT(w.f, 0.0);
  EXPECT_EQ(objective.value(state.npar, x), w.f);
}

INSTANTIATE_TEST_SUITE_P(ModelsWeightsPoints, ValueAgreesWithCalcfg,
                         ::testing::Combine(::testing::Values(1, 2, 3, 4),
                                            ::testing::Values(kNoWeighting, kRobustWeighting),
                                            ::testing::Values(params({20.0, 0.5, 0.4}),
                                                              params({3.0, 0.31, 1.2}),
                                                              params({150.0, 1.2, 0.0}))));

TEST(ModelObjective, ModelAboveTheLimitIsRefusedWithTwoMessages) {
  RunState state = data_in_state(1);
  state.imdlno = 5;
  state.constraint_count = 42;
  RecordingHost host;
  ModelObjective objective(state, host);
  Workspace w;
  w.g.fill(3.0);
  objective.calcfg(2, params({20.0, 0.5}), w.f, w.g, w.c, w.cnorm);
  EXPECT_EQ(w.f, 0.0);
  for (const double gi : w.g) EXPECT_EQ(gi, 0.0);
  EXPECT_EQ(state.constraint_count, 42);
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0].kind, kWarning);
  EXPECT_EQ(host.messages[0].text, "Model # exceeded limit!");
  EXPECT_EQ(host.messages[1].kind, kError);
  EXPECT_EQ(host.messages[1].text, "* * * ERROR: ABORTED RUN * * *");
  EXPECT_EQ(objective.value(2, params({20.0, 0.5})), 0.0);

  state.imdlno = 0;  // no model: zeros without a message
  objective.calcfg(2, params({20.0, 0.5}), w.f, w.g, w.c, w.cnorm);
  EXPECT_EQ(w.f, 0.0);
  EXPECT_EQ(host.messages.size(), 2u);
}

TEST(BoundsNeg, RepairsOnlyParametersBelowTheThreshold) {
  ParamVector x = params({-1.0, 0.5, 0.0, 2.22e-16, std::numeric_limits<double>::quiet_NaN()});
  double f = 10.0;
  bounds_neg(x, 5, f);
  EXPECT_DOUBLE_EQ(x[0], 2.0 / std::numbers::pi * std::atan(1.0) + 1e-6);
  EXPECT_NEAR(x[0], 0.500001, 1e-15);
  EXPECT_EQ(x[1], 0.5);
  EXPECT_EQ(x[2], 1e-6);
  EXPECT_EQ(x[3], 2.22e-16);
  EXPECT_TRUE(std::isnan(x[4]));
  EXPECT_EQ(f, 40.0);
}

TEST(RandomDraw, FirstDrawsOfTheSequence) {
  EXPECT_EQ(seeded_draw(0.0, 0.9), 0.14159265358979312);
  EXPECT_EQ(next_random(kSeedZeroDraw), 0.48457101551719006);
  EXPECT_EQ(seeded_draw(1.0, kSeedZeroDraw), 0.48457101551719006);
  double r = 0.0;
  for (int k = 0; k < 1000; ++k) {
    r = next_random(r);
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
  }
}

}  // namespace
}  // namespace velmor
