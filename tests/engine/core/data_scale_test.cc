#include "engine/core/data_scale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmor {
namespace {

ProgressCurveData rows(double so_max, double t0, double t1) {
  ProgressCurveData d;
  d.nRows = 3;
  d.X1 = {t0, 0.5 * (t0 + t1), t1};
  d.X2 = {0.2 * so_max, -so_max, 0.5 * so_max};
  d.Y = {0.1 * so_max, 0.3 * so_max, 0.0};
  return d;
}

// The largest |[So]| and the time span go into [100, 1000) by whole decades (no span or [So]: 0).
TEST(DataScale, ExponentsFromTheLargestSoAndTheTimeSpan) {
  struct Case {
    double so_max, t0, t1;
    int concentration, time;
  } const cases[] = {
      {500.0, 0.0, 360.0, 0, 0},     {100.0, 40.0, 140.0, 0, 0}, {999.0, 0.0, 999.0, 0, 0},
      {1000.0, 0.0, 1000.0, -1, -1}, {5e-5, 0.0, 3.6e5, 7, -3},  {2e6, 1e3, 1e3 + 0.5, -4, 3},
      {0.0, 5.0, 5.0, 0, 0},
  };
  for (const Case& c : cases) {
    const DataScale s = choose_data_scale(rows(c.so_max, c.t0, c.t1));
    EXPECT_EQ(s.concentration_exponent, c.concentration) << c.so_max;
    EXPECT_EQ(s.time_exponent, c.time) << c.t1 - c.t0;
  }
  EXPECT_EQ(unit_exponent(5e-5), 6);
  EXPECT_EQ(unit_exponent(500.0), 0);
  EXPECT_EQ(unit_exponent(1e-320), 321);
}

// Rows and parameters to the internal units and back; data a power of ten apart, with up to 15
// digits, give the same internal numbers bit for bit.
TEST(DataScale, ConversionsAndExactInternalRows) {
  const DataScale s{6, -3};
  EXPECT_DOUBLE_EQ(s.parameter_to_internal(0, 7.5e-5), 75.0);          // Km: concentration
  EXPECT_DOUBLE_EQ(s.parameter_to_internal(1, 2e-6), 2e3);             // Vm: concentration/time
  EXPECT_DOUBLE_EQ(s.parameter_to_user(2, 0.5), 5e-7);                 // baseline
  EXPECT_DOUBLE_EQ(s.to_user(s.to_internal(3.25, 2, 0), 2, 0), 3.25);  // a sum of squares
  EXPECT_TRUE(DataScale{}.is_identity());

  const ProgressCurveData original = rows(500.0, 0.0, 360.0);
  ProgressCurveData molar = original;
  for (int i = 0; i < 3; ++i) {
    molar.X2[i] = std::strtod(std::to_string(original.X2[i] * 1e-6).c_str(), nullptr);
    molar.Y[i] = original.Y[i] * 1e-9 / 1e-3;
  }
  const ProgressCurveData back = to_internal_units(molar, choose_data_scale(molar));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(back.X2[i], original.X2[i]);
    EXPECT_EQ(back.Y[i], original.Y[i]);
    EXPECT_EQ(back.X1[i], original.X1[i]);
  }
}

}  // namespace
}  // namespace velmor
