// The model values and W (Lambert W) against the independent reference model.
#include "engine/model/kinetic_models.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "engine/model/lambert_w.h"
#include "model_test_support.h"
#include "reference_model.h"

namespace velmor {
namespace {

using testing::params;

// At t = 0 W = So/Km: product models start at 0, substrate models at So (plus the baseline), also
// where (So/Km) e^(So/Km) overflows; along a curve the independent reference model's values (W
// resolved to about 1e-7, which Km multiplies); an exponent beyond the double range (t = 1.7e308,
// Vm < 0, as a central difference can probe) gives an infinite value, not NaN.
TEST(KineticModels, FollowTheIntegratedRateLaw) {
  for (const ModelId model : {1, 2, 3, 4}) {
    const bool product = model <= 2;
    for (const double ratio : {0.5, 10.0, 65.0, 100.0, 1000.0}) {
      const ParamVector p = params({500.0 / ratio, 2.0, 0.25});
      EXPECT_NEAR(func(model, 0.0, 500.0, 123.0, p),
                  (product ? 0.0 : 500.0) + (model % 2 == 0) * 0.25, 1.1e-7 * p[0] + 1e-12 * 500.0)
          << model << " " << ratio;
    }
    for (const double t : {1.0, 20.0, 60.0, 150.0, 400.0}) {
      EXPECT_NEAR(func(model, t, 100.0, 0.0, params({40.0, 1.5, 0.3})),
                  testing::model_value(model, t, 100.0, {40.0, 1.5, 0.3}), 1e-5)
          << model << " " << t;
    }
    EXPECT_EQ(func(model, 1.7e308, 2e-6, 0.0, params({1e-6, -1e-5, 0.0})),
              product ? -HUGE_VAL : HUGE_VAL);
  }
}

TEST(KineticModels, NamesAndParameterCounts) {
  std::string name;
  for (const ModelId model : {0, 5, -1}) {
    EXPECT_TRUE(std::isnan(func(model, 1.0, 50.0, 0.0, params({10.0, 1.0}))));
    EXPECT_TRUE(std::isnan(model_with_derivatives(model, 1.0, 50.0, params({10.0, 1.0})).value));
    EXPECT_EQ(npar(model, name, 25), 0);
    EXPECT_EQ(name, "0- MODEL NOT DEFINED!    ");
  }
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

constexpr double kInf = std::numeric_limits<double>::infinity();

// Worked values, then from 1e-12 to 1e307: within the iteration's own tolerance
// |w e^w - x| <= 1e-7 (1 + x) everywhere (an error of W of about 1e-7), and to full precision
// where the clamped iteration cannot get there (W above about 81).
TEST(OmegaW, AccurateOverTheWholeRange) {
  EXPECT_EQ(omegw(0.0), 0.0);
  EXPECT_EQ(omegw(-3.0), 0.0);
  EXPECT_EQ(omegw(std::numeric_limits<double>::quiet_NaN()), 0.0);
  EXPECT_TRUE(std::isnan(omegw(kInf)));  // travels through as NaN, as the callers expect
  EXPECT_NEAR(omegw(1.0), 0.5671432904097838, 1e-7);
  EXPECT_NEAR(omegw(std::exp(1.0)), 1.0, 1e-7);
  for (double e = -12.0; e <= 307.0; e += 0.125) {
    const double x = std::pow(10.0, e);
    const long double w = omegw(x), ref = testing::lambert_w(x);
    SCOPED_TRACE(x);
    EXPECT_LE(std::fabs(w - ref), 1.1e-7L);
    EXPECT_LE(std::fabs(w * std::exp(w) - x), 1e-7L * (1.0L + x));
    EXPECT_TRUE(ref <= 81.0L || std::fabs(w - ref) <= 1e-14L * ref);
  }
}

// W from ln x, also where x overflows, and at the ends of its range.
TEST(OmegaW, FromTheLogarithm) {
  EXPECT_NEAR(lambert_w_of_log(1000.0 + std::log(1000.0)), 1000.0, 1e-12);
  EXPECT_EQ(lambert_w_of_log(-30.0), omegw(std::exp(-30.0)));
  EXPECT_EQ(lambert_w_of_log(-kInf), 0.0);
  EXPECT_EQ(lambert_w_of_log(kInf), kInf);
}

}  // namespace
}  // namespace velmor
