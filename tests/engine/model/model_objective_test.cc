#include "engine/model/model_objective.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

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

// The positivity bounds (all >= 0, Km and Vm >= 1e-6) with unit normals; value() is calcfg's f
// bit for bit, with and without robust weights.
TEST(ModelObjective, ConstraintsAndValueForEveryModel) {
  for (const ModelId model : {1, 2, 3, 4}) {
    SCOPED_TRACE(model);
    RunState state = data_in_state(model);
    RecordingHost host;
    ModelObjective objective(state, host);
    Workspace w;
    w.cnorm.fill(7.0);
    objective.calcfg(state.npar, params({1.0, 2.0, 3.0}), w.f, w.g, w.c, w.cnorm);
    const std::vector<double> expected_c = model % 2 == 0
                                               ? std::vector<double>{1, 2, 3, 0.999999, 1.999999}
                                               : std::vector<double>{1, 2, 0.999999, 1.999999};
    ASSERT_EQ(objective.constraint_count(), static_cast<int>(expected_c.size()));
    EXPECT_EQ(state.constraint_count, objective.constraint_count());
    EXPECT_EQ(objective.equality_count(), 0);
    for (int k = 0; k < objective.constraint_count(); ++k) {
      EXPECT_DOUBLE_EQ(w.c[k], expected_c[k]);
      EXPECT_EQ(w.cnorm[normal_index(k < state.npar ? k : k - state.npar, k)], 1.0);
    }
    int ones = 0;
    for (const double entry : w.cnorm) ones += entry == 1.0 ? 1 : (entry == 0.0 ? 0 : 100);
    EXPECT_EQ(ones, objective.constraint_count());
    for (const int weighting : {kNoWeighting, kRobustWeighting}) {
      state.nwt_global = weighting;
      for (const ParamVector& x : {params({20.0, 0.5, 0.4}), params({3.0, 0.31, 1.2})}) {
        objective.calcfg(state.npar, x, w.f, w.g, w.c, w.cnorm);
        EXPECT_GT(w.f, 0.0);
        EXPECT_EQ(objective.value(state.npar, x), w.f);
      }
    }
    EXPECT_TRUE(host.messages.empty());
  }
}

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
  EXPECT_EQ(w.g, ParamVector{});
  EXPECT_EQ(state.constraint_count, 42);
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(std::tie(host.messages[0].kind, host.messages[0].text),
            std::tie(kWarning, "Model # exceeded limit!"));
  EXPECT_EQ(std::tie(host.messages[1].kind, host.messages[1].text),
            std::tie(kError, "* * * ERROR: ABORTED RUN * * *"));
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
  EXPECT_DOUBLE_EQ(x[0], 2.0 / std::numbers::pi * std::atan(1.0) + 1e-6);  // 0.500001
  EXPECT_EQ(x[1], 0.5);
  EXPECT_EQ(x[2], 1e-6);
  EXPECT_EQ(x[3], 2.22e-16);
  EXPECT_TRUE(std::isnan(x[4]));
  EXPECT_EQ(f, 40.0);
  // A count beyond the vector's length stops at its end: nothing after it is read or written.
  struct {
    ParamVector x;
    double after;
  } tight{params({1.0}), -1.0};
  bounds_neg(tight.x, kMaxParams + 1, f);
  EXPECT_EQ(f, 40.0 * std::pow(2.0, kMaxParams - 1));
  EXPECT_EQ(tight.after, -1.0);
}

TEST(RandomDraw, FirstDrawsOfTheSequence) {
  EXPECT_EQ(seeded_draw(0.0, 0.9), 0.14159265358979312);
  EXPECT_EQ(next_random(kSeedZeroDraw), 0.48457101551719006);
  EXPECT_EQ(seeded_draw(1.0, kSeedZeroDraw), 0.48457101551719006);
  double r = 0.0;
  for (int k = 0; k < 1000; ++k) {
    r = next_random(r);
    ASSERT_TRUE(r >= 0.0 && r < 1.0);
  }
}

}  // namespace
}  // namespace velmor
