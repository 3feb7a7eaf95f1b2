#include "engine/model/kinetic_models.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "model_test_support.h"

namespace velmor {
namespace {

using testing::params;

bool is_product_model(ModelId model) {
  return model == 1 || model == 2;
}
double baseline_of(ModelId model, const ParamVector& p) {
  return model == 2 || model == 4 ? p[2] : 0.0;
}

class ModelAtTimeZero : public ::testing::TestWithParam<ModelId> {};

// At t = 0 W(z) = So/Km, so product models start at 0 and substrate models at So (plus the
// baseline), also where (So/Km) e^(So/Km) overflows (So/Km = 1000). W is resolved to about
// 1e-7, which Km multiplies.
TEST_P(ModelAtTimeZero, ReproducesTheBoundaryValue) {
  const ModelId model = GetParam();
  for (const double ratio : {0.5, 10.0, 65.0, 100.0, 1000.0}) {
    const double so = 500.0;
    const ParamVector p = params({so / ratio, 2.0, 0.25});
    const double expected = (is_product_model(model) ? 0.0 : so) + baseline_of(model, p);
    SCOPED_TRACE(ratio);
    EXPECT_NEAR(func(model, 0.0, so, 123.0, p), expected, 1.1e-7 * p[0] + 1e-12 * so);
  }
}

// Against the closed form evaluated in long double along a product curve.
TEST_P(ModelAtTimeZero, FollowsTheIntegratedRateLaw) {
  const ModelId model = GetParam();
  const ParamVector p = params({40.0, 1.5, 0.3});
  for (const double t : {1.0, 20.0, 60.0, 150.0, 400.0}) {
    const long double so = 100.0L, km = p[0], vm = p[1];
    const long double z = so / km * std::exp((so - vm * t) / km);
    long double w = std::log1p(z);
    for (int k = 0; k < 60; ++k) w -= (w * std::exp(w) - z) / (std::exp(w) * (w + 1.0L));
    const long double st = km * w;
    const long double expected = (is_product_model(model) ? so - st : st) + baseline_of(model, p);
    SCOPED_TRACE(t);
    EXPECT_NEAR(func(model, t, 100.0, 0.0, p), static_cast<double>(expected), 1e-5);
  }
}

// An exponent (So - Vm t)/Km beyond the double range (a time of 1e308 with the negative Vm a
// central difference can probe) once made W = inf - inf = NaN, and the Jacobian of a fit
// with a finite sum of squares NaN. The substrate left is unbounded there, not undefined.
TEST_P(ModelAtTimeZero, OverflowingExponentGivesAnInfiniteValueNotNaN) {
  const ModelId model = GetParam();
  const ParamVector p = params({1e-6, -1e-5, 0.0});
  const double value = func(model, 1.7e308, 2e-6, 0.0, p);
  EXPECT_EQ(value, is_product_model(model) ? -HUGE_VAL : HUGE_VAL);
}

INSTANTIATE_TEST_SUITE_P(Models, ModelAtTimeZero, ::testing::Values(1, 2, 3, 4));

TEST(KineticModels, UndefinedModelGivesNaNAndNoParameters) {
  for (const ModelId model : {0, 5, -1}) {
    EXPECT_TRUE(std::isnan(func(model, 1.0, 50.0, 0.0, params({10.0, 1.0}))));
    std::string name;
    EXPECT_EQ(npar(model, name, 25), 0);
    EXPECT_EQ(name, "0- MODEL NOT DEFINED!    ");
  }
}

TEST(KineticModels, NamesAreCutOrPaddedToTheField) {
  std::string name;
  EXPECT_EQ(npar(1, name, 20), 2);
  EXPECT_EQ(name, "1- [Pt] vs time Mich");
  EXPECT_EQ(npar(1, name), 2);
  EXPECT_EQ(name, "1- [Pt] vs time Michaelis-Menten" + std::string(48, ' '));
  EXPECT_EQ(npar(2, name, 38), 3);
  EXPECT_EQ(name, "2- [Pt] vs time Michaelis-Menten - Bkg");
  EXPECT_EQ(npar(3, name, 5), 2);
  EXPECT_EQ(npar(4, name, 38), 3);
  EXPECT_EQ(name, "4- [St] vs time Michaelis-Menten - Bkg");
}

}  // namespace
}  // namespace velmor
