// SPDX-License-Identifier: MIT
// Models 5..8 fitted by the engine, judged against the independent reference optimum
// (mechanism_reference.h) and the truth of simulated data; the free baseline against the
// reference with a free baseline.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "data_family.h"
#include "engine/core/global_types.h"
#include "engine/driver/model_report.h"
#include "engine/stats/model_summary.h"
#include "engine_run.h"
#include "mechanism_data.h"
#include "mechanism_reference.h"
#include "reference_fit.h"

namespace velmor {
namespace {

using testing::EngineFit;
using testing::MechanismParams;

const std::vector<double> kSo = {5.0, 10.0, 20.0, 40.0, 80.0};

std::vector<double> times(double span, int points) {
  std::vector<double> t;
  t.reserve(static_cast<std::size_t>(points));
  for (int k = 0; k < points; ++k) t.push_back(span * k / (points - 1));
  return t;
}

// Km 10, Vm 1 over 120 time units: Kp = 2 Km, or 40 % of the enzyme's activity left at the end.
MechanismParams truth(int model) {
  return {10.0, 1.0, model <= 4 ? 0.0 : model <= 6 ? 20.0 : std::log(2.5) / 120.0};
}

// Data of the mechanism of `model` (1 and 3: plain Michaelis-Menten) on its kind of data, 1 %
// noise.
ProgressCurveData simulated(int model, std::uint64_t seed) {
  testing::CurveDesign d;
  d.kind = model == 1 || model == 5 || model == 7 ? testing::DataKind::kProduct
                                                  : testing::DataKind::kSubstrate;
  d.km = 10.0, d.vm = 1.0, d.so = kSo, d.times = times(120.0, 13), d.relative_noise = 0.01;
  d.seed = seed;
  const testing::Mechanism mechanism = model <= 4   ? testing::Mechanism::kMichaelisMenten
                                       : model <= 6 ? testing::Mechanism::kProductInhibition
                                                    : testing::Mechanism::kInactivation;
  return testing::mechanism_case("mechanism", d, mechanism, truth(model).third).data;
}

// Each model on data of its mechanism, by the classic chain and the fast method: the sum of
// squares of the reference optimum (1e-7), its parameters (1e-3), and the truth within 10 %.
TEST(MechanismFits, ReachTheReferenceOptimumAndRecoverTheTruth) {
  for (const int model : {5, 6, 7, 8}) {
    const ProgressCurveData data = simulated(model, 17 + model);
    const testing::MechanismFit ref = testing::reference_mechanism_fit(data, model);
    ASSERT_FALSE(ref.third_at_bound) << model;
    for (const int method : {kClassicMethod, kFastMethod}) {
      const EngineFit e = testing::run_engine(data, model, kNoWeighting, method);
      SCOPED_TRACE(::testing::Message() << "model " << model << " method " << method);
      const MechanismParams p{e.p[0], e.p[1], e.p[2]};
      EXPECT_LE(testing::mechanism_ssq(data, model, p), ref.ssq * (1.0 + 1e-7));
      EXPECT_NEAR(e.ssq, ref.ssq, 1e-7 * ref.ssq);  // the report's own sum
      const double fitted[] = {p.km, p.vm, p.third};
      const double reference[] = {ref.p.km, ref.p.vm, ref.p.third};
      const double true_values[] = {truth(model).km, truth(model).vm, truth(model).third};
      for (int j = 0; j < 3; ++j) {
        EXPECT_NEAR(fitted[j], reference[j], 1e-3 * reference[j]) << "parameter " << j;
        EXPECT_NEAR(fitted[j], true_values[j], 0.1 * true_values[j]) << "parameter " << j;
        EXPECT_TRUE(std::isfinite(e.se[j]) && e.se[j] > 0.0) << "parameter " << j;
      }
    }
  }
}

// Among the four models of their kind, data of a mechanism rank its model first, and the runs
// test flags the Michaelis-Menten fit; plain Michaelis-Menten data rank model 1 (3) first, leave
// Kp undetermined above (no inhibition) with Km determined, and kinact's limits reach 0.
TEST(MechanismFits, RankTheirMechanismFirst) {
  for (const int model : {5, 7, 1, 6, 8, 3}) {
    const bool product = model == 1 || model == 5 || model == 7;
    const ProgressCurveData data = simulated(model, 31);
    std::vector<FittedModel> compared;
    for (const int fitted : product ? std::vector<int>{1, 2, 5, 7} : std::vector<int>{3, 4, 6, 8}) {
      const EngineFit e = testing::run_engine(data, fitted, kNoWeighting);
      const ModelFit& f = e.report;
      compared.push_back(ranking_entry(f));
      SCOPED_TRACE(::testing::Message() << "data of model " << model << ", model " << fitted);
      if (fitted == model) {
        EXPECT_TRUE(!any_undetermined(f) && f.runs.p >= 0.05) << f.runs.p;
      } else if (model >= 5 && fitted <= 4) {
        EXPECT_LT(f.runs.p, 0.05);
      } else if (model <= 3 && (fitted == 5 || fitted == 6)) {
        EXPECT_TRUE(f.undetermined[2] && !f.undetermined[0] && !f.undetermined[1]);
        EXPECT_EQ(f.profile_high[2], HUGE_VAL);
      } else if (model <= 3 && fitted >= 7) {
        EXPECT_EQ(f.profile_low[2], 0.0);
      }
    }
    EXPECT_EQ(rank_models(compared).front().model, model);
  }
}

// The same inactivation and inhibition data in micromolar and minutes, and in molar and
// seconds: Km, Kp and Vm follow the concentration unit, Vm and kinact the time unit.
TEST(MechanismFits, SameFitInAnyUnits) {
  for (const int model : {6, 7}) {
    const ProgressCurveData data = simulated(model, 5);
    const EngineFit original = testing::run_engine(data, model, kNoWeighting);
    ProgressCurveData molar_seconds = data;
    constexpr double kConcentration = 1e-6;
    constexpr double kTime = 60.0;
    for (int i = 0; i < data.nRows; ++i) {
      molar_seconds.X1[i] *= kTime;
      molar_seconds.X2[i] *= kConcentration;
      molar_seconds.Y[i] *= kConcentration;
    }
    const EngineFit rescaled = testing::run_engine(molar_seconds, model, kNoWeighting);
    const double third_factor = model <= 6 ? kConcentration : 1.0 / kTime;
    const double factors[] = {kConcentration, kConcentration / kTime, third_factor};
    for (int j = 0; j < 3; ++j) {
      EXPECT_NEAR(rescaled.p[j], original.p[j] * factors[j], 1e-6 * original.p[j] * factors[j])
          << "model " << model << " parameter " << j;
      EXPECT_NEAR(rescaled.se[j], original.se[j] * factors[j], 1e-3 * original.se[j] * factors[j])
          << "model " << model << " parameter " << j;
    }
  }
}

// Blank-corrected data below zero: with the baseline free, models 2 and 4 reach the reference
// optimum with its negative baseline; held at 0 or above (the default), the bounded one.
TEST(BaselineFree, ReachesTheReferenceWithANegativeBaseline) {
  for (const testing::DataKind kind :
       {testing::DataKind::kProduct, testing::DataKind::kSubstrate}) {
    testing::CurveDesign design;
    design.kind = kind;
    design.so = {10.0, 30.0, 90.0};
    design.times = {0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40};
    design.baseline_fraction = -0.05;
    design.relative_noise = 0.005;
    const testing::FamilyCase c = testing::generate_case("below_zero", design);
    const int model = kind == testing::DataKind::kProduct ? 2 : 4;
    for (const bool free : {true, false}) {
      testing::ReferenceOptions options = c.options;
      options.baseline_free = free;
      const testing::ReferenceFit ref = testing::reference_fit(c.data, model, options);
      for (const int method : {kClassicMethod, kFastMethod}) {
        const EngineFit e = testing::run_engine(c.data, model, kNoWeighting, method, free);
        SCOPED_TRACE(::testing::Message()
                     << "model " << model << " free " << free << " method " << method);
        EXPECT_LE(testing::reference_ssq(c.data, model, {e.p[0], e.p[1], e.p[2]}, options),
                  ref.ssq * (1.0 + 1e-6));
        EXPECT_NEAR(e.p[2], ref.p.bkg, 1e-3 * std::fabs(c.truth.bkg));
        EXPECT_EQ(e.p[2] < 0.0, free);
      }
    }
  }
}

}  // namespace
}  // namespace velmor
