// SPDX-License-Identifier: MIT
// Speed of the constrained stage's pieces: one subproblem of the size the optimiser builds for
// a three-parameter model (N = 4 variables, M = 5 + 8 constraints), cold and warm, and a whole
// sqp_optimize run on a small constrained problem.
#include <benchmark/benchmark.h>

#include <cmath>

#include "engine/core/machine_constants.h"
#include "engine/optim/qp_solve.h"
#include "engine/optim/sqp_optimize.h"

namespace velmor {
namespace {

// The subproblem of a model-2 fit: step d(3) and relaxation r, the constraints
// x_i >= 0 (i = 1..3) and x_i >= 1e-6 (i = 1, 2) linearised at x = (0.5, -1e-3, 2), with a
// quasi-Newton matrix that couples the parameters.
struct Subproblem {
  static constexpr int kN = 4;
  static constexpr int kMg = 5;
  double a[kN * kN] = {4, 1, 0.5, 0, 1, 3, 0.2, 0, 0.5, 0.2, 2, 0, 0, 0, 0, 0};
  double q[kN] = {1.0, -2.0, 0.5, kBig};
  double g[kN * kMg] = {};
  double b[kMg] = {};
  double bl[kN] = {-kBig, -kBig, -kBig, 0};
  double bu[kN] = {kBig, kBig, kBig, 1};

  Subproblem() {
    const double x[3] = {0.5, -1e-3, 2.0};
    const double c[kMg] = {x[0], x[1], x[2], x[0] - 1e-6, x[1] - 1e-6};
    const int var[kMg] = {0, 1, 2, 0, 1};
    for (int k = 0; k < kMg; ++k) {
      g[var[k] + kN * k] = 1.0;
      if (c[k] < 0) {
        g[3 + kN * k] = c[k];
        b[k] = 0.0;
      } else {
        b[k] = -c[k];
      }
    }
  }

  QpProblem problem() const {
    QpProblem p;
    p.n = kN;
    p.m = kMg + 2 * kN;
    p.a = a;
    p.lda = kN;
    p.q = q;
    p.g = g;
    p.ldg = kN;
    p.b = b;
    p.bl = bl;
    p.bu = bu;
    return p;
  }
};

void BM_QpSolveColdStart(benchmark::State& state) {
  const Subproblem sub;
  const QpProblem p = sub.problem();
  QpWorkspace work;
  for (auto _ : state) {
    work.x = {0, 0, 0, 1};
    const QpOutcome outcome = qp_solve(p, work, kQpColdStart);
    benchmark::DoNotOptimize(outcome);
    benchmark::DoNotOptimize(work.x);
  }
}
BENCHMARK(BM_QpSolveColdStart);

void BM_QpSolveWarmStart(benchmark::State& state) {
  const Subproblem sub;
  const QpProblem p = sub.problem();
  QpWorkspace work;
  work.x = {0, 0, 0, 1};
  qp_solve(p, work, kQpColdStart);
  for (auto _ : state) {
    work.x = {0, 0, 0, 1};
    const QpOutcome outcome = qp_solve(p, work, kQpWarmStart);
    benchmark::DoNotOptimize(outcome);
    benchmark::DoNotOptimize(work.x);
  }
}
BENCHMARK(BM_QpSolveWarmStart);

// A three-parameter least-squares-like objective with the model constraints of models 2 and
// 4; the unconstrained minimiser has a negative second parameter, so a constraint binds.
class SmallObjective : public Objective {
 public:
  void calcfg(int n, const ParamVector& x, double& f, ParamVector& g, ConstraintVector& c,
              ConstraintNormals& cnorm) override {
    g.fill(0.0);
    cnorm.fill(0.0);
    f = value(n, x);
    g[0] = 2 * (x[0] - 2) + 0.5 * (x[1] + 0.5);
    g[1] = 4 * (x[1] + 0.5) + 0.5 * (x[0] - 2);
    g[2] = 2 * (x[2] - 1);
    c[0] = x[0];
    c[1] = x[1];
    c[2] = x[2];
    c[3] = x[0] - 1e-6;
    c[4] = x[1] - 1e-6;
    const int var[5] = {0, 1, 2, 0, 1};
    for (int k = 0; k < 5; ++k) cnorm[normal_index(var[k], k)] = 1.0;
  }
  double value(int, const ParamVector& x) override {
    return std::pow(x[0] - 2, 2) + 2 * std::pow(x[1] + 0.5, 2) + std::pow(x[2] - 1, 2) +
           0.5 * (x[0] - 2) * (x[1] + 0.5);
  }
  void bounds_neg(ParamVector& x, int n, double& f) override {
    for (int i = 0; i < n; ++i) {
      if (x[i] < 2.22e-16) {
        x[i] = (2 / M_PI) * std::fabs(x[i]) * std::atan(std::fabs(x[i])) + 1e-6;
        f *= 2;
      }
    }
  }
  int constraint_count() const override { return 5; }
  int equality_count() const override { return 0; }
};

void BM_SqpOptimizeSmallProblem(benchmark::State& state) {
  SmallObjective objective;
  SqpWork work;
  for (auto _ : state) {
    ParamVector x{};
    x[0] = 1.0;
    x[1] = 1.0;
    x[2] = 1.0;
    double f = 0.0;
    ParamVector g{};
    ConstraintVector c{};
    ConstraintNormals cnorm{};
    int info = -1;
    double conv = kBig;
    int niter = 0;
    int qpmode = kQpColdStart;
    work.clear();
    sqp_optimize(objective, 3, x, f, g, c, cnorm, 299, kTol, info, 10, conv, niter, qpmode, work);
    benchmark::DoNotOptimize(x);
    state.counters["iterations"] = niter;
    state.counters["info"] = info;
  }
}
BENCHMARK(BM_SqpOptimizeSmallProblem);

}  // namespace
}  // namespace velmor

BENCHMARK_MAIN();
