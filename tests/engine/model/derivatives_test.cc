#include "engine/model/derivatives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/model/lambert_w.h"
#include "model_test_support.h"

namespace velmor {
namespace {

using testing::data_in_state;
using testing::params;

// d(model value)/d p_j from the closed form: dW = W / (1 + W) d ln z with
// ln z = ln(So/Km) + (So - Vm t)/Km.
double model_derivative(ModelId model, double t, double so, const ParamVector& p, int j) {
  if (j == 2) return 1.0;
  const double km = p[0], vm = p[1];
  const double w = omegw(so / km * std::exp((so - vm * t) / km));
  const double dlnz = j == 0 ? -1.0 / km - (so - vm * t) / (km * km) : -t / km;
  const double dw = w / (1.0 + w) * dlnz;
  const double d_st = j == 0 ? w + km * dw : km * dw;  // derivative of Km W
  return model <= 2 ? -d_st : d_st;
}

// W is resolved to about 1e-7 (absolute), which Km scales and the small steps magnify.
constexpr double kRelTol = 5e-4;

struct GradientCase {
  ModelId model;
  ParamVector p;
};

class ModelGradient : public ::testing::TestWithParam<GradientCase> {};

// The central-difference gradient of S and the Jacobian of |r| against the analytic
// derivatives of the model on examples/DATA.IN.
TEST_P(ModelGradient, MatchesTheAnalyticDerivative) {
  RunState state = data_in_state(GetParam().model);
  const ParamVector p = GetParam().p;
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
      const double r = d.Y[i] - y;
      const double dy = model_derivative(state.imdlno, d.X1[i], d.X2[i], p, j);
      analytic += -2.0 * r * dy;
      EXPECT_EQ(d.Ycalc[i], y);
      if (std::fabs(r) > 1e-2) {
        EXPECT_NEAR(jac[i + d.nRows * j], r > 0.0 ? -dy : dy, kRelTol * (1.0 + std::fabs(dy)))
            << "row " << i << " column " << j;
      }
    }
    EXPECT_NEAR(g[j], analytic, kRelTol * (1.0 + std::fabs(analytic))) << "parameter " << j;
  }
  for (int j = state.npar; j < kMaxParams; ++j) EXPECT_EQ(g[j], 0.0);
}

INSTANTIATE_TEST_SUITE_P(DataIn, ModelGradient,
                         ::testing::Values(GradientCase{1, params({20.0, 0.5})},
                                           GradientCase{1, params({60.0, 0.4})},
                                           GradientCase{2, params({20.0, 0.5, 0.7})},
                                           GradientCase{3, params({5.0, 0.3})},
                                           GradientCase{4, params({35.0, 0.45, 1.5})}));

TEST(Derivatives, FlatAndHugeDirectionsAreReportedByTheirBounds) {
  // Model 1 does not read a third parameter: its slope is reported as 1.49e-8.
  RunState state = data_in_state(1);
  state.npar = 3;
  ParamVector g{};
  double f = 0.0;
  derivatives(state, g, f, params({20.0, 0.5, 4.0}));
  EXPECT_EQ(g[2], 1.49e-8);

  // Observations near 1e9: half-differences along Vm exceed 1/1.49e-8 and are reported as
  // that bound, with the sign of S falling as Vm grows.
  state.npar = 2;
  for (int i = 0; i < state.data.nRows; ++i) state.data.Y[i] = 1e9;
  derivatives(state, g, f, params({20.0, 0.5}));
  EXPECT_EQ(g[1], -67114093.95973155);
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
