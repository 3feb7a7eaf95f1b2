// SPDX-License-Identifier: MIT

#include "reference_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "data_family.h"
#include "temp_folder.h"

namespace velmor::testing {
namespace {

FamilyCase copied_example(const TempFolder& folder) {
  const std::string copy = folder.file("DATA.IN");
  std::filesystem::copy_file(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN", copy);
  return example_case(copy);
}

TEST(ReferenceFit, NoiselessDataGiveBackTheirParameters) {
  for (int model = 1; model <= 4; ++model) {
    CurveDesign d;
    d.kind = kind_of_model(model);
    d.so = {10.0, 30.0, 90.0};
    for (int k = 0; k < 11; ++k) d.times.push_back(4.0 * k);
    d.baseline_fraction = has_baseline(model) ? 0.1 : 0.0;
    d.relative_noise = 0.0;
    const FamilyCase c = generate_case("noiseless", d);
    const ReferenceFit fit = reference_fit(c.data, model);
    SCOPED_TRACE(model);
    EXPECT_NEAR(fit.p.km, c.truth.km, 1e-7 * c.truth.km);
    EXPECT_NEAR(fit.p.vm, c.truth.vm, 1e-7 * c.truth.vm);
    EXPECT_NEAR(fit.p.bkg, has_baseline(model) ? c.truth.bkg : 0.0, 1e-8);
    EXPECT_LT(fit.ssq, 1e-18);
  }
}

// Optima known from the example: S and the parameters as the program prints them (rounded),
// and the standard error of model 1's Km from the exact Jacobian.
TEST(ReferenceFit, ReachesTheKnownOptimaOfTheExample) {
  const TempFolder folder;
  const FamilyCase example = copied_example(folder);
  const ReferenceFit m1 = reference_fit(example.data, 1);
  EXPECT_LE(m1.ssq, 42.978669 + 5e-7);
  EXPECT_GE(m1.ssq, 42.978669 * (1.0 - 1e-6));
  EXPECT_NEAR(m1.p.km, 8.378, 5e-4);
  EXPECT_NEAR(m1.p.vm, 0.3555, 5e-5);
  EXPECT_NEAR(m1.se[0], 0.5998, 5e-5);
  EXPECT_TRUE(m1.well_determined) << m1.note;

  const ReferenceFit m2 = reference_fit(example.data, 2);
  EXPECT_LE(m2.ssq, 36.425048 + 5e-7);
  EXPECT_GE(m2.ssq, 36.425048 * (1.0 - 1e-6));
  EXPECT_NEAR(m2.p.km, 8.950, 5e-4);
  EXPECT_NEAR(m2.p.vm, 0.35285, 5e-6);
  EXPECT_NEAR(m2.p.bkg, 0.8201, 5e-5);

  // The gradient the optimality test relies on, against central differences of S.
  const ModelParams off{m2.p.km * 1.2, m2.p.vm * 0.9, m2.p.bkg + 0.5};
  const auto g = reference_gradient(example.data, 2, off);
  for (int j = 0; j < 3; ++j) {
    const double h = 1e-5 * std::max(std::fabs(m2.value(j)), 1.0);
    ModelParams up = off, down = off;
    (j == 0 ? up.km : j == 1 ? up.vm : up.bkg) += h;
    (j == 0 ? down.km : j == 1 ? down.vm : down.bkg) -= h;
    const double diff =
        (reference_ssq(example.data, 2, up) - reference_ssq(example.data, 2, down)) / (2 * h);
    EXPECT_NEAR(g[j], diff, 1e-6 * std::fabs(diff)) << j;
  }
}

// A row of weight 2 counts as that row written twice, a row of weight 0 as a row left out.
TEST(ReferenceFit, WeightsCountRowsAndLeftOutRowsCountNowhere) {
  const FamilyCase c = basic_substrate_case();
  const int n = c.data.nRows;
  ProgressCurveData doubled = c.data;
  ReferenceOptions weighted, zero_weighted, masked;
  for (int i = 0; i < n; ++i) {
    weighted.weights.push_back(i % 3 == 0 ? 2.0 : 1.0);
    zero_weighted.weights.push_back(i % 4 == 0 ? 0.0 : 1.0);
    masked.include.push_back(i % 4 != 0);
    if (i % 3 == 0) {
      doubled.resize_rows(doubled.nRows + 1);
      doubled.X1.back() = c.data.X1[i];
      doubled.X2.back() = c.data.X2[i];
      doubled.Y.back() = c.data.Y[i];
    }
  }
  for (const int model : c.models()) {
    SCOPED_TRACE(model);
    const ReferenceFit w = reference_fit(c.data, model, weighted);
    const ReferenceFit d = reference_fit(doubled, model);
    const ReferenceFit z = reference_fit(c.data, model, zero_weighted);
    const ReferenceFit m = reference_fit(c.data, model, masked);
    EXPECT_NEAR(w.ssq, d.ssq, 1e-9 * d.ssq);
    EXPECT_NEAR(z.ssq, m.ssq, 1e-9 * m.ssq);
    EXPECT_EQ(m.rows_used, n - (n + 3) / 4);
    const auto gw = reference_gradient(c.data, model, d.p, weighted);
    const auto gd = reference_gradient(doubled, model, d.p);
    for (int j = 0; j < w.npar; ++j) {
      EXPECT_NEAR(w.value(j), d.value(j), 1e-6 * d.se[j]) << j;
      EXPECT_NEAR(z.value(j), m.value(j), 1e-6 * m.se[j]) << j;
      EXPECT_NEAR(gw[j], gd[j], 1e-9 * (std::fabs(gd[j]) + d.ssq / d.se[j])) << j;
    }
  }
}

// The acceptance rule just inside and just beyond each of its thresholds.
TEST(ReferenceFit, ComparisonAppliesEachThreshold) {
  ReferenceFit ref;
  ref.npar = 3;
  ref.p = {10.0, 2.0, 1.0};
  ref.se = {1.0, 0.1, 0.5};
  ref.ssq = 4.0;
  const std::array<double, 3> p{10.0, 2.0, 1.0}, se{1.0, 0.1, 0.5};
  EXPECT_TRUE(compare_with_reference(ref, 4.0 * (1 + 0.9e-6), p, se).reaches_ssq);
  EXPECT_FALSE(compare_with_reference(ref, 4.0 * (1 + 1.1e-6), p, se).reaches_ssq);
  // Km 1.5e-4 relative but 0.0015 se off, Vm 0.01 se off: within; the baseline 1.5% and
  // 0.03 se off: beyond both tolerances.
  EXPECT_TRUE(compare_with_reference(ref, 4.0, {10.0015, 2.001, 1.0}, se).params_match);
  EXPECT_FALSE(compare_with_reference(ref, 4.0, {10.0, 2.0, 1.015}, se).params_match);
  EXPECT_TRUE(compare_with_reference(ref, 4.0, p, {1.019, 0.0981, 0.5}).se_match);
  EXPECT_FALSE(compare_with_reference(ref, 4.0, p, {1.0, 0.1, 0.511}).se_match);
}

// Every fit of the family is a Karush-Kuhn-Tucker point: the gradient of S vanishes for a free
// parameter (measured as the relative change of S for a step of one standard error: about
// 2 / (n - p) times the parameter's distance from the optimum in standard errors) and points
// into the box at an active bound. Where the
// model is the generating one, S is no larger than at the true parameters.
TEST(ReferenceFit, FamilyOptimaMeetTheOptimalityConditions) {
  for (const FamilyCase& c : generated_family()) {
    for (const int model : c.models()) {
      SCOPED_TRACE(c.name + " model " + std::to_string(model));
      const ReferenceFit fit = reference_fit(c.data, model, c.options);
      EXPECT_NEAR(fit.ssq, reference_ssq(c.data, model, fit.p, c.options), 1e-12 * fit.ssq);
      if (has_baseline(model)) {
        EXPECT_LE(fit.ssq, reference_ssq(c.data, model, c.truth));
      }
      if (fit.at_search_limit) continue;
      const auto g = reference_gradient(c.data, model, fit.p, c.options);
      const std::array<bool, 3> at_bound{fit.km_at_bound, fit.vm_at_bound, fit.bkg_at_bound};
      for (int j = 0; j < fit.npar; ++j) {
        const double scale = std::isfinite(fit.se[j]) ? fit.se[j] : std::fabs(fit.value(j));
        const double sensitivity = g[j] * scale / fit.ssq;
        if (at_bound[j]) {
          EXPECT_GT(sensitivity, -1e-7) << "parameter " << j;
        } else {
          EXPECT_LT(std::fabs(sensitivity), 1e-7) << "parameter " << j;
        }
      }
    }
  }
}

// Concentration x c and time x tau (bounds with them) scale Km and the baseline by c, Vm by
// c / tau, S by c^2, and the standard errors like their parameters.
TEST(ReferenceFit, ScalesExactlyWithTheUnitsOfTheData) {
  const TempFolder folder;
  const FamilyCase product = copied_example(folder);
  const FamilyCase substrate = basic_substrate_case();
  const std::array<ReferenceFit, 2> nominal[] = {
      {reference_fit(product.data, 1), reference_fit(product.data, 2)},
      {reference_fit(substrate.data, 3), reference_fit(substrate.data, 4)}};
  const std::vector<FamilyCase> family = unit_family(product, substrate);
  ASSERT_EQ(family.size(), 32u);
  for (size_t k = 0; k < family.size(); ++k) {
    const FamilyCase& c = family[k];
    const double conc = c.options.km_lower / 1e-6;
    const double time = conc * 1e-6 / c.options.vm_lower;
    for (int m = 0; m < 2; ++m) {
      const ReferenceFit& base = nominal[k < 16 ? 0 : 1][m];
      SCOPED_TRACE(c.name + " model " + std::to_string(base.model));
      const ReferenceFit fit = reference_fit(c.data, base.model, c.options);
      const std::array<double, 3> factor{conc, conc / time, conc};
      EXPECT_NEAR(fit.ssq, base.ssq * conc * conc, 1e-8 * fit.ssq);
      for (int j = 0; j < base.npar; ++j) {
        EXPECT_NEAR(fit.value(j), base.value(j) * factor[j], 1e-7 * fit.se[j]) << j;
        EXPECT_NEAR(fit.se[j], base.se[j] * factor[j], 1e-6 * fit.se[j]) << j;
      }
    }
  }
}

}  // namespace
}  // namespace velmor::testing
