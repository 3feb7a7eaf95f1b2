// SPDX-License-Identifier: MIT

#pragma once

// The independent least-squares optimum that the fitting engine is judged against.
//
// reference_fit minimises S = sum over the rows in use of w_i (y_i - model)^2 for one of the
// models of reference_model.h, within the program's bounds Km >= km_lower, Vm >= vm_lower,
// baseline >= 0 (or of either sign, ReferenceOptions::baseline_free). It shares nothing with the
// engine but the data type: its own model code (reference_model.h), a dense logarithmic grid over
// Km and Vm with the baseline profiled out analytically, and a bounded Levenberg-Marquardt polish
// in ln Km, ln Vm from the best few grid minima. The grid is placed from scales taken from the data
// (largest [So], time span, mean rate), so the result does not depend on the units the data are
// written in: scaling the concentrations by c and the times by tau (and the lower bounds with them)
// scales Km and the baseline by c, Vm by c/tau and S by c^2, to about 1e-9.
#include <array>
#include <string>
#include <vector>

#include "engine/core/progress_curve_data.h"
#include "reference_model.h"

namespace velmor::testing {

// A parameter of a reference fit counts as well determined when its standard error is at most
// this fraction of its value (Km and Vm; the model is linear in the baseline, whose error
// means the same at any value).
inline constexpr double kMaxRelativeSe = 0.5;
// ... and the fit only when J'J, scaled to unit diagonal (the correlation form), has a
// condition number at most this: beyond it the standard errors of any finite-difference
// Jacobian carry errors of several per cent.
inline constexpr double kMaxCorrelationCondition = 1e6;

struct ReferenceOptions {
  // Lower bounds in the data's units (the program's are 1e-6 for both).
  double km_lower = 1e-6;
  double vm_lower = 1e-6;
  // Fixed weights w_i, one per data row (row i = index i), all >= 0; empty means all 1.
  std::vector<double> weights;
  // Rows taken into the fit; empty means every row. A row left out counts nowhere, also not in
  // the n of s^2 = S / (n - p).
  std::vector<bool> include;
  // The baseline of models 2 and 4 may take either sign (else it is held at or above 0).
  bool baseline_free = false;
};

struct ReferenceFit {
  int model = 0;
  int npar = 0;       // 2 or 3
  int rows_used = 0;  // n
  ModelParams p;      // the optimum (bkg = 0 for models 1 and 3)
  double ssq = 0.0;   // S at p
  // Standard errors s^2 (J'J)^-1 with s^2 = S / (n - npar) and the exact Jacobian of the
  // weighted model at p, in the order Km, Vm, baseline (se[2] = 0 for models 1 and 3). NaN
  // when J'J is singular or n <= npar. Computed also where a bound is active.
  std::array<double, 3> se{};
  double condition = 0.0;  // condition number of the correlation form of J'J
  bool km_at_bound = false;
  bool vm_at_bound = false;
  bool bkg_at_bound = false;  // models 2 and 4: the best baseline would be negative
  // The polish ended within a decade of the search cap (Km a billion times the largest [So],
  // or the matching Vm): S keeps falling towards first-order kinetics with Km and Vm ->
  // infinity; p is a point whose S is within about 1e-8 relative of the infimum, but not an
  // optimum.
  bool at_search_limit = false;
  // No bound active, no search limit, condition <= kMaxCorrelationCondition and Km, Vm with
  // se <= kMaxRelativeSe of their value.
  bool well_determined = false;
  std::string note;  // why the fit is not well determined; empty if it is

  double value(int j) const { return j == 0 ? p.km : j == 1 ? p.vm : p.bkg; }
};

// The least-squares optimum of `model` (1..4) over the rows of `data` chosen by `options`.
// Needs at least npar + 1 rows in use with [So] > 0 and a positive time span. Deterministic.
ReferenceFit reference_fit(const ProgressCurveData& data, int model,
                           const ReferenceOptions& options = {});

// S at p over the rows chosen by `options` (the objective reference_fit minimises).
double reference_ssq(const ProgressCurveData& data, int model, const ModelParams& p,
                     const ReferenceOptions& options = {});

// The exact gradient of S with respect to (Km, Vm, baseline); the third entry is 0 for models
// 1 and 3. At an optimum each entry is 0, or >= 0 for a parameter at its lower bound.
std::array<double, 3> reference_gradient(const ProgressCurveData& data, int model,
                                         const ModelParams& p,
                                         const ReferenceOptions& options = {});

// The sum of squares the fast method has to reach (within kFastMethodTolerance): the lower of
// the reference's and the classic chain's (s_classic, at classic_p), where the classic chain's
// parameters lie within the bounds of `options` (the chain can end just below a bound, where
// the bounded reference cannot follow); the classic chain's alone where the reference ended
// at its search limit (no finite optimum: its S is an infimum, which the engine's caps stop
// short of).
inline constexpr double kFastMethodTolerance = 1e-8;
double fast_method_target(const ReferenceFit& reference, const ReferenceOptions& options,
                          const std::array<double, 3>& classic_p, double s_classic);

// How a fit (the engine's) compares with the reference. Thresholds of the acceptance rule:
inline constexpr double kSsqExcessTolerance = 1e-6;  // S <= S_ref (1 + 1e-6)
inline constexpr double kParamRelTolerance = 1e-4;   // |p - p_ref| <= 1e-4 |p_ref| ...
inline constexpr double kParamSeFraction = 0.02;     // ... or <= 0.02 se_ref
inline constexpr double kSeRelTolerance = 0.02;      // |se / se_ref - 1| <= 0.02

struct FitComparison {
  double ssq_excess = 0.0;            // S / S_ref - 1 (S_ref = 0: S itself)
  std::array<double, 3> rel_error{};  // (p - p_ref) / |p_ref| (0 / 0 gives 0)
  std::array<double, 3> se_error{};   // (p - p_ref) / se_ref
  std::array<double, 3> se_ratio{};   // se / se_ref
  bool reaches_ssq = false;           // ssq_excess <= kSsqExcessTolerance
  bool params_match = false;          // every parameter within either tolerance
  bool se_match = false;              // every se ratio within 1 +- kSeRelTolerance
};

// p and se in the order Km, Vm, baseline (only the first reference.npar are read).
FitComparison compare_with_reference(const ReferenceFit& reference, double ssq,
                                     const std::array<double, 3>& p,
                                     const std::array<double, 3>& se);

}  // namespace velmor::testing
