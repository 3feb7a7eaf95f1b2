// SPDX-License-Identifier: MIT

#include "engine/stats/varmet.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

namespace velmor {

namespace {

constexpr double kInitialDifferenceFactor = 0.00100001;
constexpr double kLargestParameter = 1e15;
constexpr double kScaleOffset = 1e-15;
constexpr int kMaxRuns = 10;
constexpr double kRelativeChange = 1.489966442575134e-7;  // sqrt(2.22e-14)
constexpr double kArmijo = 1e-4;         // sufficient-decrease fraction of the line search
constexpr int kMaxHalvings = 30;         // backtracking steps of one line search
constexpr double kMaxStepFactor = 10.0;  // a step moves no coordinate by more than this
                                         // many times (1 + largest |b(i)|)

// The first n entries of a vector, n-by-n row-major for a matrix, of at most as many parameters as
// the bent line has: the small factor algebra allocates nothing.
constexpr int kMostParameters = std::tuple_size_v<BentLine>;
using Vector = std::array<double, kMostParameters>;
using Dense = std::array<double, kMostParameters * kMostParameters>;

int packed(int n, int i, int j) {
  return i * n - i * (i - 1) / 2 + (j - i);
}  // i <= j

void set_identity(std::span<double> H, int n) {
  for (int i = 0; i < n; ++i) {
    for (int j = i; j < n; ++j) H[packed(n, i, j)] = (i == j) ? 1.0 : 0.0;
  }
}

double smallest_factor(std::span<const double> H, int n) {
  double smallest = H[0];
  for (int i = 1; i < n; ++i) smallest = std::min(smallest, H[packed(n, i, i)]);
  return smallest;
}

// L D L^T of the symmetric matrix a into H. Returns false, leaving H untouched, when a pivot is
// not positive (or not a number).
bool factorize(const Dense& a, std::span<double> H, int n) {
  Dense l{};
  Vector d{};
  for (int j = 0; j < n; ++j) {
    double dj = a[j * n + j];
    for (int k = 0; k < j; ++k) dj -= l[j * n + k] * l[j * n + k] * d[k];
    if (!(dj > 0.0)) return false;
    d[j] = dj;
    for (int i = j + 1; i < n; ++i) {
      double lij = a[i * n + j];
      for (int k = 0; k < j; ++k) lij -= l[i * n + k] * l[j * n + k] * d[k];
      l[i * n + j] = lij / dj;
    }
  }
  for (int i = 0; i < n; ++i) {
    H[packed(n, i, i)] = d[i];
    for (int j = i + 1; j < n; ++j) H[packed(n, i, j)] = l[j * n + i];
  }
  return true;
}

// The dense matrix L D L^T of the factors in H.
Dense expand(std::span<const double> H, int n) {
  Dense l{};
  Vector d{};
  for (int i = 0; i < n; ++i) {
    l[i * n + i] = 1.0;
    d[i] = H[packed(n, i, i)];
    for (int j = i + 1; j < n; ++j) l[j * n + i] = H[packed(n, i, j)];
  }
  Dense a{};
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      double sum = 0.0;
      for (int k = 0; k <= std::min(i, j); ++k) sum += l[i * n + k] * d[k] * l[j * n + k];
      a[i * n + j] = sum;
    }
  }
  return a;
}

// Solves (L D L^T) x = rhs with the factors in H.
Vector solve(std::span<const double> H, int n, Vector x) {
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < i; ++k) x[i] -= H[packed(n, k, i)] * x[k];
  }
  for (int i = 0; i < n; ++i) x[i] /= H[packed(n, i, i)];
  for (int i = n - 1; i >= 0; --i) {
    for (int k = i + 1; k < n; ++k) x[i] -= H[packed(n, i, k)] * x[k];
  }
  return x;
}

// BFGS update of the factors with the step s and the gradient change y; skipped when the pair
// has no positive curvature, and the identity is restored if rounding spoils the factors.
void bfgs_update(std::span<double> H, int n, const Vector& s, const Vector& y) {
  Dense a = expand(H, n);
  Vector as{};
  double sas = 0.0;
  double ys = 0.0;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) as[i] += a[i * n + j] * s[j];
    sas += s[i] * as[i];
    ys += y[i] * s[i];
  }
  if (!(ys > 0.0) || !(sas > 0.0)) return;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) a[i * n + j] += y[i] * y[j] / ys - as[i] * as[j] / sas;
  }
  if (!factorize(a, H, n)) set_identity(H, n);
}

// One run: quasi-Newton iterations from b while the run has evaluations left.
class Run {
 public:
  Run(int n, BentLine& b, const BentLineCurve& curve, std::span<double> H, const Vector& w,
      double eps, int max_fn)
      : n_(n), b_(b), curve_(curve), H_(H), w_(w), eps_(eps), max_fn_(max_fn) {}

  // Returns the objective at the final b.
  double minimise(double f) {
    bool central = false;
    Vector g = gradient(f, central);
    while (evaluations_ < max_fn_) {
      Vector minus_g{};
      for (int i = 0; i < n_; ++i) minus_g[i] = -g[i];
      Vector d = solve(H_, n_, minus_g);
      double slope = dot(g, d);
      if (!(slope < 0.0)) {  // not a descent direction: start again from steepest descent
        set_identity(H_, n_);
        d = minus_g;
        slope = dot(g, d);
        if (!(slope < 0.0)) break;
      }

      double largest_b = 0.0;
      double largest_d = 0.0;
      for (int i = 0; i < n_; ++i) {
        largest_b = std::max(largest_b, std::fabs(b_[i]));
        largest_d = std::max(largest_d, std::fabs(d[i]));
      }
      double alpha = std::min(1.0, kMaxStepFactor * (1.0 + largest_b) / largest_d);
      BentLine trial = b_;
      double f_trial = f;
      bool decreased = false;
      for (int k = 0; k < kMaxHalvings && !decreased; ++k, alpha *= 0.5) {
        for (int i = 0; i < n_; ++i) trial[i] = b_[i] + alpha * d[i];
        f_trial = evaluate(trial);
        decreased = f_trial <= f + kArmijo * alpha * slope;
        if (decreased) break;
      }
      if (!decreased) {
        if (central) break;
        central = true;  // the forward differences may be too coarse here
        g = gradient(f, central);
        continue;
      }

      Vector s{};
      for (int i = 0; i < n_; ++i) s[i] = trial[i] - b_[i];
      b_ = trial;
      f = f_trial;
      const Vector g_new = gradient(f, central);
      Vector y{};
      for (int i = 0; i < n_; ++i) y[i] = g_new[i] - g[i];
      bfgs_update(H_, n_, s, y);
      g = g_new;
    }
    return f;
  }

  double evaluate(const BentLine& b) {
    ++evaluations_;
    return calc_func(n_, b, curve_);
  }

  // A quotient that is not a number is replaced by eps and marks the run.
  bool marked() const { return marked_; }

 private:
  double dot(const Vector& u, const Vector& v) const {
    double sum = 0.0;
    for (int i = 0; i < n_; ++i) sum += u[i] * v[i];
    return sum;
  }

  Vector gradient(double f, bool central) {
    Vector g{};
    const double floor = eps_ * eps_;
    for (int i = 0; i < n_; ++i) {
      double h = eps_ * w_[i];
      if (std::fabs(h) < floor) h = std::copysign(floor, w_[i]);
      BentLine shifted = b_;
      shifted[i] = b_[i] + h;
      const double f_plus = evaluate(shifted);
      double quotient = 0.0;
      if (central) {
        shifted[i] = b_[i] - h;
        quotient = (f_plus - evaluate(shifted)) / (2.0 * h);
      } else {
        quotient = (f_plus - f) / h;
      }
      if (std::isnan(quotient)) {
        quotient = eps_;
        marked_ = true;
      }
      g[i] = quotient;
    }
    return g;
  }

  int n_;
  BentLine& b_;
  const BentLineCurve& curve_;
  std::span<double> H_;
  const Vector& w_;
  double eps_;
  int max_fn_;
  int evaluations_ = 0;
  bool marked_ = false;
};

}  // namespace

void varmet_break_point(int n, BentLine& b, double& f, const BentLineCurve& curve,
                        std::span<double> H, int mode, int maxFn, int& exitCode) {
  exitCode = kVarmetConverged;
  Vector w{};
  for (int i = 0; i < n; ++i) {
    if (b[i] > kLargestParameter) b[i] = kLargestParameter;
    w[i] = std::fabs(b[i]) + kScaleOffset;
  }
  double eps = kInitialDifferenceFactor;

  int run_mode = mode;
  for (int run = 1; run <= kMaxRuns; ++run) {
    bool marked = false;
    if (run_mode == 1) {
      set_identity(H, n);
    } else if (run_mode == 2) {
      Dense a{};
      for (int i = 0; i < n; ++i) {
        for (int j = i; j < n; ++j) a[i * n + j] = a[j * n + i] = H[packed(n, i, j)];
      }
      if (!factorize(a, H, n)) H[0] = 0.0;  // not positive definite: this run is skipped
    }

    Run current(n, b, curve, H, w, eps, maxFn);
    const double f_start = current.evaluate(b);
    double f_end = f_start;
    if (smallest_factor(H, n) > 0.0) {
      f_end = current.minimise(f_start);
      marked = current.marked();
    } else {
      marked = true;  // unusable factors: the next run starts from the identity
    }

    if (run >= 4 && std::fabs(1.0 - f_start / f_end) <= kRelativeChange) break;
    if (run == kMaxRuns) {
      exitCode = kVarmetRunLimit;
      break;
    }
    eps /= 10.0;
    for (int i = 0; i < n; ++i) {
      b[i] += kScaleOffset;
      w[i] = b[i];
    }
    run_mode = marked ? 1 : (run % 2 == 1 ? 3 : 1);
  }
  if (!(smallest_factor(H, n) > 0.0)) set_identity(H, n);
  f = calc_func(n, b, curve);
}

}  // namespace velmor
