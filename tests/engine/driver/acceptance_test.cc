// Fits judged against the independent reference optimum (tests/support/reference_fit.h) on the
// generated data family and on the example and a substrate set written in other units.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "data_family.h"
#include "engine/core/global_types.h"
#include "engine_run.h"
#include "reference_fit.h"

namespace velmor {
namespace {

using testing::FamilyCase;
using testing::ReferenceFit;

struct FitCase {
  const FamilyCase* data;
  int model;
};

void PrintTo(const FitCase& f, std::ostream* os) {
  *os << f.data->name << " model " << f.model;
}

std::string fit_name(const ::testing::TestParamInfo<FitCase>& info) {
  std::string name = info.param.data->name + "_model" + std::to_string(info.param.model);
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

// Each fit reaches the reference sum of squares (S at the engine's parameters, with the exact
// model, at most 1e-6 above); its parameters lie within 1e-4 relative or 2 % of the reference
// standard error (where the reference has standard errors at all: a fit whose optimum is a flat
// valley has none and any point of the valley will do); its standard errors lie within 2 % of
// the reference's where the reference is well determined.
void expect_reaches_reference(const FamilyCase& c, int model, const testing::EngineFit& e,
                              const ReferenceFit& ref) {
  const testing::ModelParams p{e.p[0], e.p[1], e.p[2]};
  const testing::FitComparison cmp = testing::compare_with_reference(
      ref, testing::reference_ssq(c.data, model, p, c.options), e.p, e.se);
  EXPECT_TRUE(cmp.reaches_ssq) << "S excess " << cmp.ssq_excess;
  bool has_se = true;
  for (int j = 0; j < ref.npar; ++j) has_se = has_se && std::isfinite(ref.se[j]);
  if (has_se) {
    EXPECT_TRUE(cmp.params_match) << "Km " << cmp.rel_error[0] << " Vm " << cmp.rel_error[1]
                                  << " bkg " << cmp.rel_error[2];
  }
  if (ref.well_determined) {
    EXPECT_TRUE(cmp.se_match) << "se ratios " << cmp.se_ratio[0] << " " << cmp.se_ratio[1] << " "
                              << cmp.se_ratio[2];
  }
}

const std::vector<FamilyCase>& family() {
  static const std::vector<FamilyCase> cases = [] {
    std::vector<FamilyCase> all = testing::generated_family();
    all.push_back(testing::example_case(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN"));
    return all;
  }();
  return cases;
}

std::vector<FitCase> family_fits() {
  std::vector<FitCase> fits;
  for (const FamilyCase& c : family()) {
    for (const int model : c.models()) fits.push_back({&c, model});
  }
  return fits;
}

class DataFamily : public ::testing::TestWithParam<FitCase> {};

TEST_P(DataFamily, ReachesTheReference) {
  const FamilyCase& c = *GetParam().data;
  const int model = GetParam().model;
  expect_reaches_reference(c, model, testing::run_engine(c.data, model, kNoWeighting),
                           testing::reference_fit(c.data, model, c.options));
}

// The fast method reaches the optimum of the classic chain with its final check: S within 1e-8
// of the lower of the chain's and the reference's (fast_method_target), and the same
// acceptance rule against the reference.
TEST_P(DataFamily, FastMethodReachesTheSameOptimum) {
  const FamilyCase& c = *GetParam().data;
  const int model = GetParam().model;
  const ReferenceFit reference = testing::reference_fit(c.data, model, c.options);
  const auto exact_ssq = [&](const testing::EngineFit& e) {
    return testing::reference_ssq(c.data, model, {e.p[0], e.p[1], e.p[2]}, c.options);
  };
  const testing::EngineFit classic = testing::run_engine(c.data, model, kNoWeighting);
  const testing::EngineFit fast = testing::run_engine(c.data, model, kNoWeighting, kFastMethod);
  const double target =
      testing::fast_method_target(reference, c.options, classic.p, exact_ssq(classic));
  EXPECT_LE(exact_ssq(fast), target * (1.0 + testing::kFastMethodTolerance))
      << "S / target - 1 = " << exact_ssq(fast) / target - 1.0;
  expect_reaches_reference(c, model, fast, reference);
}

INSTANTIATE_TEST_SUITE_P(Generated, DataFamily, ::testing::ValuesIn(family_fits()), fit_name);

// The example (product) and a substrate set with concentrations multiplied by 1e-9 ... 1e6 and
// times by 1/60 ... 3600: each fit reaches its own reference, gives the original's optimum in
// the new units within 1e-5 relative, ranks the two models as in the original units and, where
// only the concentration unit changed, suggests the same data ranges.
struct UnitCase {
  const FamilyCase* original;
  double conc, time;
};

void PrintTo(const UnitCase& u, std::ostream* os) {
  *os << u.original->name << " [So] x " << u.conc << " t x " << u.time;
}

class Units : public ::testing::TestWithParam<UnitCase> {};

const FamilyCase& unit_original(int which) {
  static const FamilyCase example =
      testing::example_case(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN");
  static const FamilyCase substrate = testing::basic_substrate_case();
  return which == 0 ? example : substrate;
}

std::vector<UnitCase> unit_cases() {
  std::vector<UnitCase> cases;
  for (int which = 0; which < 2; ++which) {
    for (const double conc : {1e-9, 1e-6, 1e3, 1e6}) {
      for (const double time : {1.0 / 60.0, 1.0, 60.0, 3600.0}) {
        cases.push_back({&unit_original(which), conc, time});
      }
    }
  }
  return cases;
}

// The engine's fit and the reference of an original, computed once.
struct Original {
  testing::EngineFit fit;
  ReferenceFit reference;
};
const Original& original_fit(const FamilyCase& c, int k) {
  static std::map<std::pair<const FamilyCase*, int>, Original> fits;
  auto [it, added] = fits.try_emplace({&c, k});
  if (added) {
    it->second = {testing::run_engine(c.data, c.models()[k], kNoWeighting),
                  testing::reference_fit(c.data, c.models()[k], c.options)};
  }
  return it->second;
}

TEST_P(Units, SameFitInAnyUnits) {
  const UnitCase& u = GetParam();
  const FamilyCase& original = *u.original;
  const FamilyCase c = testing::rescaled(original, u.conc, u.time);
  const std::array<int, 2> models = c.models();
  testing::EngineFit fits[2], originals[2];
  for (int k = 0; k < 2; ++k) {
    const int model = models[k];
    SCOPED_TRACE("model " + std::to_string(model));
    fits[k] = testing::run_engine(c.data, model, kNoWeighting);
    originals[k] = original_fit(original, k).fit;
    expect_reaches_reference(c, model, fits[k], testing::reference_fit(c.data, model, c.options));
    const ReferenceFit& nominal = original_fit(original, k).reference;
    const double factor[3] = {u.conc, u.conc / u.time, u.conc};
    // Km and Vm to 1e-5; the baseline, which may lie near 0, alternatively to 2 % of its se.
    for (int j = 0; j < nominal.npar; ++j) {
      const double tolerance = 1e-5 * std::fabs(nominal.value(j));
      EXPECT_NEAR(fits[k].p[j] / factor[j], nominal.value(j),
                  j < 2 ? tolerance : std::max(tolerance, 0.02 * nominal.se[j]))
          << "parameter " << j + 1;
    }
    // The rows handed back for the report and the plots are the file's, with fitted values in
    // its units.
    EXPECT_EQ(fits[k].rows.X1, c.data.X1);
    EXPECT_EQ(fits[k].rows.Y, c.data.Y);
    for (int i = 0; i < c.data.nRows; ++i) {
      const testing::ModelParams p{fits[k].p[0], fits[k].p[1], fits[k].p[2]};
      EXPECT_NEAR(fits[k].rows.Ycalc[i], testing::model_value(model, c.data.X1[i], c.data.X2[i], p),
                  1e-6 * c.data.X2[i]);
    }
    if (u.time == 1.0) {
      EXPECT_EQ(fits[k].ranges, originals[k].ranges);
    }
  }
  EXPECT_EQ(fits[0].aicc < fits[1].aicc, originals[0].aicc < originals[1].aicc);
}

INSTANTIATE_TEST_SUITE_P(ExampleAndSubstrate, Units, ::testing::ValuesIn(unit_cases()),
                         [](const ::testing::TestParamInfo<UnitCase>& info) {
                           std::string name =
                               info.param.original->name + "_c" + std::to_string(info.index);
                           for (char& ch : name) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace velmor
