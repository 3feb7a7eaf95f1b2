// The last two stages of a fit: the constrained stage never hands on a point worse than the one
// it was given, and the final check of optimality moves a fit that the chain left short of the
// least-squares optimum, and only such a fit, trying starts taken from the data alone.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "../model/model_test_support.h"
#include "engine/driver/constrained_stage.h"
#include "engine/driver/least_squares_problem.h"
#include "engine/driver/optimality_check.h"
#include "engine/model/kinetic_models.h"
#include "engine/model/model_objective.h"

namespace velmor {
namespace {

using testing::data_in_state;
using testing::params;

// scale * ((x0 - 3)^2 + 4 (x1 - 0.5)^2) + floor, with x >= 0: a smooth bowl, as small as a
// fit of near-noiseless data when scale is tiny.
class Bowl : public Objective {
 public:
  Bowl(double scale, double floor) : scale_(scale), floor_(floor) {}
  void calcfg(int n, const ParamVector& x, double& f, ParamVector& g, ConstraintVector& c,
              ConstraintNormals& cnorm) override {
    f = value(n, x);
    g.fill(0.0);
    g[0] = 2.0 * scale_ * (x[0] - 3.0);
    g[1] = 8.0 * scale_ * (x[1] - 0.5);
    cnorm.fill(0.0);
    for (int i = 0; i < 2; ++i) {
      c[i] = x[i];
      cnorm[normal_index(i, i)] = 1.0;
    }
  }
  double value(int, const ParamVector& x) override {
    return scale_ * ((x[0] - 3.0) * (x[0] - 3.0) + 4.0 * (x[1] - 0.5) * (x[1] - 0.5)) + floor_;
  }
  void bounds_neg(ParamVector& x, int n, double& f) override { velmor::bounds_neg(x, n, f); }
  int constraint_count() const override { return 2; }
  int equality_count() const override { return 0; }

 private:
  double scale_, floor_;
};

struct StageCase {
  std::string name;
  double scale, floor;
  ParamVector start;
};

class ConstrainedStage : public ::testing::TestWithParam<StageCase> {};

// On a bowl of ordinary size the stage walks to the minimum; on a tiny one its start (1 % off
// the given point) already counts as converged on the absolute tolerance, and the given point,
// the better one, stands.
TEST_P(ConstrainedStage, NeverHandsOnAWorsePoint) {
  const StageCase& c = GetParam();
  Bowl bowl(c.scale, c.floor);
  ParamVector p = c.start;
  double f = bowl.value(2, p);
  const double start_f = f;
  int info = 0;
  constrained_stage(bowl, 2, p, f, 300, info);
  EXPECT_EQ(f, bowl.value(2, p));
  EXPECT_LE(f, start_f);
  if (c.scale >= 1.0) {
    EXPECT_NEAR(p[0], 3.0, 1e-4);
    EXPECT_NEAR(p[1], 0.5, 1e-4);
  } else {
    EXPECT_EQ(p, c.start);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bowls, ConstrainedStage,
    ::testing::Values(StageCase{"Ordinary", 1.0, 0.0, params({1.0, 2.0})},
                      StageCase{"TinyAtItsMinimum", 1e-12, 1e-13, params({3.0, 0.5})}),
    [](const ::testing::TestParamInfo<StageCase>& info) { return info.param.name; });

// S with the model to full precision, as the check measures it.
double precise_ssq(const RunState& state, const ParamVector& p) {
  double s = 0.0;
  for (int i = 0; i < state.data.nRows; ++i) {
    const double r =
        state.data.Y[i] -
        model_with_derivatives(state.imdlno, state.data.X1[i], state.data.X2[i], p).value;
    s += r * r;
  }
  return s;
}

struct CheckCase {
  ModelId model;
  ParamVector start;  // the chain's result, good or poor
  bool improves;
};

// On examples/DATA.IN against an independent least-squares fit (S = 42.978669 for model 1 and
// 36.425048 for model 2): from a point near the optimum the check leaves the fit alone; from a
// poor one it reaches the optimum and gives the sum at its point.
class OptimalityCheckOfDataIn : public ::testing::TestWithParam<CheckCase> {};

TEST_P(OptimalityCheckOfDataIn, MovesOnlyAFitShortOfTheOptimum) {
  const CheckCase& c = GetParam();
  const RunState state = data_in_state(c.model);
  const OptimalityCheck check = check_optimality(state.data, c.model, state.npar, c.start);
  EXPECT_EQ(check.improved, c.improves);
  if (std::isfinite(c.start[0])) {
    EXPECT_DOUBLE_EQ(check.chain_ssq, precise_ssq(state, c.start));
  }
  EXPECT_DOUBLE_EQ(check.ssq, precise_ssq(state, check.p));
  const double optimum = c.model == 1 ? 42.978669 : 36.425048;
  EXPECT_LT(check.ssq, optimum * (1.0 + 2e-7));
  if (!c.improves) {
    EXPECT_EQ(check.p, c.start);
  } else {
    EXPECT_GT(check.ssq, optimum * (1.0 - 1e-7));
  }
}

INSTANTIATE_TEST_SUITE_P(Starts, OptimalityCheckOfDataIn,
                         ::testing::Values(CheckCase{1, params({8.378149, 0.3555274}), false},
                                           CheckCase{2, params({8.950359, 0.3528497, 0.820074}),
                                                     false},
                                           CheckCase{1, params({30.0, 0.2}), true},
                                           CheckCase{2, params({1e-6, 5.0, 40.0}), true},
                                           // A chain that ended on a parameter that is not a
                                           // number: only the starts taken from the data are left.
                                           CheckCase{1, params({std::nan(""), 0.3}), true}));

// Km at 0.1, 1 and 10 times the largest [So]; Vm the mean over the curves of v (Km + So) / So
// with v from each curve's two earliest distinct times (rows in any order, the first time not
// always 0; a curve without two times gives none); the baseline the mean first value
// (substrate: less So), at least 0.
TEST(DataStarts, FromTheLargestSoAndEachCurvesInitialRate) {
  ProgressCurveData data;
  const double rows[][3] = {{5, 10, 1.5}, {0, 10, 1.0}, {10, 10, 2.0}, {1, 40, 0.6},
                            {3, 40, 1.4}, {5, 40, 2.0}, {3, 60, 5.0},  {3, 60, 6.0}};
  for (const auto& [t, so, y] : rows) {
    data.X1[data.nRows] = t;
    data.X2[data.nRows] = so;
    data.Y[data.nRows++] = y;
  }
  data.nCurves = 3;
  data.curveCount = {3, 3, 2};
  // Rates 0.1 (So 10) and 0.4 (So 40).
  const auto vm = [](double km) { return (0.1 * (km + 10) / 10 + 0.4 * (km + 40) / 40) / 2; };
  const struct {
    ModelId model;
    int npar;
    double baseline;
  } kCases[] = {{2, 3, 0.8}, {1, 2, 0.0}, {4, 3, 0.0}};
  for (const auto& c : kCases) {
    const std::vector<ParamVector> starts = data_starts(data, c.model, c.npar, 60.0);
    ASSERT_EQ(starts.size(), 3u);
    for (int k = 0; k < 3; ++k) {
      const double km = std::vector<double>{6.0, 60.0, 600.0}[k];
      EXPECT_DOUBLE_EQ(starts[k][0], km) << c.model;
      EXPECT_DOUBLE_EQ(starts[k][1], vm(km)) << c.model;
      EXPECT_DOUBLE_EQ(starts[k][2], c.baseline) << c.model;
    }
  }
}

}  // namespace
}  // namespace velmor
