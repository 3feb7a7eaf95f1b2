#include "engine/driver/model_fit.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/core/machine_constants.h"
#include "engine/core/objective.h"
#include "engine/driver/constrained_stage.h"
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
constexpr double kPoorlyDeterminedDivisor = 1.333;

// Unweighted sum of squares of the current model at p over all rows.
double plain_sum_of_squares(const RunState& state, ModelId model, const ParamVector& p) {
  const ProgressCurveData& d = state.data;
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
double simplex_stage(Objective& objective, RunState& state, int npar, ParamVector& p, double ssq0) {
  ParamVector best = p;
  double best_f = ssq0;
  double f = ssq0;
  double scale = simplex_scale(p, npar);
  int limit = 100;
  for (int call = 0; call < 2; ++call) {
    limit /= 2;
    simplex(objective, state, npar, p, f, kTol, scale, limit);
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
// reported.
class CountingObjective : public Objective {
 public:
  explicit CountingObjective(Objective& inner) : inner_(inner) {}
  void calcfg(int n, const ParamVector& x, double& f, ParamVector& g, ConstraintVector& c,
              ConstraintNormals& cnorm) override {
    ++evaluations_;
    inner_.calcfg(n, x, f, g, c, cnorm);
  }
  double value(int n, const ParamVector& x) override {
    ++evaluations_;
    return inner_.value(n, x);
  }
  void bounds_neg(ParamVector& x, int n, double& f) override { inner_.bounds_neg(x, n, f); }
  int constraint_count() const override { return inner_.constraint_count(); }
  int equality_count() const override { return inner_.equality_count(); }
  long evaluations() const { return evaluations_; }

 private:
  Objective& inner_;
  long evaluations_ = 0;
};

// Under robust weighting the chain of stages finds the unweighted optimum, where the robust fit
// starts: the objective the optimisers see is unweighted until end(), and the run's weighting
// is put back then (or when the fit ends otherwise).
class UnweightedChain {
 public:
  explicit UnweightedChain(RunState& state) : state_(state), requested_(state.nwt_global) {
    if (requested_ == kRobustWeighting) state_.nwt_global = kNoWeighting;
  }
  ~UnweightedChain() { end(); }
  UnweightedChain(const UnweightedChain&) = delete;
  UnweightedChain& operator=(const UnweightedChain&) = delete;
  void end() { state_.nwt_global = requested_; }
  int requested() const { return requested_; }

 private:
  RunState& state_;
  int requested_;
};

// Measures the stages of one fit into ModelFit::costs.
class StageClock {
 public:
  StageClock(ModelFit& fit, const CountingObjective& objective)
      : fit_(fit), objective_(objective), start_(std::chrono::steady_clock::now()) {}
  // Charges everything since the previous call to `stage`.
  void charge(FitStage stage) {
    const auto now = std::chrono::steady_clock::now();
    StageCost& cost = fit_.costs[static_cast<int>(stage)];
    cost.evaluations += objective_.evaluations() - counted_;
    cost.seconds += std::chrono::duration<double>(now - start_).count();
    counted_ = objective_.evaluations();
    start_ = now;
  }

 private:
  ModelFit& fit_;
  const CountingObjective& objective_;
  std::chrono::steady_clock::time_point start_;
  long counted_ = 0;
};

}  // namespace

ModelFit fit_model(RunState& state, Host& host, Objective& fit_objective, bool recompute,
                   const DataScale& scale) {
  ModelFit fit;
  CountingObjective objective(fit_objective);
  StageClock clock(fit, objective);
  fit.model = state.imdlno;
  fit.npar = state.npar;
  fit.name = state.strmdl;
  fit.from_all_ones = recompute;
  const int npar = fit.npar;
  ProgressCurveData& data = state.data;
  UnweightedChain chain(state);

  ParamVector p;
  if (recompute) p.fill(1.0);
  init_estimates(objective, state, p);
  fit.initial = p;
  clock.charge(FitStage::kEstimates);

  fit.weighting = chain.requested();
  if (fit.weighting < 0 || fit.weighting > 2) {
    host.dlgmessage(kWarning, "Value of weight out of range of [0-2]!");
    fit.weighting = kNoWeighting;
  }
  fit.call_limit = fit.weighting == kNoWeighting ? kCallLimitUnweighted : kCallLimitRobust;

  state.random_value = next_random(state.random_value);
  const double ssq0 = plain_sum_of_squares(state, fit.model, p);

  double f = simplex_stage(objective, state, npar, p, ssq0);
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
  const OptimalityCheck check = check_optimality(data, fit.model, npar, p);
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
    const RobustFit robust_fit = fit_robust(data, fit.model, npar, p);
    p = robust_fit.p;
    fit.reweightings = robust_fit.reweightings;
  }
  fit.p = p;
  clock.charge(FitStage::kRobust);

  for (int i = 0; i < data.nRows; ++i) {
    data.Ycalc[i] = func(fit.model, data.X1[i], data.X2[i], data.Y[i], p);
  }
  breakpoint(data, fit.model, p, fit.breakpoints, scale);
  clock.charge(FitStage::kBreakpoint);

  double f_final = 0.0;
  derivatives(state, fit.gradient, f_final, p);
  std::vector<double> jac(static_cast<size_t>(data.nRows) * npar);
  jacobian(state, data.nRows, npar, jac, fit.stage2_ssq, p);
  // Unknown until computed: a failed inversion leaves them NaN, which the penalty and the AICc
  // carry on, so such a model cannot look better determined than it is.
  std::fill_n(fit.se.begin(), npar, std::numeric_limits<double>::quiet_NaN());
  std::fill_n(fit.ci.begin(), npar, std::numeric_limits<double>::quiet_NaN());
  ParamMatrix work{};
  stderrpar(host, data.nRows, npar, jac, data.nRows, work, fit.stage2_ssq, fit.se, fit.corr,
            fit.ci);

  for (int j = 0; j < npar; ++j) {
    if (fit.se[j] > p[j] / kPoorlyDeterminedDivisor) ++fit.poorly_determined;
  }
  fit.penalty = relative_error_penalty(npar, p, fit.se);
  fit.aicc = aicc(data.nRows, npar, fit.penalty, fit.stage2_ssq);
  clock.charge(FitStage::kStatistics);
  return fit;
}

}  // namespace velmor
