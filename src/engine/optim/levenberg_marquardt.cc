// SPDX-License-Identifier: MIT

#include "engine/optim/levenberg_marquardt.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace velmor {
namespace {

constexpr double kLambdaGrowth = 10.0;
constexpr double kLambdaShrink = 0.1;
constexpr double kSmallestLambda = 1e-15;
// Marquardt's scaling uses the diagonal of J'WJ; a column that is (nearly) zero gets this
// fraction of the largest diagonal entry, so the damped matrix stays positive definite.
constexpr double kDiagonalFloor = 1e-30;

// The stepped variables u (ln p or p) and their bounds.
struct Variables {
  std::vector<double> u, lower, upper;
  std::vector<bool> log_scale;

  double to_p(int j, double v) const { return log_scale[j] ? std::exp(v) : v; }
  // d p / d u
  double slope(int j, double p) const { return log_scale[j] ? p : 1.0; }
};

Variables variables_of(std::span<const LmParameter> parameters, const std::vector<double>& p) {
  Variables v;
  for (std::size_t j = 0; j < parameters.size(); ++j) {
    const LmParameter& par = parameters[j];
    const bool log_scale = par.log_scale && par.lower > 0.0;
    v.log_scale.push_back(log_scale);
    v.lower.push_back(log_scale ? std::log(par.lower) : par.lower);
    v.upper.push_back(log_scale ? std::log(par.upper) : par.upper);
    const double pj = std::clamp(p[j], par.lower, par.upper);
    v.u.push_back(log_scale ? std::log(pj) : pj);
  }
  return v;
}

// A point with its residuals, Jacobian (with respect to p) and S.
struct Point {
  std::vector<double> u, p, r, jac;
  double ssq = 0.0;
};

class Evaluator {
 public:
  Evaluator(const LmEvaluate& evaluate, int rows, std::span<const double> weights, int n)
      : evaluate_(evaluate), rows_(rows), weights_(weights), n_(n) {}

  // Evaluates the point u into x, reusing x's storage (the solver keeps two points and swaps
  // them, so a solve allocates nothing per evaluation).
  void at(const Variables& v, const std::vector<double>& u, Point& x) {
    x.u = u;
    x.p.resize(n_);
    for (int j = 0; j < n_; ++j) x.p[j] = v.to_p(j, u[j]);
    x.r.assign(rows_, 0.0);
    x.jac.assign(static_cast<std::size_t>(rows_) * n_, 0.0);
    evaluate_(x.p, x.r, x.jac);
    ++evaluations;
    double ssq = 0.0;
    for (int i = 0; i < rows_; ++i) ssq += weight(i) * x.r[i] * x.r[i];
    x.ssq = std::isfinite(ssq) ? ssq : std::numeric_limits<double>::infinity();
  }
  double weight(int i) const { return weights_.empty() ? 1.0 : weights_[i]; }

  int evaluations = 0;

 private:
  const LmEvaluate& evaluate_;
  int rows_;
  std::span<const double> weights_;
  int n_;
};

// Solves the symmetric positive definite system a x = b (order n, column-major) by Cholesky,
// overwriting a with its factor; false when a pivot is not positive.
bool cholesky_solve(std::vector<double>& a, std::vector<double>& b, int n) {
  for (int j = 0; j < n; ++j) {
    double d = a[j + n * j];
    for (int k = 0; k < j; ++k) d -= a[j + n * k] * a[j + n * k];
    if (!(d > 0.0)) return false;
    const double l = std::sqrt(d);
    a[j + n * j] = l;
    for (int i = j + 1; i < n; ++i) {
      double s = a[i + n * j];
      for (int k = 0; k < j; ++k) s -= a[i + n * k] * a[j + n * k];
      a[i + n * j] = s / l;
    }
  }
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < i; ++k) b[i] -= a[i + n * k] * b[k];
    b[i] /= a[i + n * i];
  }
  for (int i = n - 1; i >= 0; --i) {
    for (int k = i + 1; k < n; ++k) b[i] -= a[k + n * i] * b[k];
    b[i] /= a[i + n * i];
  }
  return true;
}

}  // namespace

LmSummary levenberg_marquardt(const LmEvaluate& evaluate, int rows,
                              std::span<const LmParameter> parameters,
                              std::span<const double> weights, std::vector<double>& p,
                              const LmOptions& options) {
  const int n = static_cast<int>(parameters.size());
  Variables v = variables_of(parameters, p);
  Evaluator evaluator(evaluate, rows, weights, n);
  LmSummary summary;

  Point x;
  Point trial;
  evaluator.at(v, v.u, x);
  p = x.p;
  summary.initial_ssq = x.ssq;
  summary.final_ssq = x.ssq;
  summary.evaluations = evaluator.evaluations;
  if (!std::isfinite(x.ssq)) {
    summary.stop = LmStop::kNonFiniteStart;
    return summary;
  }

  double lambda = options.initial_lambda;
  std::vector<double> g(n), a(static_cast<std::size_t>(n) * n);
  // Storage of the steps, sized once: an iteration allocates nothing.
  std::vector<int> free;
  std::vector<double> m;
  std::vector<double> step;
  std::vector<double> u;
  free.reserve(n);
  m.reserve(static_cast<std::size_t>(n) * n);
  step.reserve(n);
  u.reserve(n);
  for (;;) {
    // Half the gradient of S and the Gauss-Newton matrix, both in the stepped variables.
    std::fill(g.begin(), g.end(), 0.0);
    std::fill(a.begin(), a.end(), 0.0);
    for (int i = 0; i < rows; ++i) {
      const double w = evaluator.weight(i);
      if (w == 0.0) continue;
      for (int j = 0; j < n; ++j) {
        const double jij = x.jac[i + static_cast<std::size_t>(rows) * j] * v.slope(j, x.p[j]);
        g[j] += w * x.r[i] * jij;
        for (int k = 0; k <= j; ++k) {
          const double jik = x.jac[i + static_cast<std::size_t>(rows) * k] * v.slope(k, x.p[k]);
          a[j + n * k] += w * jij * jik;
        }
      }
    }
    for (int j = 0; j < n; ++j) {
      for (int k = 0; k < j; ++k) a[k + n * j] = a[j + n * k];
    }

    // A variable at a bound that S would push further out stays there for this step.
    free.clear();
    double newton_decrease = 0.0;  // what a Gauss-Newton step along each free axis would gain
    double largest_diagonal = 0.0;
    for (int j = 0; j < n; ++j) largest_diagonal = std::max(largest_diagonal, a[j + n * j]);
    for (int j = 0; j < n; ++j) {
      const bool held =
          (x.u[j] <= v.lower[j] && g[j] > 0.0) || (x.u[j] >= v.upper[j] && g[j] < 0.0);
      if (held) continue;
      free.push_back(j);
      const double d = std::max(a[j + n * j], kDiagonalFloor * largest_diagonal);
      if (d > 0.0) newton_decrease += g[j] * g[j] / d;
    }
    if (x.ssq == 0.0 || free.empty() || !(newton_decrease > options.gradient_tolerance * x.ssq)) {
      summary.stop = LmStop::kGradientVanished;
      break;
    }
    if (summary.iterations >= options.max_iterations) {
      summary.stop = LmStop::kIterationLimit;
      break;
    }

    // Damped steps until one lowers S.
    const int nf = static_cast<int>(free.size());
    bool accepted = false;
    bool converged = false;
    while (!accepted) {
      m.assign(static_cast<std::size_t>(nf) * nf, 0.0);
      step.assign(nf, 0.0);
      for (int c = 0; c < nf; ++c) {
        for (int r = 0; r < nf; ++r) m[r + nf * c] = a[free[r] + n * free[c]];
        const double d = std::max(a[free[c] + n * free[c]], kDiagonalFloor * largest_diagonal);
        m[c + nf * c] += lambda * d;
        step[c] = -g[free[c]];
      }
      if (cholesky_solve(m, step, nf)) {
        u = x.u;
        double length = 0.0;
        double size = 0.0;
        for (int c = 0; c < nf; ++c) {
          const int j = free[c];
          u[j] = std::clamp(x.u[j] + step[c], v.lower[j], v.upper[j]);
          length += (u[j] - x.u[j]) * (u[j] - x.u[j]);
          size += x.u[j] * x.u[j];
        }
        const bool tiny_step = std::sqrt(length) <=
                               options.step_tolerance * (std::sqrt(size) + options.step_tolerance);
        evaluator.at(v, u, trial);
        if (trial.ssq < x.ssq) {
          const double decrease = (x.ssq - trial.ssq) / x.ssq;
          converged = tiny_step || decrease <= options.function_tolerance;
          std::swap(x, trial);
          lambda = std::max(lambda * kLambdaShrink, kSmallestLambda);
          accepted = true;
          break;
        }
        if (tiny_step) {
          converged = true;
          break;
        }
      }
      lambda *= kLambdaGrowth;
      if (lambda > options.max_lambda) break;
    }
    if (accepted) ++summary.iterations;
    if (converged) {
      summary.stop = LmStop::kConverged;
      break;
    }
    if (!accepted) {
      summary.stop = LmStop::kNoDescent;
      break;
    }
  }
  p = x.p;
  summary.final_ssq = x.ssq;
  summary.evaluations = evaluator.evaluations;
  return summary;
}

}  // namespace velmor
