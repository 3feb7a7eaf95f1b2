// SPDX-License-Identifier: MIT
// Cost of the SVD-based minimiser on a smooth three-parameter least-squares problem: time per
// nminsvd call and the evaluation count it needs (counter "nfev").
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>

#include "engine/core/objective.h"
#include "engine/minsvd/minsvd.h"

namespace velmor {
namespace {

constexpr int kPoints = 40;

// Sum of squared residuals of y = p0 exp(-p1 t) + p2 against noiseless data from
// (2.0, 0.5, 0.3), the size of a single progress curve.
class DecayObjective : public Objective {
 public:
  DecayObjective() {
    for (int i = 0; i < kPoints; ++i) {
      t_[i] = 0.25 * i;
      y_[i] = 2.0 * std::exp(-0.5 * t_[i]) + 0.3;
    }
  }
  void calcfg(int n, const ParamVector& x, double& f, ParamVector& g, ConstraintVector&,
              ConstraintNormals&) override {
    f = value(n, x);
    g.fill(0.0);
  }
  double value(int, const ParamVector& x) override {
    double sum = 0.0;
    for (int i = 0; i < kPoints; ++i) {
      const double r = y_[i] - (x[0] * std::exp(-x[1] * t_[i]) + x[2]);
      sum += r * r;
    }
    return sum;
  }
  void bounds_neg(ParamVector&, int, double&) override {}
  int constraint_count() const override { return 0; }
  int equality_count() const override { return 0; }

 private:
  std::array<double, kPoints> t_{};
  std::array<double, kPoints> y_{};
};

void BM_NminsvdDecayFit(benchmark::State& state) {
  DecayObjective objective;
  int nfev = 0;
  int ierr = 0;
  for (auto _ : state) {
    ParamVector x{};
    x[0] = 1.0;
    x[1] = 1.0;
    x[2] = 1.0;
    double f = objective.value(3, x);
    nminsvd(objective, 3, x, f, 10, nfev, ierr);
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(f);
  }
  state.counters["nfev"] = nfev;
  state.counters["ierr"] = ierr;
}
BENCHMARK(BM_NminsvdDecayFit);

}  // namespace
}  // namespace velmor

BENCHMARK_MAIN();
