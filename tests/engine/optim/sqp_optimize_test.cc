// SPDX-License-Identifier: MIT

#include "engine/optim/sqp_optimize.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "engine/core/machine_constants.h"

namespace velmor {
namespace {

using Function = std::function<double(const ParamVector& x, ParamVector& g)>;  // f, filling g
using Constraints = std::function<void(const ParamVector&, ConstraintVector&, ConstraintNormals&)>;

// Records every point calcfg saw.
class TestObjective : public Objective {
 public:
  TestObjective(Function f, int m = 0, int meq = 0, Constraints c = {})
      : f_(std::move(f)), c_(std::move(c)), m_(m), meq_(meq) {}
  void calcfg(int, const ParamVector& x, double& f, ParamVector& g, ConstraintVector& c,
              ConstraintNormals& cnorm) override {
    seen.push_back(x);
    g.fill(0.0);
    cnorm.fill(0.0);
    f = f_(x, g);
    if (c_) c_(x, c, cnorm);
  }
  double value(int, const ParamVector& x) override {
    ParamVector g{};
    return f_(x, g);
  }
  void bounds_neg(ParamVector&, int, double&) override {}
  int constraint_count() const override { return m_; }
  int equality_count() const override { return meq_; }

  std::vector<ParamVector> seen;

 private:
  Function f_;
  Constraints c_;
  int m_, meq_;
};

// Linear constraints a1 x1 + a2 x2 + b, one {a1, a2, b} per constraint.
TestObjective linear(Function f, const std::vector<std::array<double, 3>>& rows, int meq = 0) {
  const int m = static_cast<int>(rows.size());
  return TestObjective(std::move(f), m, meq,
                       [rows](const ParamVector& x, ConstraintVector& c, ConstraintNormals& cn) {
                         for (int k = 0; k < static_cast<int>(rows.size()); ++k) {
                           c[k] = rows[k][0] * x[0] + rows[k][1] * x[1] + rows[k][2];
                           cn[normal_index(0, k)] = rows[k][0];
                           cn[normal_index(1, k)] = rows[k][1];
                         }
                       });
}

Function quadratic(const std::vector<double>& centre, const std::vector<double>& w = {1, 1, 1}) {
  return [=](const ParamVector& x, ParamVector& g) {
    double s = 0.0;
    for (std::size_t i = 0; i < centre.size(); ++i) {
      s += w[i] * (x[i] - centre[i]) * (x[i] - centre[i]);
      g[i] = 2 * w[i] * (x[i] - centre[i]);
    }
    return s;
  };
}

Function rosenbrock() {
  return [](const ParamVector& x, ParamVector& g) {
    g[0] = -400 * x[0] * (x[1] - x[0] * x[0]) - 2 * (1 - x[0]);
    g[1] = 200 * (x[1] - x[0] * x[0]);
    return 100 * std::pow(x[1] - x[0] * x[0], 2) + std::pow(1 - x[0], 2);
  };
}

struct SqpRun {
  ParamVector x{};
  double f = 0.0, conv = kBig;
  int info = -1, niter = 0;
};

// As the fit driver calls it: info = -1, niter = 0, qpmode = 1, maxls = 10, a cleared work area.
SqpRun run_sqp(TestObjective& obj, std::vector<double> start, int maxiter = 299,
               double tol = kTol) {
  SqpRun r;
  std::copy(start.begin(), start.end(), r.x.begin());
  ParamVector g{};
  ConstraintVector c{};
  ConstraintNormals cnorm{};
  SqpWork work;
  int qpmode = kQpColdStart;
  sqp_optimize(obj, static_cast<int>(start.size()), r.x, r.f, g, c, cnorm, maxiter, tol, r.info, 10,
               r.conv, r.niter, qpmode, work);
  return r;
}

// Known solutions; on the equality, rounding may end the run with code 3 or 4 near it.
TEST(SqpOptimize, ReachesKnownSolutions) {
  // x1 + x2 + x3 = 4 and x1 >= 0 (inactive).
  const Constraints plane = [](const ParamVector& x, ConstraintVector& c, ConstraintNormals& cn) {
    c[0] = x[0] + x[1] + x[2] - 4;
    c[1] = x[0];
    for (int i = 0; i < 3; ++i) cn[normal_index(i, 0)] = 1;
    cn[normal_index(0, 1)] = 1;
  };
  const struct {
    const char* name;
    TestObjective objective;
    std::vector<double> start, solution;
    double accuracy;
    bool stall_allowed;
  } kCases[] = {
      // clang-format off
      {"active bound", linear(quadratic({3, -1}), {{1, 0, 0}, {0, 1, -0.5}}), {1, 2}, {3, 0.5}, 1e-7, false},
      {"rosenbrock cut", linear(rosenbrock(), {{-1, 0, 0.5}}), {-1.2, 1}, {0.5, 0.25}, 1e-6, false},
      {"equality", TestObjective(quadratic({0, 0, 0}, {1, 2, 1}), 2, 1, plane), {1, 1, 1}, {1.6, 0.8, 1.6}, 1e-6, true},
      // clang-format on
  };
  for (auto c : kCases) {
    const SqpRun r = run_sqp(c.objective, c.start);
    if (!(c.stall_allowed && (r.info == kSqpUphill || r.info == kSqpLineSearchLimit))) {
      EXPECT_EQ(r.info, kSqpConverged) << c.name;
      EXPECT_LE(r.conv, kTol) << c.name;
    }
    for (std::size_t i = 0; i < c.start.size(); ++i) {
      EXPECT_NEAR(r.x[i], c.solution[i], c.accuracy) << c.name << i;
    }
    EXPECT_EQ(r.f, c.objective.value(static_cast<int>(c.start.size()), r.x)) << c.name;
  }
}

// Every return code with the iterations at which the rules stop the run.
TEST(SqpOptimize, StopsWithTheDocumentedCodes) {
  const Function falling = [](const ParamVector& x,
                              ParamVector& g) {  // a tolerance of 0 is never met
    g[0] = -std::exp(-x[0]);
    return std::exp(-x[0]);
  };
  const Function wrong_gradient = [](const ParamVector& x, ParamVector& g) {  // every step uphill
    g[0] = -2 * x[0];
    return x[0] * x[0];
  };
  // x1 >= 1 and x1 <= -1 cannot both hold; exp(-x2) keeps the run from converging first.
  const Function coupled = [](const ParamVector& x, ParamVector& g) {
    g[0] = 2 * x[0];
    g[1] = -std::exp(-x[1]);
    return x[0] * x[0] + std::exp(-x[1]);
  };
  const Function unbounded = [](const ParamVector& x, ParamVector& g) {
    g[0] = -1;
    return -x[0];
  };
  const struct {
    const char* name;
    TestObjective objective;
    std::vector<double> start;
    int maxiter;
    double tol;
    int info, niter_min, niter_max;
    bool x_kept;
  } kCases[] = {
      // clang-format off
      // At a stationary point conv = |g'delta| = 0 after the first subproblem.
      {"stationary", linear(quadratic({3, 2}), {{1, 0, 0}}), {3, 2}, 299, kTol, 1, 1, 1, true},
      {"iteration limit", TestObjective(falling), {0}, 299, 0.0, 2, 300, 300, false},
      {"no iterations allowed", TestObjective(falling), {0}, 0, 0.0, 2, 1, 1, true},
      {"line search limit", TestObjective(wrong_gradient), {1}, 299, kTol, 3, 3, 3, false},
      // At the minimiser step and merit derivative are 0; a negative tol is never met.
      {"uphill", TestObjective(quadratic({3, 2})), {3, 2}, 299, -1.0, 4, 3, 3, true},
      {"inconsistent", linear(coupled, {{1, 0, -1}, {-1, 0, -1}}), {0.5, 0}, 10, kTol, 5, 6, 6, false},
      // Damped updates shrink B along the step until a step reaches big: code 6 from iteration 11.
      {"artificial bound", TestObjective(unbounded), {0}, 299, kTol, 6, 11, 298, false},
      {"too many variables", TestObjective(quadratic({0})), std::vector<double>(kMaxParams, 1.0), 299, kTol, 5, 0, 0, true},
      // clang-format on
  };
  for (auto c : kCases) {
    const SqpRun r = run_sqp(c.objective, c.start, c.maxiter, c.tol);
    EXPECT_EQ(r.info, c.info) << c.name;
    EXPECT_GE(r.niter, c.niter_min) << c.name;
    EXPECT_LE(r.niter, c.niter_max) << c.name;
    for (std::size_t i = 0; c.x_kept && i < c.start.size(); ++i) EXPECT_EQ(r.x[i], c.start[i]);
    EXPECT_TRUE(c.niter_max > 0 || c.objective.seen.empty()) << c.name;
  }
}

// After the update B maps the step onto the gradient change (the secant condition).
TEST(SqpBfgsUpdate, SecantUpdateMapsTheStepOntoTheGradientChange) {
  SqpWork work;
  work.b[0] = 2;
  work.b[1] = work.b[kMaxParams] = 0.5;
  work.b[kMaxParams + 1] = 1;
  work.glag[0] = 2;
  work.glag[1] = 1.5;
  const ParamVector x = {1, 0.5};
  sqp_bfgs_update(2, x, work);
  EXPECT_EQ(work.delta, x);
  EXPECT_NEAR(work.b[0] + 0.5 * work.b[kMaxParams], 2.0, 1e-14);
  EXPECT_NEAR(work.b[1] + 0.5 * work.b[kMaxParams + 1], 1.5, 1e-14);
}

}  // namespace
}  // namespace velmor
