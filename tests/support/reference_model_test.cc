// SPDX-License-Identifier: MIT

#include "reference_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velmor::testing {
namespace {

TEST(ReferenceLambertW, SolvesItsEquationFromTinyToOverflowingArguments) {
  EXPECT_EQ(lambert_w(0.0), 0.0);
  EXPECT_EQ(lambert_w_from_log(-std::numeric_limits<double>::infinity()), 0.0);
  EXPECT_NEAR(lambert_w(1.0), 0.5671432904097838, 1e-16);  // the omega constant
  EXPECT_NEAR(lambert_w(std::exp(1.0)), 1.0, 1e-15);
  for (const double log_z : {-745.0, -300.0, -20.0, -14.0, -13.0, -1e-3, 0.0, 1.0, 1.999, 2.001,
                             5.0, 40.0, 709.0, 710.0, 1e5, 1e12, 1e300}) {
    const double w = lambert_w_from_log(log_z);
    SCOPED_TRACE(log_z);
    if (log_z < -700.0) {
      EXPECT_NEAR(w, std::exp(log_z), 1e-300);
    } else if (log_z <= 2.0) {
      const double z = std::exp(log_z);
      EXPECT_NEAR(w * std::exp(w), z, 4e-16 * z);
      EXPECT_EQ(w, lambert_w(z));
    } else {
      EXPECT_NEAR(w + std::log(w), log_z, 4e-16 * log_z);
    }
  }
}

// Every model value must satisfy the integrated Michaelis-Menten equation
//   Vm t = (So - S) + Km ln(So / S)
// for the substrate S it implies, and the derivatives must match central differences; the
// points cover typical, first-order and zero-order kinetics, before and after depletion.
TEST(ReferenceModel, ValuesSolveTheRateEquationAndDerivativesMatchDifferences) {
  struct Point {
    double t, so, km, vm;
  };
  const Point points[] = {{10.0, 50.0, 30.0, 2.0},  {200.0, 50.0, 30.0, 2.0},
                          {30.0, 10.0, 1e4, 300.0}, {40.0, 100.0, 1e-6, 2.0},
                          {49.0, 100.0, 1e-3, 2.0}, {3e-3, 2e-4, 7e-5, 1e-2},
                          {1.5e5, 90.0, 30.0, 3e-5}};
  for (const Point& q : points) {
    for (int model = 1; model <= 4; ++model) {
      SCOPED_TRACE(::testing::Message() << "model " << model << " t " << q.t << " Km " << q.km);
      const ModelParams p{q.km, q.vm, 0.25 * q.so};
      const ModelPoint m = model_point(model, q.t, q.so, p);
      const double bkg = has_baseline(model) ? p.bkg : 0.0;
      const double s =
          kind_of_model(model) == DataKind::kProduct ? q.so - (m.value - bkg) : m.value - bkg;
      if (s > 1e-9 * q.so) {
        EXPECT_NEAR(q.so - s + q.km * std::log(q.so / s), q.vm * q.t, 1e-12 * q.so);
      }
      EXPECT_NEAR(model_value(model, 0.0, q.so, p),
                  (kind_of_model(model) == DataKind::kProduct ? 0.0 : q.so) + bkg, 1e-13 * q.so);
      EXPECT_EQ(m.d_bkg, has_baseline(model) ? 1.0 : 0.0);

      const double hk = 1e-4 * q.km, hv = 1e-4 * q.vm;
      const double dk = (model_value(model, q.t, q.so, {q.km + hk, q.vm, p.bkg}) -
                         model_value(model, q.t, q.so, {q.km - hk, q.vm, p.bkg})) /
                        (2 * hk);
      const double dv = (model_value(model, q.t, q.so, {q.km, q.vm + hv, p.bkg}) -
                         model_value(model, q.t, q.so, {q.km, q.vm - hv, p.bkg})) /
                        (2 * hv);
      // Truncation (1e-8 relative) plus rounding (a hundred ulps of the values over the step).
      const double rounding = 100 * std::numeric_limits<double>::epsilon() * (q.so + bkg);
      EXPECT_NEAR(m.d_km, dk, 1e-6 * std::fabs(dk) + rounding / hk);
      EXPECT_NEAR(m.d_vm, dv, 1e-6 * std::fabs(dv) + rounding / hv);
    }
  }
}

}  // namespace
}  // namespace velmor::testing
