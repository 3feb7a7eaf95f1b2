// SPDX-License-Identifier: MIT

#include "reference_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

namespace velmor::testing {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// The grid: Km from 1e-6 to 1e6 times the largest [So] (plus the lower bound itself), and the
// initial rate at the largest [So], q = Vm So/(Km + So), from 1e-3 to 1e4 times the mean rate
// of the data; five points a decade in each.
constexpr int kGridPerDecade = 5;
constexpr int kKmDecadesEachSide = 6;
constexpr int kRateDecadesBelow = 3;
constexpr int kRateDecadesAbove = 4;
// The polish may go beyond the grid up to Km = 1e9 largest [So] (first order to 1e-9) and a
// Vm to match; reaching that cap means S has no minimum at finite Km.
constexpr double kKmCapFactor = 1e9;
constexpr double kRateCapFactor = 1e7;
constexpr double kCapMargin = 2.302585092994046;  // ln 10: a polish ending within a decade of
                                                  // the cap is taken as having run towards it
constexpr int kPolishStarts = 4;  // the best local minima of the grid that are polished

// Levenberg-Marquardt control.
constexpr int kMaxIterations = 500;
constexpr double kInitialDamping = 1e-3;
constexpr double kDampingDown = 0.2;
constexpr double kDampingUp = 8.0;
constexpr double kDampingGiveUp = 1e16;  // no step of any length lowers S any more
constexpr double kSmallestStep = 1e-14;  // in ln Km, ln Vm: relative parameter change
constexpr int kRefinementSteps = 4;
constexpr double kRefinementReach = 1e-4;  // undamped steps only this close to the optimum

// The rows in use, with their weights.
struct Rows {
  std::vector<double> t, so, y, w;
  int count() const { return static_cast<int>(t.size()); }
};

Rows rows_in_use(const ProgressCurveData& data, const ReferenceOptions& options) {
  const auto n = static_cast<size_t>(data.nRows);
  if (!options.weights.empty() && options.weights.size() != n) {
    throw std::invalid_argument("reference_fit: one weight per data row is needed");
  }
  if (!options.include.empty() && options.include.size() != n) {
    throw std::invalid_argument("reference_fit: one include flag per data row is needed");
  }
  Rows rows;
  for (size_t i = 0; i < n; ++i) {
    if (!options.include.empty() && !options.include[i]) continue;
    rows.t.push_back(data.X1[i]);
    rows.so.push_back(data.X2[i]);
    rows.y.push_back(data.Y[i]);
    rows.w.push_back(options.weights.empty() ? 1.0 : options.weights[i]);
  }
  return rows;
}

// S, its gradient and Gauss-Newton matrix in (u, v) = (ln Km, ln Vm), with the baseline of
// models 2 and 4 replaced by its best value for the given Km, Vm: the weighted mean residual of
// the model without baseline, or 0 where that mean is negative. Where the baseline is free the
// residuals' Jacobian is the columns minus their weighted means (variable projection, exact for
// one linear parameter); where it is clamped at 0, the columns themselves.
class ProfiledProblem {
 public:
  ProfiledProblem(const Rows& rows, int model, bool baseline_free)
      : rows_(rows),
        base_model_(kind_of_model(model) == DataKind::kProduct ? 1 : 3),
        baseline_(has_baseline(model)),
        baseline_free_(baseline_free),
        f0_(rows.count()),
        cu_(rows.count()),
        cv_(rows.count()) {
    for (double w : rows.w) weight_sum_ += w;
  }

  struct Eval {
    double ssq = kInf;
    double bkg = 0.0;
    bool clamped = false;
    std::array<double, 2> g{};                 // J'r: half the gradient of S
    std::array<std::array<double, 2>, 2> a{};  // J'J
  };

  Eval evaluate(double u, double v, bool with_derivatives) {
    const ModelParams p{std::exp(u), std::exp(v), 0.0};
    const int n = rows_.count();
    for (int i = 0; i < n; ++i) {
      if (with_derivatives) {
        const ModelPoint pt = model_point(base_model_, rows_.t[i], rows_.so[i], p);
        f0_[i] = pt.value;
        cu_[i] = p.km * pt.d_km;
        cv_[i] = p.vm * pt.d_vm;
      } else {
        f0_[i] = model_value(base_model_, rows_.t[i], rows_.so[i], p);
      }
    }
    Eval e;
    if (baseline_ && weight_sum_ > 0.0) {
      double sum = 0.0;
      for (int i = 0; i < n; ++i) sum += rows_.w[i] * (rows_.y[i] - f0_[i]);
      e.bkg = sum / weight_sum_;
      if (!(e.bkg > 0.0) && !baseline_free_) {
        e.bkg = 0.0;
        e.clamped = true;
      }
    }
    double ssq = 0.0;
    for (int i = 0; i < n; ++i) {
      const double r = rows_.y[i] - f0_[i] - e.bkg;
      ssq += rows_.w[i] * r * r;
    }
    e.ssq = ssq;
    if (std::isnan(e.ssq)) e.ssq = kInf;
    if (!with_derivatives) return e;

    double mu = 0.0, mv = 0.0;
    if (baseline_ && !e.clamped) {
      for (int i = 0; i < n; ++i) {
        mu += rows_.w[i] * cu_[i];
        mv += rows_.w[i] * cv_[i];
      }
      mu /= weight_sum_;
      mv /= weight_sum_;
    }
    for (int i = 0; i < n; ++i) {
      const double ju = -(cu_[i] - mu);
      const double jv = -(cv_[i] - mv);
      const double r = rows_.y[i] - f0_[i] - e.bkg;
      const double w = rows_.w[i];
      e.g[0] += w * ju * r;
      e.g[1] += w * jv * r;
      e.a[0][0] += w * ju * ju;
      e.a[0][1] += w * ju * jv;
      e.a[1][1] += w * jv * jv;
    }
    e.a[1][0] = e.a[0][1];
    return e;
  }

 private:
  const Rows& rows_;
  int base_model_;
  bool baseline_;
  bool baseline_free_;
  double weight_sum_ = 0.0;
  std::vector<double> f0_, cu_, cv_;
};

struct Box {
  std::array<double, 2> lo, hi;
  std::array<double, 2> clamp(std::array<double, 2> x) const {
    for (int j = 0; j < 2; ++j) x[j] = std::clamp(x[j], lo[j], hi[j]);
    return x;
  }
};

struct Polished {
  std::array<double, 2> x{};
  double ssq = kInf;
};

// The step that minimises the local model |r + J step|^2 + damping |D step|^2 (Marquardt's
// diagonal scaling D) over the coordinates that are free: a coordinate at a bound whose
// gradient points out of the box stays where it is. Not finite when the system is singular.
std::array<double, 2> damped_step(const ProfiledProblem::Eval& e, const std::array<double, 2>& x,
                                  const Box& box, double damping) {
  std::array<bool, 2> free{};
  for (int j = 0; j < 2; ++j) {
    // g = J'r = (1/2) dS/dx: a positive g asks for a smaller x.
    free[j] = !((x[j] <= box.lo[j] && e.g[j] > 0.0) || (x[j] >= box.hi[j] && e.g[j] < 0.0));
  }
  std::array<std::array<double, 2>, 2> m = e.a;
  for (int j = 0; j < 2; ++j) {
    m[j][j] += damping * std::max(e.a[j][j], std::numeric_limits<double>::min());
  }
  std::array<double, 2> step{};
  if (free[0] && free[1]) {
    const double det = m[0][0] * m[1][1] - m[0][1] * m[1][0];
    step[0] = -(m[1][1] * e.g[0] - m[0][1] * e.g[1]) / det;
    step[1] = -(m[0][0] * e.g[1] - m[1][0] * e.g[0]) / det;
  } else {
    for (int j = 0; j < 2; ++j) step[j] = free[j] ? -e.g[j] / m[j][j] : 0.0;
  }
  return step;
}

// -g'step of the undamped step: the decrease of S a Gauss-Newton step predicts (the Newton
// decrement), independent of the units.
double predicted_decrease(const ProfiledProblem::Eval& e, const std::array<double, 2>& step) {
  return -(e.g[0] * step[0] + e.g[1] * step[1]);
}

// Bounded Levenberg-Marquardt, the step projected into the box. Ends when no damping gives a
// decrease, the step is below kSmallestStep, or no coordinate can move. S can only resolve the
// parameters to about 1e-8 of their standard errors; a few undamped Gauss-Newton steps, kept
// while the predicted decrease shrinks, then bring the gradient itself to rounding level.
Polished polish(ProfiledProblem& problem, std::array<double, 2> x, const Box& box) {
  auto e = problem.evaluate(x[0], x[1], true);
  double damping = kInitialDamping;
  for (int iter = 0; iter < kMaxIterations && damping < kDampingGiveUp; ++iter) {
    const std::array<double, 2> step = damped_step(e, x, box, damping);
    if (!std::isfinite(step[0]) || !std::isfinite(step[1])) {
      damping *= kDampingUp;
      continue;
    }
    const std::array<double, 2> trial = box.clamp({x[0] + step[0], x[1] + step[1]});
    if (trial == x) break;
    const auto te = problem.evaluate(trial[0], trial[1], true);
    if (te.ssq < e.ssq) {
      const double moved = std::max(std::fabs(trial[0] - x[0]), std::fabs(trial[1] - x[1]));
      x = trial;
      e = te;
      damping = std::max(damping * kDampingDown, 1e-15);
      if (moved <= kSmallestStep) break;
    } else {
      damping *= kDampingUp;
    }
  }
  for (int k = 0; k < kRefinementSteps; ++k) {
    const std::array<double, 2> step = damped_step(e, x, box, 0.0);
    const double decrease = predicted_decrease(e, step);
    if (!(std::max(std::fabs(step[0]), std::fabs(step[1])) <= kRefinementReach)) break;
    const std::array<double, 2> trial = box.clamp({x[0] + step[0], x[1] + step[1]});
    const auto te = problem.evaluate(trial[0], trial[1], true);
    if (!(predicted_decrease(te, damped_step(te, trial, box, 0.0)) < decrease) ||
        te.ssq > e.ssq * (1.0 + 1e-9)) {
      break;
    }
    x = trial;
    e = te;
  }
  return {x, e.ssq};
}

// Eigenvalues and vectors of a symmetric n x n matrix (n <= 3) by cyclic Jacobi rotations:
// a = V diag(values) V'.
struct Eigen {
  std::array<double, 3> values{};
  std::array<std::array<double, 3>, 3> vectors{};
};

Eigen symmetric_eigen(std::array<std::array<double, 3>, 3> a, int n) {
  Eigen out;
  for (int i = 0; i < n; ++i) out.vectors[i][i] = 1.0;
  for (int sweep = 0; sweep < 50; ++sweep) {
    double off = 0.0;
    for (int p = 0; p < n; ++p)
      for (int q = p + 1; q < n; ++q) off += a[p][q] * a[p][q];
    if (off == 0.0) break;
    for (int p = 0; p < n; ++p) {
      for (int q = p + 1; q < n; ++q) {
        if (a[p][q] == 0.0) continue;
        const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
        const double t = std::copysign(1.0, theta) / (std::fabs(theta) + std::hypot(theta, 1.0));
        const double c = 1.0 / std::hypot(t, 1.0);
        const double s = t * c;
        for (int k = 0; k < n; ++k) {  // a <- a G
          const double akp = a[k][p], akq = a[k][q];
          a[k][p] = c * akp - s * akq;
          a[k][q] = s * akp + c * akq;
        }
        for (int k = 0; k < n; ++k) {  // a <- G' a
          const double apk = a[p][k], aqk = a[q][k];
          a[p][k] = c * apk - s * aqk;
          a[q][k] = s * apk + c * aqk;
        }
        for (int k = 0; k < n; ++k) {
          const double vkp = out.vectors[k][p], vkq = out.vectors[k][q];
          out.vectors[k][p] = c * vkp - s * vkq;
          out.vectors[k][q] = s * vkp + c * vkq;
        }
      }
    }
  }
  for (int i = 0; i < n; ++i) out.values[i] = a[i][i];
  return out;
}

// Fills the statistics of `fit` at its parameters: S, the standard errors and the condition
// of J'J.
void add_statistics(const Rows& rows, ReferenceFit& fit) {
  const int n = rows.count();
  const int np = fit.npar;
  std::array<std::array<double, 3>, 3> a{};
  double ssq = 0.0;
  for (int i = 0; i < n; ++i) {
    const ModelPoint pt = model_point(fit.model, rows.t[i], rows.so[i], fit.p);
    const std::array<double, 3> j{pt.d_km, pt.d_vm, pt.d_bkg};
    const double r = rows.y[i] - pt.value;
    ssq += rows.w[i] * r * r;
    for (int k = 0; k < np; ++k)
      for (int l = 0; l < np; ++l) a[k][l] += rows.w[i] * j[k] * j[l];
  }
  fit.ssq = ssq;
  fit.se.fill(0.0);
  std::array<double, 3> d{};
  bool usable = n > np;
  for (int k = 0; k < np; ++k) {
    d[k] = std::sqrt(a[k][k]);
    usable = usable && d[k] > 0.0;
  }
  if (!usable) {
    for (int k = 0; k < np; ++k) fit.se[k] = std::numeric_limits<double>::quiet_NaN();
    fit.condition = kInf;
    return;
  }
  std::array<std::array<double, 3>, 3> c{};
  for (int k = 0; k < np; ++k)
    for (int l = 0; l < np; ++l) c[k][l] = a[k][l] / (d[k] * d[l]);
  const Eigen eig = symmetric_eigen(c, np);
  const double largest = *std::max_element(eig.values.begin(), eig.values.begin() + np);
  const double smallest = *std::min_element(eig.values.begin(), eig.values.begin() + np);
  fit.condition = smallest > 0.0 ? largest / smallest : kInf;
  if (!(smallest > 0.0)) {
    for (int k = 0; k < np; ++k) fit.se[k] = std::numeric_limits<double>::quiet_NaN();
    return;
  }
  const double s2 = ssq / (n - np);
  for (int k = 0; k < np; ++k) {  // the diagonal of s^2 (J'J)^-1
    double inv = 0.0;
    for (int e = 0; e < np; ++e) inv += eig.vectors[k][e] * eig.vectors[k][e] / eig.values[e];
    fit.se[k] = std::sqrt(s2 * inv) / d[k];
  }
}

void judge_determination(ReferenceFit& fit) {
  std::string note;
  auto add = [&note](const char* why) { note += note.empty() ? why : std::string(", ") + why; };
  if (fit.km_at_bound) add("Km at bound");
  if (fit.vm_at_bound) add("Vm at bound");
  if (fit.bkg_at_bound) add("bkg at bound");
  if (fit.at_search_limit) add("no finite optimum");
  if (!(fit.condition <= kMaxCorrelationCondition)) add("ill-conditioned");
  if (!(fit.se[0] <= kMaxRelativeSe * fit.p.km) || !(fit.se[1] <= kMaxRelativeSe * fit.p.vm)) {
    add("large se");
  }
  fit.well_determined = note.empty();
  fit.note = note;
}

}  // namespace

ReferenceFit reference_fit(const ProgressCurveData& data, int model,
                           const ReferenceOptions& options) {
  if (model < 1 || model > 4) throw std::invalid_argument("reference_fit: model 1..4");
  const Rows rows = rows_in_use(data, options);
  ReferenceFit fit;
  fit.model = model;
  fit.npar = parameter_count(model);
  fit.rows_used = rows.count();
  if (fit.rows_used <= fit.npar) throw std::invalid_argument("reference_fit: too few rows");

  // Scales of the data.
  const double so_max = *std::max_element(rows.so.begin(), rows.so.end());
  const auto [t_lo, t_hi] = std::minmax_element(rows.t.begin(), rows.t.end());
  const auto [y_lo, y_hi] = std::minmax_element(rows.y.begin(), rows.y.end());
  const double span = *t_hi - *t_lo;
  if (!(so_max > 0.0) || !(span > 0.0)) {
    throw std::invalid_argument("reference_fit: needs [So] > 0 and a time span");
  }
  double rate = (*y_hi - *y_lo) / span;
  if (!(rate > 0.0) || !std::isfinite(rate)) rate = so_max / span;

  const double km_grid_lo =
      std::max(so_max * std::pow(10.0, -kKmDecadesEachSide), options.km_lower);
  const double km_grid_hi =
      std::max(so_max * std::pow(10.0, kKmDecadesEachSide), 10.0 * km_grid_lo);
  std::vector<double> kms;
  if (options.km_lower < km_grid_lo) kms.push_back(options.km_lower);
  for (int i = 0;; ++i) {
    const double km = km_grid_lo * std::pow(10.0, static_cast<double>(i) / kGridPerDecade);
    if (km > km_grid_hi * (1.0 + 1e-9)) break;
    kms.push_back(km);
  }
  std::vector<double> rates;
  for (int k = -kRateDecadesBelow * kGridPerDecade; k <= kRateDecadesAbove * kGridPerDecade; ++k) {
    rates.push_back(rate * std::pow(10.0, static_cast<double>(k) / kGridPerDecade));
  }

  const Box box{
      {std::log(options.km_lower), std::log(options.vm_lower)},
      {std::log(std::max(so_max * kKmCapFactor, 10.0 * options.km_lower)),
       std::log(std::max(rate * kRateCapFactor * (kKmCapFactor + 1.0), 10.0 * options.vm_lower))}};

  ProfiledProblem problem(rows, model, options.baseline_free);
  const int nk = static_cast<int>(kms.size());
  const int nq = static_cast<int>(rates.size());
  std::vector<double> grid(static_cast<size_t>(nk) * nq);
  std::vector<std::array<double, 2>> points(grid.size());
  for (int i = 0; i < nk; ++i) {
    for (int j = 0; j < nq; ++j) {
      const double vm = std::max(options.vm_lower, rates[j] * (kms[i] + so_max) / so_max);
      const std::array<double, 2> x = box.clamp({std::log(kms[i]), std::log(vm)});
      points[i * nq + j] = x;
      grid[i * nq + j] = problem.evaluate(x[0], x[1], false).ssq;
    }
  }
  // Local minima of the grid (no neighbour, diagonals included, lower), best first.
  std::vector<std::pair<double, int>> minima;
  for (int i = 0; i < nk; ++i) {
    for (int j = 0; j < nq; ++j) {
      const double g = grid[i * nq + j];
      bool lowest = true;
      for (int di = -1; di <= 1 && lowest; ++di) {
        for (int dj = -1; dj <= 1; ++dj) {
          const int ii = i + di, jj = j + dj;
          if ((di == 0 && dj == 0) || ii < 0 || jj < 0 || ii >= nk || jj >= nq) continue;
          if (grid[ii * nq + jj] < g) lowest = false;
        }
      }
      if (lowest) minima.emplace_back(g, i * nq + j);
    }
  }
  std::sort(minima.begin(), minima.end());

  Polished best;
  std::vector<std::array<double, 2>> started;
  for (const auto& [g, index] : minima) {
    if (static_cast<int>(started.size()) >= kPolishStarts) break;
    const auto& x = points[index];
    if (std::find(started.begin(), started.end(), x) != started.end()) continue;
    started.push_back(x);
    const Polished p = polish(problem, x, box);
    if (p.ssq < best.ssq || started.size() == 1) best = p;
  }

  const auto e = problem.evaluate(best.x[0], best.x[1], false);
  fit.p = {std::exp(best.x[0]), std::exp(best.x[1]), e.bkg};
  if (best.x[0] <= box.lo[0]) fit.p.km = options.km_lower;
  if (best.x[1] <= box.lo[1]) fit.p.vm = options.vm_lower;
  fit.km_at_bound = best.x[0] <= box.lo[0];
  fit.vm_at_bound = best.x[1] <= box.lo[1];
  fit.bkg_at_bound = has_baseline(model) && e.clamped;
  fit.at_search_limit = best.x[0] >= box.hi[0] - kCapMargin || best.x[1] >= box.hi[1] - kCapMargin;
  add_statistics(rows, fit);
  judge_determination(fit);
  return fit;
}

double reference_ssq(const ProgressCurveData& data, int model, const ModelParams& p,
                     const ReferenceOptions& options) {
  const Rows rows = rows_in_use(data, options);
  double ssq = 0.0;
  for (int i = 0; i < rows.count(); ++i) {
    const double r = rows.y[i] - model_value(model, rows.t[i], rows.so[i], p);
    ssq += rows.w[i] * r * r;
  }
  return ssq;
}

std::array<double, 3> reference_gradient(const ProgressCurveData& data, int model,
                                         const ModelParams& p, const ReferenceOptions& options) {
  const Rows rows = rows_in_use(data, options);
  std::array<double, 3> g{};
  for (int i = 0; i < rows.count(); ++i) {
    const ModelPoint pt = model_point(model, rows.t[i], rows.so[i], p);
    const double r = rows.y[i] - pt.value;
    g[0] -= 2.0 * rows.w[i] * r * pt.d_km;
    g[1] -= 2.0 * rows.w[i] * r * pt.d_vm;
    g[2] -= 2.0 * rows.w[i] * r * pt.d_bkg;
  }
  return g;
}

FitComparison compare_with_reference(const ReferenceFit& reference, double ssq,
                                     const std::array<double, 3>& p,
                                     const std::array<double, 3>& se) {
  FitComparison c;
  c.ssq_excess = reference.ssq > 0.0 ? ssq / reference.ssq - 1.0 : ssq;
  c.reaches_ssq = c.ssq_excess <= kSsqExcessTolerance;
  c.params_match = true;
  c.se_match = true;
  for (int j = 0; j < reference.npar; ++j) {
    const double ref = reference.value(j);
    const double diff = p[j] - ref;
    c.rel_error[j] = diff == 0.0 ? 0.0 : diff / std::fabs(ref);
    c.se_error[j] = diff == 0.0 ? 0.0 : diff / reference.se[j];
    c.se_ratio[j] = se[j] / reference.se[j];
    const bool close = std::fabs(diff) <= kParamRelTolerance * std::fabs(ref) ||
                       std::fabs(diff) <= kParamSeFraction * reference.se[j];
    c.params_match = c.params_match && close;
    c.se_match = c.se_match && std::fabs(c.se_ratio[j] - 1.0) <= kSeRelTolerance;
  }
  return c;
}

double fast_method_target(const ReferenceFit& reference, const ReferenceOptions& options,
                          const std::array<double, 3>& classic_p, double s_classic) {
  if (reference.at_search_limit) return s_classic;
  const bool classic_within_bounds =
      classic_p[0] >= options.km_lower && classic_p[1] >= options.vm_lower && classic_p[2] >= 0.0;
  return classic_within_bounds ? std::min(s_classic, reference.ssq) : reference.ssq;
}

}  // namespace velmor::testing
