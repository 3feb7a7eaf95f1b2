// SPDX-License-Identifier: MIT

#include "engine/driver/fit_stages.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "engine/model/derivatives.h"
#include "engine/model/model_rows.h"
#include "engine/stats/aicc.h"
#include "engine/stats/parameter_statistics.h"

namespace velmor {
namespace {

constexpr double kPoorlyDeterminedDivisor = 1.333;

}  // namespace

StageClock::StageClock(ModelFit& fit, std::function<long()> evaluations)
    : fit_(fit), evaluations_(std::move(evaluations)), start_(std::chrono::steady_clock::now()) {}

void StageClock::charge(FitStage stage) {
  const auto now = std::chrono::steady_clock::now();
  const long counted = evaluations_();
  StageCost& cost = fit_.costs[static_cast<int>(stage)];
  cost.evaluations += counted - counted_;
  cost.seconds += std::chrono::duration<double>(now - start_).count();
  counted_ = counted;
  start_ = now;
}

void finish_fit(FitContext& context, FitObserver& observer, ModelFit& fit, const DataScale& scale,
                StageClock& clock) {
  ProgressCurveData& data = context.data;
  const ParamVector& p = fit.p;
  const int npar = fit.npar;
  const auto rows = static_cast<std::size_t>(std::clamp(data.nRows, 0, kMaxRows));
  model_values(fit.model, std::span<const double>(data.X1).first(rows),
               std::span<const double>(data.X2).first(rows), p,
               std::span<double>(data.Ycalc).first(rows));
  breakpoint(data, fit.model, p, fit.breakpoints, scale, context.helper_threads);
  clock.charge(FitStage::kBreakpoint);

  double f_final = 0.0;
  derivatives(context, fit.gradient, f_final, p);
  std::vector<double> jac(static_cast<size_t>(data.nRows) * npar);
  jacobian(context, data.nRows, npar, jac, fit.stage2_ssq, p);
  // Unknown until computed: a failed inversion leaves them NaN, which the penalty and the AICc
  // carry on, so such a model cannot look better determined than it is.
  std::fill_n(fit.se.begin(), npar, std::numeric_limits<double>::quiet_NaN());
  std::fill_n(fit.ci.begin(), npar, std::numeric_limits<double>::quiet_NaN());
  ParamMatrix work{};
  stderrpar(observer, data.nRows, npar, jac, data.nRows, work, fit.stage2_ssq, fit.se, fit.corr,
            fit.ci);

  for (int j = 0; j < npar; ++j) {
    if (fit.se[j] > p[j] / kPoorlyDeterminedDivisor) ++fit.poorly_determined;
  }
  fit.penalty = relative_error_penalty(npar, p, fit.se);
  fit.aicc = aicc(data.nRows, npar, fit.penalty, fit.stage2_ssq);
  clock.charge(FitStage::kStatistics);
}

}  // namespace velmor
