// SPDX-License-Identifier: MIT

#pragma once

#include <array>
#include <string>

#include "engine/core/data_scale.h"
#include "engine/core/fit_observer.h"
#include "engine/core/global_types.h"
#include "engine/core/vectors.h"
#include "engine/model/fit_context.h"
#include "engine/stats/breakpoint.h"
#include "engine/stats/model_summary.h"
#include "engine/stats/param_matrix.h"
#include "engine/stats/runs_test.h"

namespace velmor {

class Objective;

// The stages of one model's fit, in the order they run: the classic chain's from the estimates
// to the robust fit, or the fast method's starts (counted as estimates) and refinement; then
// both methods' breakpoints and statistics.
enum class FitStage {
  kEstimates,
  kSimplex,
  kMinsvd,
  kConstrained,
  kOptimalityCheck,
  kRobust,
  kRefinement,
  kBreakpoint,
  kStatistics
};
inline constexpr int kFitStageCount = 9;
inline constexpr const char* kFitStageNames[kFitStageCount] = {
    "estimates", "simplex", "minsvd",     "constrained", "check",
    "robust",    "refine",  "breakpoint", "statistics"};

// What one stage spent: objective evaluations (calcfg or value calls; the final check, the
// robust fit, the breakpoint analysis and the statistics evaluate the model directly and count
// 0) and wall-clock time.
struct StageCost {
  long evaluations = 0;
  double seconds = 0.0;
};

// Where the data leave Km: at a finite value, towards infinity (first-order kinetics, where
// only Vm/Km is determined) or towards zero (zero-order kinetics, where only Vm is).
enum class KineticLimit { kNone, kFirstOrder, kZeroOrder };

// Everything the report says about one fitted model.
//
// Under robust weighting the chain of stages (estimates to the final check) fits without
// weights, and the robust fit (robust_fit.h) starts from its result: stage1_ssq, iterations and
// info are those of that unweighted chain, everything from p on (stage2_ssq, the statistics,
// the fitted values and the breakpoints) is the robust fit's, with the weights at p. The final
// check's move is part of reaching the robust fit's start and is not announced.
struct ModelFit {
  ModelId model = 0;
  int npar = 0;
  std::string name;            // left-justified, 80 characters
  int weighting = 0;           // weighting code used (0 or 2)
  bool from_all_ones = false;  // the second fit of a poorly determined model
  bool baseline_free = false;  // the model's baseline was free to take either sign
  ParamVector initial{};       // initial estimates
  double stage1_ssq = 0.0;     // sum of squares after the simplex stage
  ParamVector p{};             // final parameters
  int iterations = 0;          // constrained-optimiser iterations of both calls
  int info = 0;                // last return code of the constrained optimiser (SqpInfo)
  int call_limit = 0;          // 300, or 200 under robust weighting
  int reweightings = 0;        // weighted fits of the robust fit (0 without weighting)
  int equality_count = 0;      // meq as the objective left it
  // Weighted sum of squares at the final parameters: fit_model leaves the optimisers' own sum
  // (their W is converged to about 1e-7); run_model makes it, with the statistics and fitted
  // values, that of the model to full precision (make_report_consistent, fit_assessment.h).
  double stage2_ssq = 0.0;
  // The final check of optimality moved the fit from where the constrained stage had ended,
  // whose unweighted sum of squares is chain_ssq, to its point, whose sum is checked_ssq (both
  // with the model to full precision, as the check measures them).
  bool moved_by_check = false;
  double chain_ssq = 0.0;
  double checked_ssq = 0.0;
  ParamVector gradient{};     // objective gradient at the final parameters
  ParamVector se{};           // standard errors (NaN when the statistics failed)
  ParamVector ci{};           // 95 % confidence half-widths (NaN when the statistics failed)
  ParamMatrix corr{};         // correlation matrix (zeros when the statistics failed)
  int poorly_determined = 0;  // parameters whose standard error exceeds p / 1.333
  double penalty = 0.0;       // relative-error sum of the AICc
  double aicc = 0.0;
  BreakpointTexts breakpoints;
  std::array<StageCost, kFitStageCount> costs{};
  // kClassicMethod, or kFastMethod where the fast method fitted the model (fast_fit.h says what
  // its initial estimates, stage-1 sum of squares and iterations are).
  int method = kClassicMethod;

  // What the data say of the fit (fit_assessment.h); left as below where it was not assessed.
  bool assessed = false;
  // Profile-likelihood 95 % limits; -infinity or +infinity on a side the profile leaves open,
  // 0 below a positive parameter (Km, Vm) whose profile stays low down to its bound.
  ParamVector profile_low{};
  ParamVector profile_high{};
  std::array<bool, kMaxParams> undetermined{};  // no finite SE or Wald limits are given
  std::array<int, kMaxParams> on_bound{};       // -1 on its lower bound, +1 on its upper
  KineticLimit limit = KineticLimit::kNone;
  // The combination the data determine where Km is not: Vm/Km (first order) or Vm (zero
  // order), with its standard error (NaN when not known).
  double combination = 0.0;
  double combination_se = 0.0;
  // Vm/Km and its standard error (NaN where not known), whatever the limit.
  double vm_over_km = 0.0;
  double vm_over_km_se = 0.0;
  RunsTest runs;

  // Set once the fit is final (settle_fit), in the user's units.
  // The fit failed: its sum of squares or a parameter is not finite. Its section says so, and it
  // takes no part in the ranking of the models. (A finite fit whose standard errors could not
  // be computed is not failed: it is ranked, after the others.)
  bool failed = false;
  // The standard error of regression, sqrt(stage2_ssq / (rows - npar)).
  double se_regression = 0.0;
};

// Sets what follows from the final fit of `rows` data rows: failed and se_regression.
void settle_fit(ModelFit& fit, int rows);

// Whether a parameter or the residuals of an assessed fit call for a warning.
inline bool any_undetermined(const ModelFit& fit) {
  for (int j = 0; j < fit.npar && j < kMaxParams; ++j) {
    if (fit.undetermined[j]) return true;
  }
  return false;
}
inline bool residuals_systematic(const ModelFit& fit) {
  return fit.runs.p < kRunsTestLevel;
}

// What the comparison of the models at the end of a run keeps of a settled fit.
inline FittedModel ranking_entry(const ModelFit& fit) {
  return {fit.aicc, fit.model, fit.weighting, fit.name, fit.failed, any_undetermined(fit)};
}

// Optimisation stages of one model, on the data in context.data (restored by the caller): the
// initial estimates, the simplex, the SVD minimiser, the constrained optimiser, the final check
// of optimality, under robust weighting the robust fit, the fitted values, the breakpoint
// analysis and the statistics. `recompute` starts from all-ones parameters (the second fit of a
// poorly determined model). The model must be context.imdlno, with context.npar and the weighting
// already set. Every number of the result is in the units of context.data except the breakpoint
// texts, which `scale` (the data's internal units, see data_scale.h) turns into the user's.
ModelFit fit_model(FitContext& context, FitObserver& observer, Objective& objective, bool recompute,
                   const DataScale& scale = {});

}  // namespace velmor
