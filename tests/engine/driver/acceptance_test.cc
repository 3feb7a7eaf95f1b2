// SPDX-License-Identifier: MIT
// Fits against the independent reference optimum (reference_fit.h) on the generated family, the
// example, in other units, and with robust weights.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "data_family.h"
#include "engine/core/global_types.h"
#include "engine/model/robust_weights.h"
#include "engine_run.h"
#include "reference_fit.h"

namespace velmor {
namespace {

using testing::EngineFit;
using testing::FamilyCase;
using testing::ModelParams;
using testing::ReferenceFit;
using testing::RobustCase;

// The reference S; parameters within 1e-4 relative or 2 % of the reference se (where it has any);
// se within 2 % where the reference is well determined.
void expect_reaches_reference(const FamilyCase& c, int model, const EngineFit& e,
                              const ReferenceFit& ref) {
  const testing::FitComparison cmp = testing::compare_with_reference(
      ref, testing::reference_ssq(c.data, model, {e.p[0], e.p[1], e.p[2]}, c.options), e.p, e.se);
  EXPECT_TRUE(cmp.reaches_ssq) << "S excess " << cmp.ssq_excess;
  bool has_se = true;
  for (int j = 0; j < ref.npar; ++j) has_se = has_se && std::isfinite(ref.se[j]);
  EXPECT_TRUE(!has_se || cmp.params_match)
      << "Km " << cmp.rel_error[0] << " Vm " << cmp.rel_error[1] << " bkg " << cmp.rel_error[2];
  EXPECT_TRUE(!ref.well_determined || cmp.se_match)
      << "se ratios " << cmp.se_ratio[0] << " " << cmp.se_ratio[1] << " " << cmp.se_ratio[2];
}

const FamilyCase& example() {
  static const FamilyCase c = testing::example_case(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN");
  return c;
}

// Both methods reach the reference on every case; the fast method's S lies within 1e-8 of the
// lower of the chain's and the reference's (fast_method_target).
TEST(DataFamily, ClassicAndFastMethodsReachTheReference) {
  std::vector<FamilyCase> family = testing::generated_family();
  family.push_back(example());
  for (const FamilyCase& c : family) {
    for (const int model : c.models()) {
      SCOPED_TRACE(c.name + " model " + std::to_string(model));
      const ReferenceFit reference = testing::reference_fit(c.data, model, c.options);
      const auto exact_ssq = [&](const EngineFit& e) {
        return testing::reference_ssq(c.data, model, {e.p[0], e.p[1], e.p[2]}, c.options);
      };
      const EngineFit classic = testing::run_engine(c.data, model, kNoWeighting);
      const EngineFit fast = testing::run_engine(c.data, model, kNoWeighting, kFastMethod);
      for (const EngineFit* e : {&classic, &fast}) {
        SCOPED_TRACE(e == &fast ? "fast method" : "classic chain");
        expect_reaches_reference(c, model, *e, reference);
      }
      const double target =
          testing::fast_method_target(reference, c.options, classic.p, exact_ssq(classic));
      EXPECT_LE(exact_ssq(fast), target * (1.0 + testing::kFastMethodTolerance))
          << "S / target - 1 = " << exact_ssq(fast) / target - 1.0;
    }
  }
}

// The example and a substrate set in other units: each fit reaches its reference and the
// unscaled set's optimum, hands back its rows with fitted values in its units, ranks the models
// alike and, with only the concentration changed, suggests the same data ranges.
TEST(Units, SameFitInAnyUnits) {
  for (const FamilyCase& original : {example(), testing::basic_substrate_case()}) {
    EngineFit originals[2];
    ReferenceFit nominal[2];
    for (int k = 0; k < 2; ++k) {
      originals[k] = testing::run_engine(original.data, original.models()[k], kNoWeighting);
      nominal[k] = testing::reference_fit(original.data, original.models()[k], original.options);
    }
    for (const double conc : {1e-9, 1e-6, 1e3, 1e6}) {
      for (const double time : {1.0 / 60.0, 1.0, 60.0, 3600.0}) {
        SCOPED_TRACE(original.name + " [So] x " + std::to_string(conc) + " t x " +
                     std::to_string(time));
        const FamilyCase c = testing::rescaled(original, conc, time);
        EngineFit fits[2];
        for (int k = 0; k < 2; ++k) {
          const int model = c.models()[k];
          SCOPED_TRACE("model " + std::to_string(model));
          const EngineFit& fit = fits[k] = testing::run_engine(c.data, model, kNoWeighting);
          expect_reaches_reference(c, model, fit, testing::reference_fit(c.data, model, c.options));
          const double factor[3] = {conc, conc / time, conc};
          for (int j = 0; j < nominal[k].npar; ++j) {
            const double tolerance = 1e-5 * std::fabs(nominal[k].value(j));
            EXPECT_NEAR(fit.p[j] / factor[j], nominal[k].value(j),
                        j < 2 ? tolerance : std::max(tolerance, 0.02 * nominal[k].se[j]))
                << "parameter " << j + 1;
          }
          EXPECT_EQ(fit.rows.X1, c.data.X1);
          EXPECT_EQ(fit.rows.Y, c.data.Y);
          for (int i = 0; i < c.data.nRows; ++i) {
            EXPECT_NEAR(fit.rows.Ycalc[i],
                        testing::model_value(model, c.data.X1[i], c.data.X2[i],
                                             {fit.p[0], fit.p[1], fit.p[2]}),
                        1e-6 * c.data.X2[i]);
          }
          EXPECT_TRUE(time != 1.0 || fit.ranges == originals[k].ranges) << fit.ranges;
        }
        EXPECT_EQ(fits[0].aicc < fits[1].aicc, originals[0].aicc < originals[1].aicc);
      }
    }
  }
}

ModelParams params_of(const EngineFit& e) {
  return {e.p[0], e.p[1], e.p[2]};
}

// The robust weights of the rows at p, from the reference's model values.
std::vector<double> weights_at(const ProgressCurveData& data, int model, const ModelParams& p) {
  std::vector<double> r(data.nRows);
  std::vector<double> w(data.nRows, 1.0);
  for (int i = 0; i < data.nRows; ++i) {
    r[i] = data.Y[i] - testing::model_value(model, data.X1[i], data.X2[i], p);
  }
  robust_wt(r, w);
  return w;
}

// Largest |p_j - reference_j| in standard errors of the reference.
double distance_in_se(const ModelParams& p, const ReferenceFit& reference) {
  const double v[3] = {p.km, p.vm, p.bkg};
  double d = 0.0;
  for (int j = 0; j < reference.npar; ++j) {
    d = std::max(d, std::fabs(v[j] - reference.value(j)) / reference.se[j]);
  }
  return d;
}

// With the weights at the fit held fixed the reference optimum is the same point, and the
// reported sum the weighted sum there.
void expect_optimum_of_its_own_weights(const ProgressCurveData& data, int model,
                                       const EngineFit& e) {
  testing::ReferenceOptions fixed;
  fixed.weights = weights_at(data, model, params_of(e));
  const ReferenceFit weighted = testing::reference_fit(data, model, fixed);
  EXPECT_LE(distance_in_se(params_of(e), weighted), testing::kParamSeFraction)
      << "the fit is not the optimum of its own weights: Km " << e.p[0] << " against "
      << weighted.p.km;
  EXPECT_NEAR(e.ssq, testing::reference_ssq(data, model, params_of(e), fixed), 1e-4 * weighted.ssq);
}

// The first seed's sets and later ones with rarer turns, each with both models of its kind. With
// outliers the weights at the fit without them give each outlier the floor and the robust fit
// lies within 1.5 se of that fit; without them, where every row keeps its full weight at the
// unweighted optimum, that optimum is the robust fit.
TEST(OutlierFamily, FindsTheFitWithoutTheOutliersAndLeavesCleanDataAlone) {
  const std::vector<std::string> later = {"robust_p_c1_one_1", "robust_s_c1_two_1",
                                          "robust_s_c1_two_15", "robust_p_c3_one_13"};
  for (const RobustCase& c : testing::robust_family(16)) {
    const std::string& name = c.contaminated.name;
    if (!name.ends_with("_0") && std::find(later.begin(), later.end(), name) == later.end())
      continue;
    for (const int model : c.contaminated.models()) {
      SCOPED_TRACE(name + " model " + std::to_string(model));
      const ProgressCurveData& data = c.contaminated.data;
      const EngineFit robust = testing::run_engine(data, model, kRobustWeighting);
      expect_optimum_of_its_own_weights(data, model, robust);
      const ReferenceFit target = testing::reference_fit(data, model, c.without_outliers());
      const std::vector<double> w = weights_at(data, model, target.p);
      for (const int row : c.outlier_rows) EXPECT_EQ(w[row], 1e-6) << "outlier row " << row;
      EXPECT_LE(distance_in_se(params_of(robust), target), 1.5) << "Km " << robust.p[0];

      const EngineFit clean = testing::run_engine(c.clean, model, kRobustWeighting);
      expect_optimum_of_its_own_weights(c.clean, model, clean);
      const ReferenceFit plain = testing::reference_fit(c.clean, model, c.contaminated.options);
      const std::vector<double> clean_w = weights_at(c.clean, model, plain.p);
      if (std::all_of(clean_w.begin(), clean_w.end(), [](double v) { return v == 1.0; })) {
        EXPECT_LE(distance_in_se(params_of(clean), plain), 0.5) << "Km " << clean.p[0];
      }
    }
  }
}

}  // namespace
}  // namespace velmor
