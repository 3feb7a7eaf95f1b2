// SPDX-License-Identifier: MIT
// Models 5..8 against the rate equation integrated numerically and the reference's own solution
// of the integrated equation; their slopes against differences of the reference; W below zero.
#include "engine/model/mechanism_models.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "engine/model/kinetic_models.h"
#include "engine/model/lambert_w.h"
#include "mechanism_reference.h"
#include "model_test_support.h"

namespace velmor {
namespace {

using testing::MechanismParams;
using testing::params;

// w e^w = z to rounding on the whole negative branch, the branch point and zero exactly.
TEST(LambertWNegative, SolvesItsEquationOnThePrincipalBranch) {
  const double branch = -1.0 / std::numbers::e;
  EXPECT_EQ(lambert_w_negative(branch), -1.0);
  EXPECT_EQ(lambert_w_negative(-1.0), -1.0);
  EXPECT_EQ(lambert_w_negative(0.0), 0.0);
  EXPECT_TRUE(std::isnan(lambert_w_negative(std::numeric_limits<double>::quiet_NaN())));
  for (double distance = 1e-15; distance < 0.37; distance *= 1.7) {
    for (const double z : {branch + distance, -distance}) {
      const long double w = lambert_w_negative(z);
      SCOPED_TRACE(z);
      ASSERT_TRUE(w > -1.0L && w < 0.0L);
      // Within 1e-8 of the branch point z itself fixes W only to about sqrt(eps).
      const long double tolerance = z - branch < 1e-8 ? 1e-7L : 4e-15L;
      EXPECT_LE(std::fabs(w * std::exp(w) - z), tolerance * std::fabs(z));
    }
  }
}

struct Case {
  int model;
  double so;
  MechanismParams p;
  double t_end;  // the curve's last time, where S is far below So
};

// Inhibition with a > 0, a < 0 (Kp below Km, also far below [So], where the argument of W nears
// -1/e), a = 0 exactly and within rounding of it, and none (Kp = infinity: Michaelis-Menten);
// inactivation slow, fast and absent; zero- and first-order curves.
const Case kCases[] = {
    {5, 100.0, {10.0, 1.0, 20.0}, 600.0},        {6, 100.0, {10.0, 1.0, 20.0}, 600.0},
    {5, 100.0, {30.0, 2.0, 5.0}, 900.0},         {6, 100.0, {30.0, 2.0, 5.0}, 900.0},
    {6, 500.0, {50.0, 2.0, 0.05}, 3e5},          {5, 50.0, {10.0, 1.0, 10.0}, 500.0},
    {6, 50.0, {10.0, 1.0, 10.0 + 1e-13}, 500.0}, {5, 1e4, {1.0, 50.0, 3.0}, 800.0},
    {6, 0.5, {500.0, 3.0, 800.0}, 3e3},          {7, 100.0, {10.0, 1.0, 0.002}, 600.0},
    {8, 100.0, {10.0, 1.0, 0.002}, 600.0},       {7, 100.0, {40.0, 5.0, 0.05}, 100.0},
    {8, 100.0, {40.0, 4.0, 0.01}, 300.0},        {7, 20.0, {5.0, 1.0, 0.0}, 200.0},
    {8, 1e4, {2.0, 60.0, 1e-4}, 168.0},          {8, 0.2, {300.0, 5.0, 1e-3}, 4e4},
    {6, 80.0, {20.0, 0.7, HUGE_VAL}, 600.0},
};

// Both against the rate equation integrated numerically (itself converged to 1e-12 between the
// step tolerances 1e-16 and 1e-18) to 1e-10 of each value, at times from the first moments of the
// curve to its end, where little substrate is left.
TEST(MechanismModels, AgreeWithTheIntegratedRateEquation) {
  for (const Case& c : kCases) {
    std::vector<double> times;
    for (double f = 1e-6; f < 1.0; f *= 3.0) times.push_back(f * c.t_end);
    times.push_back(c.t_end);
    const auto coarse = testing::integrate_rate_equation(c.model, c.so, c.p, times, 1e-16);
    const auto fine = testing::integrate_rate_equation(c.model, c.so, c.p, times, 1e-18);
    const ParamVector p = params({c.p.km, c.p.vm, c.p.third});
    const bool product = testing::observes_product(c.model);
    for (std::size_t k = 0; k < times.size(); ++k) {
      SCOPED_TRACE(::testing::Message() << "model " << c.model << " So " << c.so << " Km " << c.p.km
                                        << " third " << c.p.third << " t " << times[k]);
      const double ode = product ? fine[k].product : fine[k].substrate;
      const double ode_coarse = product ? coarse[k].product : coarse[k].substrate;
      ASSERT_LE(std::fabs(ode - ode_coarse), 1e-12 * ode);
      EXPECT_LE(std::fabs(func(c.model, times[k], c.so, 0.0, p) - ode), 1e-10 * ode);
      EXPECT_LE(std::fabs(testing::mechanism_value(c.model, times[k], c.so, c.p) - ode),
                1e-10 * ode);
      EXPECT_EQ(precise_model_value(c.model, times[k], c.so, p),
                func(c.model, times[k], c.so, 0.0, p));
    }
    if (!product) {
      EXPECT_LT(fine.back().substrate, 0.2 * c.so);  // the curve went far
    }
    EXPECT_EQ(func(c.model, 0.0, c.so, 0.0, p), product ? 0.0 : c.so);
  }
}

// The closed-form slopes (implicit differentiation) against central differences of the
// reference's values, which share no code with them; a negative kinact (a step of the
// differences below 0) stays defined.
TEST(MechanismModels, SlopesMatchDifferencesOfTheReference) {
  for (const Case& c : kCases) {
    for (const double fraction : {0.01, 0.2, 0.6}) {
      const double t = fraction * c.t_end;
      const ModelSlope slope =
          model_with_derivatives(c.model, t, c.so, params({c.p.km, c.p.vm, c.p.third}));
      for (int j = 0; j < (std::isfinite(c.p.third) ? 3 : 2); ++j) {
        MechanismParams up = c.p, down = c.p;
        double* const up_j = j == 0 ? &up.km : j == 1 ? &up.vm : &up.third;
        double* const down_j = j == 0 ? &down.km : j == 1 ? &down.vm : &down.third;
        const double h = j == 2 && c.model >= 7 ? 1e-6 * (c.p.third + 1.0 / c.t_end) : 1e-6 * *up_j;
        *up_j += h;
        *down_j -= h;
        const double difference = (testing::mechanism_value(c.model, t, c.so, up) -
                                   testing::mechanism_value(c.model, t, c.so, down)) /
                                  (2.0 * h);
        SCOPED_TRACE(::testing::Message() << "model " << c.model << " Km " << c.p.km << " third "
                                          << c.p.third << " t " << t << " parameter " << j);
        EXPECT_NEAR(slope.d[j], difference, 1e-6 * std::fabs(difference) + 1e-15 * c.so / h);
      }
    }
  }
}

// Outside their parameters' range the models give NaN, never a number that looks like a fit.
TEST(MechanismModels, RefuseParametersWithoutMeaning) {
  for (const ModelId model : {5, 6, 7, 8}) {
    EXPECT_TRUE(std::isnan(func(model, 10.0, 50.0, 0.0, params({-1.0, 1.0, 5.0}))));
    EXPECT_TRUE(std::isnan(func(model, 10.0, 50.0, 0.0, params({10.0, -1.0, 5.0}))));
    EXPECT_TRUE(std::isnan(func(model, 10.0, 0.0, 0.0, params({10.0, 1.0, 5.0}))));
  }
  EXPECT_TRUE(std::isnan(func(5, 10.0, 50.0, 0.0, params({10.0, 1.0, 0.0}))));
  EXPECT_TRUE(std::isnan(func(8, 10.0, 50.0, 0.0, params({10.0, 1.0, HUGE_VAL}))));
}

}  // namespace
}  // namespace velmor
