// SPDX-License-Identifier: MIT
#include "engine/driver/fit_assessment.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <span>
#include <vector>

#include "engine/driver/least_squares_problem.h"
#include "engine/model/robust_weights.h"
#include "engine/optim/levenberg_marquardt.h"
#include "engine/stats/aicc.h"
#include "engine/stats/parameter_statistics.h"
#include "engine/stats/profile_likelihood.h"

namespace velmor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The program's steps of the numerical derivatives (derivatives.h).
constexpr double kGradientStepFactor = 1.2206555615733703e-4;  // sqrt(1.49e-8)
constexpr double kJacobianStepFactor = 1.1048328206445401e-4;  // 1.49e-16^(1/4)
constexpr double kMinStep = 6.828499381469512e-6;
constexpr double kFlatHalfDifference = 2.2201e-16;
constexpr double kFlatSlope = 1.49e-8;
constexpr double kMaxHalfDifference = 67114093.95973155;  // 1/1.49e-8
constexpr double kMaxJacobianEntry = 6711409395973154.0;  // 1/1.49e-16

// A parameter stepped in its logarithm is on a bound within this factor of it: its bounds lie
// eight decades or more beyond the data's scale (Km at least 1e-6 in units where [So] is
// 100..1000, at most 1e9 [So]), where the sum of squares no longer changes and an optimiser
// stops anywhere. One stepped linearly is on its bound within this fraction of the data's
// magnitude.
constexpr double kLogBoundFactor = 100.0;
// A re-optimised parameter of a profile this close to its upper bound is held by it.
constexpr double kCapTolerance = 1e-3;
constexpr double kLinearBoundTolerance = 1e-9;
// A linear parameter without a bound is searched this many data magnitudes (or standard errors)
// from its value.
constexpr double kLinearReach = 1e3;
// First steps of the profile search in ln v: from the Wald standard error, within these.
constexpr double kSmallestLogStep = 1e-4;
constexpr double kLargestLogStep = 0.5;
constexpr double kUnknownLogStep = 0.1;
constexpr int kProfileIterations = 100;

// Discards the message boxes of a recomputation: the chain's statistics showed them already.
class SilentObserver : public FitObserver {
 public:
  void message(int, std::string_view) override {}
  void progress(const FitProgress&) override {}
  void model_fitted(const FittedData&) override {}
};

std::vector<double> residuals_at(const LeastSquaresProblem& problem, int npar,
                                 const ParamVector& p) {
  std::vector<double> r(static_cast<std::size_t>(problem.rows));
  problem.evaluate(std::span<const double>(p.data(), npar), r, {});
  return r;
}

double weighted_ssq(std::span<const double> r, std::span<const double> w) {
  double sum = 0.0;
  for (std::size_t i = 0; i < r.size(); ++i) sum += w[i] * (r[i] * r[i]);
  return sum;
}

// The largest magnitude among [So] and the observations, the scale of concentration terms.
double data_magnitude(const ProgressCurveData& data) {
  double m = 0.0;
  for (int i = 0; i < std::clamp(data.nRows, 0, kMaxRows); ++i) {
    m = std::max({m, std::fabs(data.X2[i]), std::fabs(data.Y[i])});
  }
  return m > 0.0 ? m : 1.0;
}

// The fit's weights at p: the robust weights of its residuals, or ones.
std::vector<double> weights_for(const ModelFit& fit, std::span<const double> r) {
  std::vector<double> w(r.size(), 1.0);
  if (fit.weighting == kRobustWeighting && !r.empty()) robust_wt(r, w);
  return w;
}

// [SECTION] Consistent statistics

// A positive scale (Km, Vm: stepped in its logarithm) has no meaning below zero: a difference
// that would step from x across zero is taken on the upper side only.
bool steps_across_zero(const LmParameter& par, double x, double step) {
  return par.log_scale && x >= 0.0 && x - step < 0.0;
}

// The Jacobian of the weighted model values (column-major, rows x npar), as jacobian() forms it
// (derivatives.h), of the model to full precision.
std::vector<double> consistent_jacobian(const LeastSquaresProblem& problem, int npar,
                                        const ParamVector& x, std::span<const double> w) {
  const auto n = static_cast<std::size_t>(problem.rows);
  std::vector<double> jac(n * static_cast<std::size_t>(npar));
  const std::vector<double> r0 = residuals_at(problem, npar, x);
  for (int j = 0; j < npar; ++j) {
    const double h =
        std::max((std::fabs(x[j]) + kJacobianStepFactor) * kJacobianStepFactor, kMinStep);
    const auto at = [&](double step) {
      ParamVector moved = x;
      moved[j] = x[j] + step;
      return residuals_at(problem, npar, moved);
    };
    const std::vector<double> up = at(h);
    const std::vector<double> up_big = at(2.0 * h);
    double* column = jac.data() + n * j;
    // The model is Y - r, so its differences are those of -r.
    if (steps_across_zero(problem.parameters[j], x[j], 2.0 * h)) {
      for (std::size_t i = 0; i < n; ++i) {
        const double d1 = r0[i] - up[i];
        const double d2 = r0[i] - up_big[i];
        column[i] = (4.0 * d1 - d2) / (2.0 * h) * w[i];
      }
      continue;
    }
    const std::vector<double> down = at(-h);
    const std::vector<double> down_big = at(-2.0 * h);
    for (std::size_t i = 0; i < n; ++i) {
      const double wide = (down_big[i] - up_big[i]) / (2.0 * h);
      const double narrow = (down[i] - up[i]) / h;
      column[i] = (wide + narrow) * 0.25 * w[i];
    }
  }
  for (double& v : jac) v = std::clamp(v, -kMaxJacobianEntry, kMaxJacobianEntry);
  return jac;
}

// The gradient of S with the weights w held, as derivatives() forms it (derivatives.h).
ParamVector consistent_gradient(const LeastSquaresProblem& problem, int npar, const ParamVector& x,
                                std::span<const double> w, double at_x) {
  ParamVector g{};
  for (int j = 0; j < npar; ++j) {
    const double step =
        std::max((std::fabs(x[j]) + kGradientStepFactor) * kGradientStepFactor, kMinStep);
    ParamVector moved = x;
    moved[j] = x[j] + step;
    const double plus = weighted_ssq(residuals_at(problem, npar, moved), w);
    double difference = 0.0;
    if (steps_across_zero(problem.parameters[j], x[j], step)) {
      difference = plus - at_x;
    } else {
      moved[j] = x[j] - step;
      difference = (plus - weighted_ssq(residuals_at(problem, npar, moved), w)) * 0.5;
    }
    if (std::fabs(difference) < kFlatHalfDifference) {
      g[j] = kFlatSlope;
    } else if (std::fabs(difference) > kMaxHalfDifference) {
      g[j] = std::copysign(kMaxHalfDifference, difference);
    } else {
      g[j] = difference / step;
    }
  }
  return g;
}

// The relative-error penalty, a parameter that is not determined counting as one of unbounded
// standard error (the penalty's cap).
double penalty_of(const ModelFit& fit) {
  ParamVector se = fit.se;
  for (int j = 0; j < fit.npar; ++j) {
    if (fit.undetermined[j]) se[j] = kInfinity;
  }
  return relative_error_penalty(fit.npar, fit.p, se);
}

// [SECTION] Profiles

// The least-squares problem with parameter j held at a value and the others free.
class ProfileProblem {
 public:
  ProfileProblem(const LeastSquaresProblem& problem, int npar, int j, std::vector<double> weights)
      : problem_(problem), npar_(npar), j_(j), weights_(std::move(weights)) {
    for (int k = 0; k < npar; ++k) {
      if (k != j) free_.push_back(problem.parameters[k]);
    }
    full_jacobian_.resize(static_cast<std::size_t>(problem.rows) * npar);
  }

  // The least weighted S with p_j = value, from `start` (all npar values); the solution is
  // written back into start.
  double solve(double value, ParamVector& start) {
    start[j_] = value;
    std::vector<double> q;
    for (int k = 0; k < npar_; ++k) {
      if (k != j_) q.push_back(start[k]);
    }
    const LmEvaluate evaluate = [&](std::span<const double> free_p, std::span<double> r,
                                    std::span<double> jac) {
      ParamVector full = start;
      for (int k = 0, f = 0; k < npar_; ++k) {
        if (k != j_) full[k] = free_p[f++];
      }
      const std::span<const double> p(full.data(), npar_);
      if (jac.empty()) {
        problem_.evaluate(p, r, {});
        return;
      }
      problem_.evaluate(p, r, full_jacobian_);
      const std::ptrdiff_t rows = problem_.rows;  // iterator offsets below are signed
      for (int k = 0, f = 0; k < npar_; ++k) {
        if (k == j_) continue;
        std::copy_n(full_jacobian_.begin() + rows * k, rows, jac.begin() + rows * f);
        ++f;
      }
    };
    if (q.empty()) {
      std::vector<double> r(static_cast<std::size_t>(problem_.rows));
      evaluate({}, r, {});
      return weighted_ssq(r, weights_.empty() ? std::vector<double>(r.size(), 1.0) : weights_);
    }
    LmOptions options;
    options.max_iterations = kProfileIterations;
    const LmSummary summary =
        levenberg_marquardt(evaluate, problem_.rows, free_, weights_, q, options);
    bool capped = false;
    for (int k = 0, f = 0; k < npar_; ++k) {
      if (k == j_) continue;
      capped = capped || (!problem_.limit_at_cap[k] && at_cap(free_[f], q[f]));
      start[k] = q[f++];
    }
    // A scale (Km, Vm) traded against another that is held down by the search's cap (Km a
    // billion times the largest [So]): the rise is the cap's, not the data's, and the profile
    // ends open here. The model is linear in a baseline, whose profile the cap does not bend.
    return capped && problem_.parameters[j_].log_scale ? kNaN : summary.final_ssq;
  }

 private:
  static bool at_cap(const LmParameter& par, double v) {
    return par.log_scale && v >= par.upper * (1.0 - kCapTolerance);
  }

  const LeastSquaresProblem& problem_;
  int npar_;
  int j_;
  std::vector<double> weights_;
  std::vector<LmParameter> free_;
  std::vector<double> full_jacobian_;
};

struct ParameterVerdict {
  double low = 0.0;
  double high = 0.0;
  bool undetermined = false;
  bool low_open = false;  // the profile stays low on this side (to the search's end)
  bool high_open = false;
};

ParameterVerdict profile_parameter(const LeastSquaresProblem& problem, const ModelFit& fit, int j,
                                   const std::vector<double>& weights, double ssq, double threshold,
                                   double magnitude) {
  const LmParameter& par = problem.parameters[j];
  const double value = fit.p[j];
  ProfileAxis axis;
  axis.estimate = value;
  axis.log_scale = par.log_scale && par.lower > 0.0 && value > 0.0;
  const double se = fit.se[j];
  if (axis.log_scale) {
    axis.lower = par.lower;
    axis.upper = par.upper;
    axis.first_step = std::isfinite(se) && se > 0.0
                          ? std::clamp(se / value, kSmallestLogStep, kLargestLogStep)
                          : kUnknownLogStep;
  } else {
    const double scale = std::isfinite(se) && se > 0.0 ? std::max(se, 1e-6 * magnitude) : magnitude;
    const double reach = kLinearReach * std::max(scale, magnitude);
    axis.lower = std::isfinite(par.lower) ? par.lower : value - reach;
    axis.upper = std::isfinite(par.upper) ? par.upper : value + reach;
    axis.first_step = scale;
  }
  ParamVector starts[2] = {fit.p, fit.p};  // the last solution below and above
  ProfileProblem profile_problem(problem, fit.npar, j, weights);
  const ProfileInterval interval = profile_interval(
      [&](double v, int side) { return profile_problem.solve(v, starts[side > 0 ? 1 : 0]); }, axis,
      ssq, threshold);

  ParameterVerdict verdict;
  verdict.low = interval.low.limit;
  verdict.high = interval.high.limit;
  if (!interval.low.crossed) {
    verdict.low_open = true;
    // A positive scale only approaches its bound: the profile is open down to zero. A linear
    // parameter takes its bound as a value, which then is its limit.
    if (axis.log_scale || !(par.lower > -kInfinity)) {
      verdict.low = axis.log_scale ? 0.0 : -kInfinity;
      verdict.undetermined = true;
    } else {
      verdict.low = par.lower;
      verdict.low_open = false;
    }
  }
  if (!interval.high.crossed) {
    verdict.high_open = true;
    if (axis.log_scale || !(par.upper < kInfinity)) {
      verdict.high = kInfinity;
      verdict.undetermined = true;
    } else {
      verdict.high = par.upper;
      verdict.high_open = false;
    }
  }
  return verdict;
}

// -1 on the lower bound, +1 on the upper, 0 between.
int bound_side(const LmParameter& par, double value, double magnitude) {
  if (par.log_scale && par.lower > 0.0) {
    if (value <= par.lower * kLogBoundFactor) return -1;
    if (value >= par.upper / kLogBoundFactor) return 1;
    return 0;
  }
  const double tolerance = kLinearBoundTolerance * magnitude;
  if (std::isfinite(par.lower) && value <= par.lower + tolerance) return -1;
  if (std::isfinite(par.upper) && value >= par.upper - tolerance) return 1;
  return 0;
}

// The standard error of the first of `columns` (a combination of parameters) in the linear
// model of the Jacobian columns given, with s^2 = ssq / (n - columns).
double reduced_standard_error(const std::vector<std::vector<double>>& columns, double ssq) {
  const int q = static_cast<int>(columns.size());
  if (q == 0) return kNaN;
  const std::size_t n = columns[0].size();
  if (static_cast<int>(n) <= q) return kNaN;
  // Normal matrix and its inverse by Gauss-Jordan with partial pivoting.
  std::vector<double> a(static_cast<std::size_t>(q * q));
  std::vector<double> inv(static_cast<std::size_t>(q * q), 0.0);
  for (int r = 0; r < q; ++r) {
    inv[r * q + r] = 1.0;
    for (int c = 0; c < q; ++c) {
      double sum = 0.0;
      for (std::size_t i = 0; i < n; ++i) sum += columns[r][i] * columns[c][i];
      a[r * q + c] = sum;
    }
  }
  for (int c = 0; c < q; ++c) {
    int pivot = c;
    for (int r = c + 1; r < q; ++r) {
      if (std::fabs(a[r * q + c]) > std::fabs(a[pivot * q + c])) pivot = r;
    }
    if (!(std::fabs(a[pivot * q + c]) > 0.0)) return kNaN;
    for (int k = 0; k < q; ++k) {
      std::swap(a[c * q + k], a[pivot * q + k]);
      std::swap(inv[c * q + k], inv[pivot * q + k]);
    }
    const double d = a[c * q + c];
    for (int k = 0; k < q; ++k) {
      a[c * q + k] /= d;
      inv[c * q + k] /= d;
    }
    for (int r = 0; r < q; ++r) {
      if (r == c) continue;
      const double f = a[r * q + c];
      for (int k = 0; k < q; ++k) {
        a[r * q + k] -= f * a[c * q + k];
        inv[r * q + k] -= f * inv[c * q + k];
      }
    }
  }
  const double variance = inv[0] * ssq / static_cast<double>(n - q);
  return variance >= 0.0 ? std::sqrt(variance) : kNaN;
}

}  // namespace

void make_report_consistent(ProgressCurveData& data, ModelFit& fit) {
  const int npar = fit.npar;
  const LeastSquaresProblem problem =
      least_squares_problem(data, fit.model, npar, fit.baseline_free);
  if (!problem.usable() || problem.rows != data.nRows) return;
  const std::vector<double> r = residuals_at(problem, npar, fit.p);
  if (!std::all_of(r.begin(), r.end(), [](double v) { return std::isfinite(v); })) return;
  const std::vector<double> w = weights_for(fit, r);
  for (int i = 0; i < problem.rows; ++i) data.Ycalc[i] = data.Y[i] - r[i];
  fit.stage2_ssq = weighted_ssq(r, w);
  fit.gradient = consistent_gradient(problem, npar, fit.p, w, fit.stage2_ssq);
  const std::vector<double> jac = consistent_jacobian(problem, npar, fit.p, w);
  std::fill_n(fit.se.begin(), npar, kNaN);
  std::fill_n(fit.ci.begin(), npar, kNaN);
  ParamMatrix work{};
  SilentObserver silent;
  stderrpar(silent, problem.rows, npar, jac, problem.rows, work, fit.stage2_ssq, fit.se, fit.corr,
            fit.ci);
  fit.penalty = penalty_of(fit);
  fit.aicc = aicc(problem.rows, npar, fit.penalty, fit.stage2_ssq);
}

void assess_fit(const ProgressCurveData& data, ModelFit& fit) {
  const int npar = fit.npar;
  const LeastSquaresProblem problem =
      least_squares_problem(data, fit.model, npar, fit.baseline_free);
  if (!problem.usable() || problem.rows != data.nRows) return;
  const std::vector<double> r = residuals_at(problem, npar, fit.p);
  if (!std::all_of(r.begin(), r.end(), [](double v) { return std::isfinite(v); })) return;
  const std::vector<double> w = weights_for(fit, r);
  const double ssq = weighted_ssq(r, w);
  const double magnitude = data_magnitude(data);
  const double threshold = profile_threshold(ssq, problem.rows, npar);

  std::vector<double> profile_weights;
  if (fit.weighting == kRobustWeighting) profile_weights = w;
  std::array<ParameterVerdict, kMaxParams> verdicts{};
  for (int j = 0; j < npar; ++j) {
    verdicts[j] = profile_parameter(problem, fit, j, profile_weights, ssq, threshold, magnitude);
    fit.profile_low[j] = verdicts[j].low;
    fit.profile_high[j] = verdicts[j].high;
    fit.undetermined[j] = verdicts[j].undetermined;
    fit.on_bound[j] = bound_side(problem.parameters[j], fit.p[j], magnitude);
  }

  // Vm/Km, by the delta method from the Wald covariance.
  const double km = fit.p[0];
  const double vm = fit.p[1];
  fit.vm_over_km = vm / km;
  {
    const double rk = fit.se[0] / km;
    const double rv = fit.se[1] / vm;
    const double rho = fit.corr[param_index(0, 1)];
    const double variance = rk * rk + rv * rv - 2.0 * rho * rk * rv;
    fit.vm_over_km_se = variance >= 0.0 ? std::fabs(fit.vm_over_km) * std::sqrt(variance) : kNaN;
  }

  // Km's kinetic limit, and the combination the data then determine, from the Jacobian with Km
  // held at its value: in the first-order limit the model depends on Vm/Km alone, whose column
  // is Km dy/dVm; in the zero-order limit on Vm.
  fit.limit = KineticLimit::kNone;
  fit.combination = kNaN;
  fit.combination_se = kNaN;
  if (fit.undetermined[0]) {
    const std::vector<double> jac = consistent_jacobian(problem, npar, fit.p, w);
    const std::ptrdiff_t n = problem.rows;  // iterator offsets below are signed
    const auto column = [&](int j) {
      return std::vector<double>(jac.begin() + n * j, jac.begin() + n * (j + 1));
    };
    std::vector<std::vector<double>> columns{column(1)};
    for (int j = 2; j < npar; ++j) columns.push_back(column(j));
    if (verdicts[0].high_open && !verdicts[0].low_open) {
      fit.limit = KineticLimit::kFirstOrder;
      for (double& v : columns[0]) v *= km;
      fit.combination = fit.vm_over_km;
      fit.combination_se = reduced_standard_error(columns, ssq);
      fit.vm_over_km_se = fit.combination_se;
    } else if (verdicts[0].low_open && !verdicts[0].high_open) {
      fit.limit = KineticLimit::kZeroOrder;
      fit.combination = vm;
      fit.combination_se = reduced_standard_error(columns, ssq);
      fit.vm_over_km_se = kNaN;
    }
  }

  std::vector<double> residuals(static_cast<std::size_t>(problem.rows));
  for (int i = 0; i < problem.rows; ++i) residuals[i] = -r[i];
  fit.runs = runs_test(residuals, std::span<const int>(data.curveCount.data(),
                                                       std::clamp(data.nCurves, 0, kMaxCurves)));

  fit.penalty = penalty_of(fit);
  fit.aicc = aicc(problem.rows, npar, fit.penalty, fit.stage2_ssq);
  fit.assessed = true;
}

}  // namespace velmor
