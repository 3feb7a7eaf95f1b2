// Fits against the independent reference optimum (reference_fit.h) on the generated family, the
// example, and in other units.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "data_family.h"
#include "engine/core/global_types.h"
#include "engine_run.h"
#include "reference_fit.h"

namespace velmor {
namespace {

using testing::EngineFit;
using testing::FamilyCase;
using testing::ReferenceFit;

// The reference S (exact model, at most 1e-6 above); parameters within 1e-4 relative or 2 % of the
// reference se (where it has any: a flat valley's optimum has none); se within 2 % where the
// reference is well determined.
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

// The example and a substrate set, concentrations x 1e-9 .. 1e6, times x 1/60 .. 3600: each fit
// reaches its reference and the original's optimum within 1e-5 (baseline: or 2 % of its se),
// hands back the rows with fitted values in its units, ranks the models alike and, with only the
// concentration changed, suggests the same data ranges.
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

}  // namespace
}  // namespace velmor
