// SPDX-License-Identifier: MIT

#include "engine/model/model_objective.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "engine/model/random_draw.h"
#include "engine/model/robust_weights.h"
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
// bit for bit, also with robust weights.
TEST(ModelObjective, ConstraintsAndValueForEveryModel) {
  for (const ModelId model : {1, 2, 3, 4}) {
    SCOPED_TRACE(model);
    FitContext state = data_in_state(model);
    RecordingHost host;
    ModelObjective objective(state, host);
    Workspace w;
    w.cnorm.fill(7.0);
    objective.calcfg(state.npar, params({1.0, 2.0, 3.0}), w.f, w.g, w.c, w.cnorm);
    const std::vector<double> expected_c = model % 2 == 0
                                               ? std::vector<double>{1, 2, 3, 0.999999, 1.999999}
                                               : std::vector<double>{1, 2, 0.999999, 1.999999};
    ASSERT_EQ(objective.constraint_count(), static_cast<int>(expected_c.size()));
    for (int k = 0; k < objective.constraint_count(); ++k) {
      EXPECT_DOUBLE_EQ(w.c[k], expected_c[k]);
      EXPECT_EQ(w.cnorm[normal_index(k < state.npar ? k : k - state.npar, k)], 1.0);
    }
    EXPECT_EQ(std::count(w.cnorm.begin(), w.cnorm.end(), 1.0), objective.constraint_count());
    EXPECT_EQ(std::count(w.cnorm.begin(), w.cnorm.end(), 7.0), 0);
    state.nwt_global = kRobustWeighting;
    objective.calcfg(state.npar, params({3.0, 0.31, 1.2}), w.f, w.g, w.c, w.cnorm);
    EXPECT_EQ(objective.value(state.npar, params({3.0, 0.31, 1.2})), w.f);
    EXPECT_TRUE(host.messages.empty());
  }
}

TEST(ModelObjective, ModelAboveTheLimitIsRefusedWithTwoMessages) {
  FitContext state = data_in_state(1);
  state.model_limit = 1;  // the limit itself is a valid model
  RecordingHost host;
  ModelObjective objective(state, host);
  Workspace w;
  objective.calcfg(2, params({20.0, 0.5}), w.f, w.g, w.c, w.cnorm);  // model 1: m = 4
  state.imdlno = kModelCount + 1;
  w.g.fill(3.0);
  objective.calcfg(2, params({20.0, 0.5}), w.f, w.g, w.c, w.cnorm);
  EXPECT_EQ(std::tie(w.f, w.g), std::tuple(0.0, ParamVector{}));
  EXPECT_EQ(objective.constraint_count(), 4);  // m is left as the last valid model set it
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
  x = params({1.0});  // a count beyond the vector's length stops at its end
  bounds_neg(x, kMaxParams + 1, f);
  EXPECT_EQ(f, 40.0 * std::pow(2.0, kMaxParams - 1));
}

// The objective repairs every parameter but a free baseline, and only among the model's own
// parameters.
TEST(ModelObjective, BoundsRepairEveryParameterButAFreeBaseline) {
  for (const bool baseline_free : {false, true}) {
    SCOPED_TRACE(baseline_free);
    FitContext state = data_in_state(2);
    state.baseline_free = baseline_free;
    RecordingHost host;
    ModelObjective objective(state, host);
    ParamVector x = params({-1.0, 0.5, -3.0});
    double f = 1.0;
    objective.bounds_neg(x, 3, f);
    EXPECT_GT(x[0], 0.0);
    EXPECT_EQ(x[2] == -3.0, baseline_free);
    EXPECT_EQ(f, baseline_free ? 2.0 : 4.0);
    x = params({0.5, 0.5, -3.0});  // fewer parameters than the model's: no baseline among them
    objective.bounds_neg(x, 2, f);
    EXPECT_EQ(x[2], -3.0);
    state.imdlno = 1;  // a model without a baseline repairs its last parameter
    x = params({0.5, -2.0});
    objective.bounds_neg(x, 2, f);
    EXPECT_GT(x[1], 0.0);
  }
}

TEST(RandomDraw, FirstDrawsOfTheSequence) {
  EXPECT_EQ(seeded_draw(0.0, 0.9), 0.14159265358979312);
  EXPECT_EQ(next_random(kSeedZeroDraw), 0.48457101551719006);
  EXPECT_EQ(seeded_draw(1.0, kSeedZeroDraw), 0.48457101551719006);
}

const std::vector<double> kOrdinary{0.3, -1.1, 0.8,  -0.2, 1.6, -0.7, 0.1, -1.9, 1.2,  -0.5,
                                    0.9, -0.4, 0.05, -1.3, 0.6, -0.9, 1.4, -0.1, 0.35, -0.75};

// (1, 2, 3): within sd/1000 of 2; all equal: the mean exactly; shifted: the same bins.
TEST(BinMedian, WorkedValues) {
  const double sd = std::sqrt(2.0 / 3.0);
  EXPECT_NEAR(binmedian(std::vector<double>{1, 2, 3}), 2.0, sd / 1000.0 * (1.0 + 1e-9));
  EXPECT_EQ(binmedian(std::vector<double>{0.7, 0.7, 0.7, 0.7}), 0.7);
  // Even n, the lower middle closing the last bin: the upper taken at mean + sd (bin 1000).
  EXPECT_DOUBLE_EQ(binmedian(std::vector<double>{0, 0, 10, 10}), 1001.0 / 200.0);
  EXPECT_DOUBLE_EQ(binmedian(std::vector<double>{10, 10, 20, 20}), 10.0 + 1001.0 / 200.0);
  EXPECT_EQ(binmedian(std::vector<double>{}), 0.0);
}

// Equal magnitudes, and a deviation of exactly 0 in a later pass (not 0/0), keep every weight at
// 1; a far outlier gets the floor, the others most of theirs; one of 1e300 gets the floor too.
TEST(RobustWeights, UnitWeightsAndTheFloorForAFarOutlier) {
  const struct {
    std::vector<double> r;
    int outlier;  // -1: none
    double others_above;
  } kCases[] = {
      {{2.5, -2.5, 2.5, -2.5, 2.5}, -1, 0.0},
      {{0.0, -1.0, -2.0, -4.0, 4.0}, -1, 0.0},
      {{1.0, -2.0, 1.5, 1.2, 1000.0, -0.8, 1.1}, 4, 0.5},
      {{1.0, -2.0, 1.5, 1e300, -0.8, 1.1}, 3, 0.0},
  };
  for (const auto& c : kCases) {
    std::vector<double> w(c.r.size(), 0.5);
    robust_wt(c.r, w);
    for (std::size_t i = 0; i < w.size(); ++i) {
      if (c.outlier < 0) {
        EXPECT_EQ(w[i], 1.0) << i;
      } else if (static_cast<int>(i) == c.outlier) {
        EXPECT_EQ(w[i], 1e-6);
      } else {
        EXPECT_TRUE(w[i] > c.others_above && w[i] >= 1e-6 && w[i] <= 1.0) << i << ": " << w[i];
      }
    }
  }
}

// A row moved ever further out: its weight falls from 1 through partial weights to the floor
// and never rises again.
TEST(RobustWeights, AnOutlierFurtherOutNeverCountsMore) {
  double previous = 1.0;
  bool partial = false;
  bool rejected = false;
  for (double size = 1.0; size <= 200.0; size *= 1.05) {
    std::vector<double> r = kOrdinary;
    r.push_back(size);
    std::vector<double> w(r.size(), 1.0);
    robust_wt(r, w);
    SCOPED_TRACE(size);
    EXPECT_LE(w.back(), previous);
    previous = w.back();
    partial = partial || (w.back() > 1e-6 && w.back() < 1.0);
    rejected = rejected || w.back() == 1e-6;
  }
  EXPECT_TRUE(partial);
  EXPECT_TRUE(rejected);
}

// Gross outliers set aside do not hide a lesser one: every outlier gets the floor, the ordinary
// rows their weights without any.
TEST(RobustWeights, GrossOutliersDoNotHideLesserOnes) {
  std::vector<double> alone(kOrdinary.size(), 1.0);
  robust_wt(kOrdinary, alone);
  std::vector<double> r = kOrdinary;
  r.insert(r.end(), {40.0, -38.0, 42.0, 12.0});
  std::vector<double> w(r.size(), 1.0);
  robust_wt(r, w);
  for (std::size_t i = 0; i < kOrdinary.size(); ++i) EXPECT_EQ(w[i], alone[i]) << i;
  for (std::size_t i = kOrdinary.size(); i < r.size(); ++i) EXPECT_EQ(w[i], 1e-6) << r[i];
}

}  // namespace
}  // namespace velmor
