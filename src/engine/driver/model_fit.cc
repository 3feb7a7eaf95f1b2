// SPDX-License-Identifier: MIT

#include "engine/driver/model_fit.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/core/machine_constants.h"
#include "engine/core/objective.h"
#include "engine/driver/constrained_stage.h"
#include "engine/driver/fit_stages.h"
#include "engine/driver/optimality_check.h"
#include "engine/driver/robust_fit.h"
#include "engine/minsvd/minsvd.h"
#include "engine/model/derivatives.h"
#include "engine/model/initial_estimates.h"
#include "engine/model/kinetic_models.h"
#include "engine/model/model_objective.h"
#include "engine/model/random_draw.h"
#include "engine/model/simplex.h"
#include "engine/optim/sqp_optimize.h"
#include "engine/stats/aicc.h"
#include "engine/stats/parameter_statistics.h"

namespace velmor {
namespace {

constexpr int kMinsvdCycles = 10;
constexpr int kCallLimitUnweighted = 300;
constexpr int kCallLimitRobust = 200;

// Unweighted sum of squares of the current model at p over all rows.
double plain_sum_of_squares(const FitContext& context, ModelId model, const ParamVector& p) {
  const ProgressCurveData& d = context.data;
  double sum = 0.0;
  for (int i = 0; i < d.nRows; ++i) {
    const double r = d.Y[i] - func(model, d.X1[i], d.X2[i], d.Y[i], p);
    sum += r * r;
  }
  return sum;
}

// Size of the starting simplex: half the root mean square of the first npar - 1 estimates over
// their largest value.
double simplex_scale(const ParamVector& p, int npar) {
  const int k = std::max(npar - 1, 1);
  double squares = 0.0;
  double largest = p[0];
  for (int j = 0; j < k; ++j) {
    squares += p[j] * p[j];
    largest = std::max(largest, p[j]);
  }
  return 0.5 * std::sqrt(squares / k) / largest;
}

// Stage 1: up to two simplex calls with a halved size and iteration limit, keeping the better
// point unless the size has become too small to matter.
double simplex_stage(Objective& objective, FitContext& context, int npar, ParamVector& p,
                     double ssq0) {
  ParamVector best = p;
  double best_f = ssq0;
  double f = ssq0;
  double scale = simplex_scale(p, npar);
  int limit = 100;
  for (int call = 0; call < 2; ++call) {
    limit /= 2;
    simplex(objective, context, npar, p, f, kTol, scale, limit);
    scale *= 0.5;
    if (scale < 0.01) break;
    if (f > best_f) {
      p = best;
      f = best_f;
    } else {
      best = p;
      best_f = f;
    }
  }
  return f;
}

// Forwards to the fit's objective and counts the evaluations, so the stages' costs can be
// reported. It also remembers the last few values it returned: the stages come back to points
// they have just evaluated (each pass of the random search starts where the last one ended, a
// golden-section sweep ends at a point it has measured), and within one fit the objective is a
// function of the point alone, so such a point is not evaluated again.
class CountingObjective : public Objective {
 public:
  explicit CountingObjective(Objective& inner) : inner_(inner) {}
  void calcfg(int n, const ParamVector& x, double& f, ParamVector& g, ConstraintVector& c,
              ConstraintNormals& cnorm) override {
    ++evaluations_;
    inner_.calcfg(n, x, f, g, c, cnorm);
  }
  double value(int n, const ParamVector& x) override {
    // Bit for bit, every position: the objective may read more parameters than n.
    for (const Remembered& r : remembered_) {
      // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison): bits on purpose (NaN, -0.0)
      if (r.n == n && std::memcmp(r.x.data(), x.data(), sizeof(ParamVector)) == 0) {
        return r.f;
      }
    }
    ++evaluations_;
    const double f = inner_.value(n, x);
    remembered_[next_] = {n, x, f};
    next_ = (next_ + 1) % kRemembered;
    return f;
  }
  void bounds_neg(ParamVector& x, int n, double& f) override { inner_.bounds_neg(x, n, f); }
  int constraint_count() const override { return inner_.constraint_count(); }
  int equality_count() const override { return inner_.equality_count(); }
  long evaluations() const { return evaluations_; }

 private:
  static constexpr int kRemembered = 8;
  struct Remembered {
    int n = -1;  // no point yet
    ParamVector x{};
    double f = 0.0;
  };

  Objective& inner_;
  long evaluations_ = 0;
  std::array<Remembered, kRemembered> remembered_{};
  int next_ = 0;
};

// Under robust weighting the chain of stages finds the unweighted optimum, where the robust fit
// starts: the objective the optimisers see is unweighted until end(), and the run's weighting
// is put back then (or when the fit ends otherwise).
class UnweightedChain {
 public:
  explicit UnweightedChain(FitContext& context)
      : context_(context), requested_(context.nwt_global) {
    if (requested_ == kRobustWeighting) context_.nwt_global = kNoWeighting;
  }
  ~UnweightedChain() { end(); }
  UnweightedChain(const UnweightedChain&) = delete;
  UnweightedChain& operator=(const UnweightedChain&) = delete;
  void end() { context_.nwt_global = requested_; }
  int requested() const { return requested_; }

 private:
  FitContext& context_;
  int requested_;
};

}  // namespace

ModelFit fit_model(FitContext& context, FitObserver& observer, Objective& fit_objective,
                   bool recompute, const DataScale& scale) {
  ModelFit fit;
  CountingObjective objective(fit_objective);
  StageClock clock(fit, [&objective] { return objective.evaluations(); });
  fit.model = context.imdlno;
  fit.npar = context.npar;
  fit.name = context.strmdl;
  fit.from_all_ones = recompute;
  fit.baseline_free = context.baseline_free && model_has_baseline(fit.model);
  const int npar = fit.npar;
  ProgressCurveData& data = context.data;
  UnweightedChain chain(context);

  ParamVector p;
  if (recompute) p.fill(1.0);
  init_estimates(objective, context, p);
  fit.initial = p;
  clock.charge(FitStage::kEstimates);

  fit.weighting = chain.requested();
  if (fit.weighting < 0 || fit.weighting > 2) {
    observer.message(kWarning, "Value of weight out of range of [0-2]!");
    fit.weighting = kNoWeighting;
  }
  fit.call_limit = fit.weighting == kNoWeighting ? kCallLimitUnweighted : kCallLimitRobust;

  context.random.random_value = next_random(context.random.random_value);
  const double ssq0 = plain_sum_of_squares(context, fit.model, p);

  double f = simplex_stage(objective, context, npar, p, ssq0);
  fit.stage1_ssq = f;
  clock.charge(FitStage::kSimplex);

  objective.bounds_neg(p, npar, f);
  const ParamVector simplex_p = p;
  const double simplex_f = f;
  int nfev = 0;
  int ierr = 0;
  nminsvd(objective, npar, p, f, kMinsvdCycles, nfev, ierr);
  if (ierr != 0) {
    p = simplex_p;
    f = simplex_f;
  }
  clock.charge(FitStage::kMinsvd);

  objective.bounds_neg(p, npar, f);
  {
    ParamVector g{};
    ConstraintVector c{};
    ConstraintNormals cnorm{};
    objective.calcfg(npar, p, f, g, c, cnorm);
  }
  fit.iterations = constrained_stage(objective, npar, p, f, fit.call_limit, fit.info);
  fit.equality_count = objective.equality_count();
  clock.charge(FitStage::kConstrained);

  const bool robust = fit.weighting == kRobustWeighting;
  const OptimalityCheck check = check_optimality(data, fit.model, npar, p, fit.baseline_free);
  if (check.improved) {
    p = check.p;
    if (!robust) {
      fit.moved_by_check = true;
      fit.chain_ssq = check.chain_ssq;
      fit.checked_ssq = check.ssq;
    }
  }
  clock.charge(FitStage::kOptimalityCheck);
  chain.end();

  if (robust) {
    const RobustFit robust_fit = fit_robust(data, fit.model, npar, p, fit.baseline_free);
    p = robust_fit.p;
    fit.reweightings = robust_fit.reweightings;
  }
  fit.p = p;
  clock.charge(FitStage::kRobust);

  finish_fit(context, observer, fit, scale, clock);
  return fit;
}

void settle_fit(ModelFit& fit, int rows) {
  fit.failed = !std::isfinite(fit.stage2_ssq);
  for (int j = 0; j < fit.npar; ++j) {
    if (!std::isfinite(fit.p[j])) fit.failed = true;
  }
  fit.se_regression = std::sqrt(fit.stage2_ssq / (rows - fit.npar));
}

}  // namespace velmor
