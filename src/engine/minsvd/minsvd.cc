// SPDX-License-Identifier: MIT

#include "engine/minsvd/minsvd.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

#include "engine/core/limits.h"
#include "engine/minsvd/line_search.h"
#include "engine/minsvd/svd.h"

namespace velmor {
namespace {

constexpr double kPositiveFloor = 2.22e-16;  // components below this are repaired
constexpr double kRepairHalfPi = 1.570795;   // pi/2 and pi as the repair has always been
constexpr double kRepairPi = 3.14159;        // written; the offset they leave at 0 is 1.6e-7
constexpr double kRepairOffset = 1e-6;       // smallest value a repaired component takes
constexpr double kUnitTrialStep = 1.0;       // trial step of a direction with no step yet

// The work matrix of one nminf run, n-by-(n + 2), column-major with leading dimension n:
// columns 0..n-1 the current directions, column n the singular values of the rebuilt set and
// column n + 1 the decomposition's scratch. Allocated once per run.
class DirectionSet {
 public:
  explicit DirectionSet(int n)
      : n_(n), work_(static_cast<std::size_t>(n) * static_cast<std::size_t>(n + 2), 0.0) {
    for (int j = 0; j < n; ++j) column(j)[j] = 1.0;
  }

  std::span<double> column(int j) {
    return std::span<double>(work_).subspan(static_cast<std::size_t>(n_) * j, n_);
  }
  std::span<double> directions() {
    return std::span<double>(work_).first(static_cast<std::size_t>(n_) * n_);
  }
  std::span<double> singular_values() { return column(n_); }
  std::span<double> scratch() { return column(n_ + 1); }

  // Drops direction j, moving directions j+1..n-1 one place forward; the last column keeps
  // its old contents until overwritten.
  void remove(int j) {
    for (int k = j; k < n_ - 1; ++k) std::ranges::copy(column(k + 1), column(k).begin());
  }

 private:
  int n_;
  std::vector<double> work_;
};

}  // namespace

void repair_positivity(ParamVector& x, int n) {
  for (int i = 0; i < n; ++i) {
    if (x[i] < kPositiveFloor) {
      x[i] =
          std::abs(((std::atan(std::abs(x[i])) + kRepairHalfPi) / kRepairPi - 0.5) * 2.0 * x[i]) +
          kRepairOffset;
    }
  }
}

double rebuilt_step_length(double sigma, double f_d, double f_end) {
  // For a quadratic with curvature 1/sigma^2 along the direction, a step of sigma sqrt(df)
  // changes f by df; the last search's drop f_d - f_end is that scale. When the repair made
  // the drop negative its magnitude is still the size of change the cycle ended with.
  const double step = sigma * std::sqrt(std::abs(f_d - f_end));
  return std::isfinite(step) ? step : 0.0;
}

void nminf(Objective& objective, int n, ParamVector& x, double& f, int maxit, int& nf, double rtol,
           double atol, int& ierr) {
  nf = 0;
  ierr = kMinsvdOk;
  // 1. Refusals leave x and f untouched.
  if (n < 2) {
    ierr = kMinsvdTooFewParams;
    return;
  }
  if (n > kMaxParams) {
    ierr = kMinsvdDimension;
    return;
  }
  if (maxit < 1) {
    ierr = kMinsvdCycleLimit;
    return;
  }
  DirectionSet set(n);
  ParamVector s{};  // step of the last search along each direction; 0 = none yet
  ParamVector d{};  // curvature estimate along each direction
  ++nf;
  f = objective.value(n, x);

  // One line search along direction j from x with the given trial step; moves x (signed, the
  // objective sees |x|) and f, and records the step and curvature estimate of direction j.
  const auto search = [&](int j, double trial_step) {
    double t = 0.0;
    double f_after = f;
    int line_ierr = kMinsvdOk;
    linmnf(objective, t, trial_step, f_after, rtol, atol, line_ierr, set.column(j), x, n, nf);
    if (line_ierr != kMinsvdOk) ierr = line_ierr;
    s[j] = t;
    if (t != 0.0) d[j] = std::abs((f - f_after) / (t * t));
    const std::span<const double> v = set.column(j);
    for (int i = 0; i < n; ++i) x[i] += t * v[i];
    f = f_after;
  };

  for (int cycle = 1;; ++cycle) {
    // 2. n passes.
    const double f0 = f;
    double f_d = f;  // f before the last displacement search of the cycle
    for (int k = 0; k < n; ++k) {
      const ParamVector x_start = x;
      int best = 0;
      double best_decrease = 0.0;
      for (int j = 0; j < n; ++j) {
        const double f_before = f;
        search(j, s[j] != 0.0 ? s[j] : kUnitTrialStep);
        // The last k directions are this cycle's displacements; a later equal decrease wins.
        if (j < n - k && f_before - f >= best_decrease) {
          best = j;
          best_decrease = f_before - f;
        }
      }
      set.remove(best);
      for (int j = best; j < n - 1; ++j) {
        s[j] = s[j + 1];
        d[j] = d[j + 1];
      }
      // The reversed displacement: trial step 1 returns to x_start, so the bracketing step
      // extrapolates beyond x.
      const std::span<double> last = set.column(n - 1);
      for (int i = 0; i < n; ++i) last[i] = x_start[i] - x[i];
      f_d = f;
      search(n - 1, kUnitTrialStep);
    }

    // 3. Keep x positive and evaluate there.
    repair_positivity(x, n);
    ++nf;
    f = objective.value(n, x);
    const double f_end = f;

    // 4. Convergence, or the end of a run in which a line search failed.
    if (std::abs(f - f0) < std::max(std::abs(f) * rtol, atol)) return;
    if (ierr != kMinsvdOk) return;

    // 5. Rebuild the directions from the decomposition of the curvature-scaled set; the left
    // singular vectors become the directions.
    for (int j = 0; j < n; ++j) {
      if (d[j] > 0.0) {
        const double scale = std::sqrt(d[j]);
        for (double& component : set.column(j)) component /= scale;
      }
    }
    const int svd_ierr =
        svd_decompose(n, n, set.directions(), n, set.singular_values(), {}, n, set.scratch());
    if (svd_ierr != kSvdOk) {
      ierr = svd_ierr == kSvdDimension ? kMinsvdDimension : kMinsvdSvdNoConvergence;
      return;
    }
    const std::span<const double> sigma = set.singular_values();
    for (int j = 0; j < n; ++j) {
      s[j] = rebuilt_step_length(sigma[j], f_d, f_end);
      d[j] = sigma[j] != 0.0 ? 1.0 / (sigma[j] * sigma[j]) : 0.0;
    }

    // 6. Cycle limit.
    if (cycle >= maxit) {
      ierr = kMinsvdCycleLimit;
      return;
    }
  }
}

void nminsvd(Objective& objective, int n, ParamVector& x, double& f, int maxit, int& nfev,
             int& ierr) {
  nfev = 0;
  ierr = kMinsvdOk;
  for (int restart = 0; restart < kMinsvdMaxRestarts; ++restart) {
    double f_new = f;
    int nf = 0;
    nminf(objective, n, x, f_new, maxit, nf, kMinsvdRtol, kMinsvdAtol, ierr);
    nfev += nf;
    // f keeps the previous run's value here; it is within the tolerance of f_new.
    if (std::abs(f - f_new) < std::max(std::abs(f_new) * kMinsvdRtol, kMinsvdAtol)) return;
    f = f_new;
  }
}

}  // namespace velmor
