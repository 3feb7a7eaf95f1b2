#include "engine/model/lambert_w.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velmor {
namespace {

// W(x) to long double precision: Newton on w e^w = x below 3, on w + ln w = ln x above.
long double reference_w(long double x) {
  if (x <= 0.0L) return 0.0L;
  const long double l = std::log(x);
  long double w = x < 3.0L ? 0.7L * std::log1p(x) : l - std::log(l);
  for (int k = 0; k < 60; ++k) {
    if (x < 3.0L) {
      w -= (w * std::exp(w) - x) / (std::exp(w) * (w + 1.0L));
    } else {
      w = w * (1.0L + l - std::log(w)) / (1.0L + w);
    }
  }
  return w;
}

// The iteration's own acceptance test, evaluated in long double.
bool meets_residual_tolerance(double w, double x) {
  const long double lw = w;
  return std::fabs(lw * std::exp(lw) - x) <= 1e-7L * (1.0L + x);
}

TEST(OmegaW, WorkedValues) {
  EXPECT_EQ(omegw(0.0), 0.0);
  EXPECT_EQ(omegw(-3.0), 0.0);
  EXPECT_EQ(omegw(std::numeric_limits<double>::quiet_NaN()), 0.0);
  const double omega = omegw(1.0);
  EXPECT_NEAR(omega, 0.5671432904097838, 1e-7);
  EXPECT_TRUE(meets_residual_tolerance(omega, 1.0));
  const double one = omegw(std::exp(1.0));
  EXPECT_NEAR(one, 1.0, 1e-7);
  EXPECT_TRUE(meets_residual_tolerance(one, std::exp(1.0)));
  // A non-finite argument travels through as NaN, as the callers expect.
  EXPECT_TRUE(std::isnan(omegw(std::numeric_limits<double>::infinity())));
}

// From 1e-12 to 1e307: within the iteration's tolerance everywhere (which bounds the error of
// W by about 1e-7), and to full precision where the clamped iteration cannot get there (W
// above about 81).
TEST(OmegaW, AccurateOverTheWholeRange) {
  for (double e = -12.0; e <= 307.0; e += 0.125) {
    const double x = std::pow(10.0, e);
    const double w = omegw(x);
    const long double ref = reference_w(x);
    SCOPED_TRACE(x);
    EXPECT_LE(std::fabs(w - ref), 1.1e-7L);
    EXPECT_TRUE(meets_residual_tolerance(w, x));
    if (ref > 81.0L) {
      EXPECT_LE(std::fabs(w - ref), 1e-14L * ref);
    }
  }
}

// Arguments a e^a: the clamped start at 65 gains less than 2 per correction, so without the
// logarithmic solver a = 90 would come back near 84.7 and 1e300 near 84.7 instead of 684.
TEST(OmegaW, ArgumentsBeyondTheClampReachAreResolved) {
  for (const double a : {66.0, 79.0, 80.0, 81.0, 85.0, 90.0, 200.0, 700.0}) {
    SCOPED_TRACE(a);
    EXPECT_NEAR(omegw(a * std::exp(a)), a, 1e-7 * a);
  }
  EXPECT_NEAR(omegw(1e300), static_cast<double>(reference_w(1e300L)), 1e-12);
  EXPECT_NEAR(lambert_w_of_log(1000.0 + std::log(1000.0)), 1000.0, 1e-12);
  EXPECT_EQ(lambert_w_of_log(-30.0), omegw(std::exp(-30.0)));
  EXPECT_EQ(lambert_w_of_log(-std::numeric_limits<double>::infinity()), 0.0);
  EXPECT_EQ(lambert_w_of_log(std::numeric_limits<double>::infinity()),
            std::numeric_limits<double>::infinity());
}

}  // namespace
}  // namespace velmor
