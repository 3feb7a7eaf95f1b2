// SPDX-License-Identifier: MIT

#include "engine/model/simplex.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "engine/model/golden_search.h"
#include "engine/model/kinetic_models.h"
#include "engine/model/random_search.h"

namespace velmor {
namespace {

constexpr double kSqrt2 = 1.4142135623730951;
constexpr double kReflection = 1.0;  // xr = 2c - worst
constexpr double kContraction = 0.5;
constexpr double kShrink = 0.5;
constexpr double kRestartSeed = 1024.0;
constexpr double kRestartSeedStep = 64.0;
constexpr int kRestartPasses = 10;
constexpr int kLastRestartIteration = 9;
constexpr double kTouchUpBelow = 1e-6;
constexpr double kTouchUpOffset = 1e-6;

using Vertex = ParamVector;

// Simplex state of one call: n + 1 vertex slots and their stored objective values. A vertex
// that is replaced is written into its own slot.
class NelderMead {
 public:
  NelderMead(Objective& objective, int n, ParamVector& x)
      : objective_(objective), n_(n), x_(x), slots_(n + 1), values_(n + 1) {}

  // Copies point into the caller's x and evaluates it there.
  double evaluate(const Vertex& point) {
    for (int i = 0; i < n_; ++i) x_[i] = point[i];
    return objective_.value(n_, x_);
  }

  void start(double scale) {
    const double n = n_;
    const double r = std::sqrt(n + 1.0) - 1.0;
    const double p = scale * (r + n) / (n * kSqrt2);
    const double q = scale * r / (n * kSqrt2);
    slots_[0] = x_;
    for (int k = 1; k <= n_; ++k) {
      slots_[k] = x_;
      for (int i = 0; i < n_; ++i) slots_[k][i] += (i == k - 1) ? p : q;
    }
    for (int k = 0; k <= n_; ++k) values_[k] = evaluate(slots_[k]);
  }

  // h: first slot of the largest value; l: first of the smallest; s: first slot of the largest
  // value strictly below f(h), or l when there is none.
  void rank() {
    h_ = 0;
    l_ = 0;
    for (int k = 1; k <= n_; ++k) {
      if (values_[k] > values_[h_]) h_ = k;
      if (values_[k] < values_[l_]) l_ = k;
    }
    int s = -1;
    for (int k = 0; k <= n_; ++k) {
      if (values_[k] < values_[h_] && (s < 0 || values_[k] > values_[s])) s = k;
    }
    s_ = s < 0 ? l_ : s;
  }

  void step() {
    Vertex centroid{};
    for (int i = 0; i < n_; ++i) {
      double sum = 0.0;
      for (int k = 0; k <= n_; ++k) {
        if (k != h_) sum += slots_[k][i];
      }
      centroid[i] = sum / n_;
    }
    Vertex reflected{};
    for (int i = 0; i < n_; ++i) {
      reflected[i] = (1.0 + kReflection) * centroid[i] - kReflection * slots_[h_][i];
    }
    const double fr = evaluate(reflected);

    // Written as three tests so that a NaN fr changes nothing.
    if (fr <= values_[l_]) {
      Vertex expanded{};
      for (int i = 0; i < n_; ++i) expanded[i] = 2.0 * reflected[i] - centroid[i];
      const double fe = evaluate(expanded);
      if (fe < fr) {
        replace(h_, expanded, fe);
      } else {
        replace(h_, reflected, fr);
      }
    } else if (values_[l_] < fr && fr <= values_[s_]) {
      replace(h_, reflected, fr);
    } else if (fr > values_[s_]) {
      Vertex contracted{};
      for (int i = 0; i < n_; ++i) {
        contracted[i] = kContraction * centroid[i] + (1.0 - kContraction) * slots_[h_][i];
      }
      const double fc = evaluate(contracted);
      if (fc < values_[h_]) {
        replace(h_, contracted, fc);
      } else {
        shrink();
      }
    }
  }

  // Spread of the stored values of slots 0..n-1 (the last slot is left out), with the divisors
  // n + 1 for the mean and n - 1 for the variance.
  double spread() const {
    double sum = 0.0;
    for (int k = 0; k < n_; ++k) sum += values_[k];
    const double mean = sum / (n_ + 1);
    double squares = 0.0;
    for (int k = 0; k < n_; ++k) squares += (values_[k] - mean) * (values_[k] - mean);
    return std::sqrt(squares / (n_ - 1));
  }

  // Every coordinate of the caller's x below 1e-6 pulls the same coordinate of the best slot
  // towards a small positive value (2/pi) d atan|d| + 1e-6; its stored value is kept.
  void touch_up() {
    for (int i = 0; i < n_; ++i) {
      if (x_[i] < kTouchUpBelow) {
        const double d = slots_[l_][i];
        slots_[l_][i] =
            2.0 * d *
                ((std::atan(std::fabs(d)) + std::numbers::pi / 2.0) / std::numbers::pi - 0.5) +
            kTouchUpOffset;
      }
    }
  }

  // x = the first slot with the smallest stored value; returns its objective.
  double finish() {
    int best = 0;
    for (int k = 1; k <= n_; ++k) {
      if (values_[k] < values_[best]) best = k;
    }
    return evaluate(slots_[best]);
  }

 private:
  void replace(int k, const Vertex& point, double value) {
    slots_[k] = point;
    values_[k] = value;
  }

  // Every slot but l moves halfway to it; only h and then s are evaluated again.
  void shrink() {
    for (int k = 0; k <= n_; ++k) {
      if (k == l_) continue;
      for (int i = 0; i < n_; ++i) {
        slots_[k][i] = slots_[l_][i] + kShrink * (slots_[k][i] - slots_[l_][i]);
      }
    }
    values_[h_] = evaluate(slots_[h_]);
    values_[s_] = evaluate(slots_[s_]);
  }

  Objective& objective_;
  const int n_;
  ParamVector& x_;
  std::vector<Vertex> slots_;
  std::vector<double> values_;
  int h_ = 0;
  int l_ = 0;
  int s_ = 0;
};

}  // namespace

SimplexResult simplex(Objective& objective, FitContext& context, int n, ParamVector& x, double& f,
                      double tol, double scale, int max_iter) {
  SimplexResult result;
  if (n < 1 || n > kMaxParams) {
    f = objective.value(n, x);
    return result;
  }
  const ModelId model = context.imdlno;
  NelderMead search(objective, n, x);
  search.start(scale);
  if (max_iter <= 0) {
    f = search.finish();
    return result;
  }

  double seed = kRestartSeed;
  auto restart = [&](bool with_baseline) {
    seed += kRestartSeedStep;
    int passes = kRestartPasses;
    double restart_f = 0.0;
    dorunrun(objective, context.random.random_value, n, seed, passes, x, restart_f);
    if (with_baseline) golden_ab_search(objective, model, n, x, restart_f);
  };

  for (int it = 1;; ++it) {
    result.iterations = it;
    search.rank();
    search.step();
    const double sd = search.spread();

    // The baseline models restart while the vertices differ at all, the others while they are
    // still spread beyond the tolerance; both only in iterations 1..9.
    const bool baseline = model_has_baseline(model);
    const bool restart_now = it <= kLastRestartIteration && (baseline ? sd > 0.0 : sd > tol);
    bool stop = false;
    if (restart_now) {
      restart(baseline);
      if (it >= max_iter) {
        result.stop = SimplexStop::kIterationLimit;
        stop = true;
      }
    } else if (sd <= tol && it > max_iter / 100) {
      result.stop = SimplexStop::kConverged;
      stop = true;
    }
    if (stop) break;

    search.touch_up();
    if (it + 1 > max_iter) {
      result.stop = SimplexStop::kIterationLimit;
      break;
    }
  }
  f = search.finish();
  return result;
}

}  // namespace velmor
