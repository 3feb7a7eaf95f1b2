#include "engine/model/derivatives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <vector>

#include "model_test_support.h"
#include "reference_model.h"

namespace velmor {
namespace {

using testing::data_in_state;
using testing::params;

// The central-difference gradient of S, the Jacobian and the closed-form slopes against the
// reference model's analytic derivatives on examples/DATA.IN (W resolved to about 1e-7, which
// Km scales and the small steps magnify: 5e-4), Km also near 0.
TEST(ModelGradient, MatchesTheAnalyticDerivative) {
  const std::pair<ModelId, ParamVector> kCases[] = {
      {1, params({20.0, 0.5})},      {1, params({60.0, 0.4})},      {1, params({3e-6, 0.3})},
      {2, params({5e-6, 0.3, 0.5})}, {2, params({20.0, 0.5, 0.7})}, {3, params({5.0, 0.3})},
      {4, params({35.0, 0.45, 1.5})}};
  for (const auto& [model, p] : kCases) {
    SCOPED_TRACE(model * 1000 + p[0]);
    RunState state = data_in_state(model);
    const ProgressCurveData& d = state.data;
    ParamVector g{};
    double f = 0.0;
    derivatives(state, g, f, p);
    std::vector<double> jac(d.nRows * state.npar);
    double ssr = 0.0;
    jacobian(state, d.nRows, state.npar, jac, ssr, p);
    EXPECT_EQ(ssr, f);  // the same sum, bit for bit
    EXPECT_EQ(f, objective_value(state, p));
    for (int j = 0; j < state.npar; ++j) {
      double analytic = 0.0;
      for (int i = 0; i < d.nRows; ++i) {
        const double y = func(state.imdlno, d.X1[i], d.X2[i], d.Y[i], p);
        const testing::ModelPoint m =
            testing::model_point(state.imdlno, d.X1[i], d.X2[i], {p[0], p[1], p[2]});
        const double dy = j == 0 ? m.d_km : j == 1 ? m.d_vm : m.d_bkg;
        analytic += -2.0 * (d.Y[i] - y) * dy;
        EXPECT_EQ(d.Ycalc[i], y);
        EXPECT_NEAR(jac[i + d.nRows * j], dy, 5e-4 * (1.0 + std::fabs(dy))) << i << " " << j;
        const ModelSlope closed = model_with_derivatives(state.imdlno, d.X1[i], d.X2[i], p);
        EXPECT_NEAR(closed.value, m.value, 1e-12 * d.X2[i]);
        EXPECT_NEAR(closed.d[j], dy, 1e-9 * (1.0 + std::fabs(dy))) << "row " << i;
      }
      EXPECT_NEAR(g[j], analytic, 5e-4 * (1.0 + std::fabs(analytic))) << "parameter " << j;
    }
    for (int j = state.npar; j < kMaxParams; ++j) EXPECT_EQ(g[j], 0.0);
  }
}

TEST(Derivatives, FlatAndHugeSlopesAreReportedByTheirBounds) {
  RunState state = data_in_state(1);  // model 1 does not read a third parameter: slope 1.49e-8
  state.npar = 3;
  ParamVector g{};
  double f = 0.0;
  derivatives(state, g, f, params({20.0, 0.5, 4.0}));
  EXPECT_EQ(g[2], 1.49e-8);

  // One row of model 2 off by r: the half-difference along the baseline, -2 r h = -2.8e-16, is
  // just above the flat bound 2.2201e-16, so the slope -2 r is computed.
  RunState one_row = data_in_state(2);
  one_row.data.nRows = 1;
  const ParamVector at = params({20.0, 0.5, 0.7});
  const double r = 1.4e-16 / ((0.7 + 1.2206555615733703e-4) * 1.2206555615733703e-4);
  one_row.data.Y[0] = func(2, one_row.data.X1[0], one_row.data.X2[0], 0.0, at) + r;
  derivatives(one_row, g, f, at);
  EXPECT_NEAR(g[2], -2.0 * r, 1e-3 * r);

  // Observations near 1e9: half-differences along Vm beyond 1/1.49e-8 are reported as that bound.
  state.npar = 2;
  for (int i = 0; i < state.data.nRows; ++i) state.data.Y[i] = 1e9;
  derivatives(state, g, f, params({20.0, 0.5}));
  EXPECT_EQ(g[1], -67114093.95973155);
  // A Jacobian buffer with room for fewer columns than parameters gets only the columns that fit.
  const int n = state.data.nRows;
  std::vector<double> buffer(3 * n, -7.0);
  jacobian(state, n, 3, std::span(buffer).first(2 * n), f, params({20.0, 0.5, 0.7}));
  EXPECT_NE(buffer[n], -7.0);
  for (int i = 2 * n; i < 3 * n; ++i) ASSERT_EQ(buffer[i], -7.0) << i;
}

TEST(Derivatives, RobustWeightsScaleDownAnOutlier) {
  RunState state = data_in_state(1);
  const ParamVector p = params({20.0, 0.5});
  const int n = state.data.nRows;
  state.data.Y[5] += 5000.0;
  std::vector<double> unit_jac(n * 2), robust_jac(n * 2);
  double unit_ssr = 0.0, robust_ssr = 0.0;
  jacobian(state, n, 2, unit_jac, unit_ssr, p);
  state.nwt_global = kRobustWeighting;
  jacobian(state, n, 2, robust_jac, robust_ssr, p);
  const double outlier_r = state.data.Y[5] - state.data.Ycalc[5];
  EXPECT_GT(robust_ssr, 1e-6 * outlier_r * outlier_r * (1.0 - 1e-12));
  EXPECT_LT(robust_ssr, 0.01 * unit_ssr);
  for (int j = 0; j < 2; ++j) {
    EXPECT_NEAR(robust_jac[5 + n * j], 1e-6 * unit_jac[5 + n * j],
                1e-12 * std::fabs(unit_jac[5 + n * j]));
  }
  ParamVector g{};
  double f = 0.0;
  derivatives(state, g, f, p);
  EXPECT_EQ(f, robust_ssr);
  EXPECT_EQ(objective_value(state, p), robust_ssr);
}

}  // namespace
}  // namespace velmor
