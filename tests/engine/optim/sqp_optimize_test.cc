#include "engine/optim/sqp_optimize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "engine/core/machine_constants.h"

namespace velmor {
namespace {

// An objective made of plain functions, remembering every point calcfg saw.
class TestObjective : public Objective {
 public:
  std::function<double(const ParamVector&)> f;
  std::function<void(const ParamVector&, ParamVector&)> grad;
  int m = 0;
  int meq = 0;
  // c[k] and the gradient column k for k < m.
  std::function<void(const ParamVector&, ConstraintVector&, ConstraintNormals&)> constraints;
  bool repair_negative = false;  // the fitting engine's positivity repair in bounds_neg
  std::vector<ParamVector> seen;

  void calcfg(int n, const ParamVector& x, double& fx, ParamVector& g, ConstraintVector& c,
              ConstraintNormals& cnorm) override {
    seen.push_back(x);
    g.fill(0.0);
    cnorm.fill(0.0);
    fx = f(x);
    grad(x, g);
    if (constraints) constraints(x, c, cnorm);
  }
  double value(int, const ParamVector& x) override { return f(x); }
  void bounds_neg(ParamVector& x, int n, double& fx) override {
    if (!repair_negative) return;
    for (int i = 0; i < n; ++i) {
      if (x[i] < 2.22e-16) {
        x[i] = std::fabs(((std::atan(std::fabs(x[i])) + M_PI / 2) / M_PI - 0.5) * 2 * x[i]) + 1e-6;
        fx *= 2;
      }
    }
  }
  int constraint_count() const override { return m; }
  int equality_count() const override { return meq; }
};

struct SqpRun {
  ParamVector x{};
  double f = 0.0;
  int info = -1;
  double conv = kBig;
  int niter = 0;
  int qpmode = 1;
};

SqpRun run_sqp(TestObjective& obj, int n, std::vector<double> start, int maxiter = 299,
               double tol = kTol, int maxls = 10) {
  SqpRun r;
  std::copy(start.begin(), start.end(), r.x.begin());
  ParamVector g{};
  ConstraintVector c{};
  ConstraintNormals cnorm{};
  SqpWork work;
  sqp_optimize(obj, n, r.x, r.f, g, c, cnorm, maxiter, tol, r.info, maxls, r.conv, r.niter,
               r.qpmode, work);
  return r;
}

// (x1 - 3)^2 + (x2 + 1)^2 with x1 >= 0 and x2 >= 0.5: the second constraint binds at
// (3, 0.5) with multiplier 3.
TestObjective bound_quadratic() {
  TestObjective obj;
  obj.f = [](const ParamVector& x) { return std::pow(x[0] - 3, 2) + std::pow(x[1] + 1, 2); };
  obj.grad = [](const ParamVector& x, ParamVector& g) {
    g[0] = 2 * (x[0] - 3);
    g[1] = 2 * (x[1] + 1);
  };
  obj.m = 2;
  obj.constraints = [](const ParamVector& x, ConstraintVector& c, ConstraintNormals& cn) {
    c[0] = x[0];
    c[1] = x[1] - 0.5;
    cn[normal_index(0, 0)] = 1;
    cn[normal_index(1, 1)] = 1;
  };
  return obj;
}

TestObjective rosenbrock() {
  TestObjective obj;
  obj.f = [](const ParamVector& x) {
    return 100 * std::pow(x[1] - x[0] * x[0], 2) + std::pow(1 - x[0], 2);
  };
  obj.grad = [](const ParamVector& x, ParamVector& g) {
    g[0] = -400 * x[0] * (x[1] - x[0] * x[0]) - 2 * (1 - x[0]);
    g[1] = 200 * (x[1] - x[0] * x[0]);
  };
  return obj;
}

TEST(SqpOptimize, ConvergesOnAConstrainedQuadraticWithAnActiveBound) {
  TestObjective obj = bound_quadratic();
  const SqpRun r = run_sqp(obj, 2, {1, 2});
  EXPECT_EQ(r.info, kSqpConverged);
  EXPECT_NEAR(r.x[0], 3.0, 1e-7);
  EXPECT_NEAR(r.x[1], 0.5, 1e-7);
  EXPECT_LE(r.conv, kTol);
  EXPECT_LT(r.niter, 60);  // each line search starts from the half step: linear convergence
}

struct KnownProblem {
  const char* name;
  std::function<TestObjective()> make;
  std::vector<double> start;
  std::vector<double> solution;
  double accuracy = 1e-6;  // conv <= tol bounds the error in f; x follows as conditioning allows
  // On an equality the penalty weight settles at |lambda|, so near the solution the merit
  // derivative of the restoring step reaches 0 and rounding may end the run with code 4.
  bool uphill_allowed = false;
};

class SqpKnownSolution : public ::testing::TestWithParam<KnownProblem> {};

TEST_P(SqpKnownSolution, ReachesTheSolution) {
  const KnownProblem& p = GetParam();
  TestObjective obj = p.make();
  const int n = static_cast<int>(p.start.size());
  const SqpRun r = run_sqp(obj, n, p.start);
  if (!(p.uphill_allowed && r.info == kSqpUphill)) {
    EXPECT_EQ(r.info, kSqpConverged) << p.name;
  }
  for (int i = 0; i < n; ++i) EXPECT_NEAR(r.x[i], p.solution[i], p.accuracy) << p.name << i;
  // The reported f belongs to the returned x.
  EXPECT_DOUBLE_EQ(r.f, obj.f(r.x));
}

INSTANTIATE_TEST_SUITE_P(
    Problems, SqpKnownSolution,
    ::testing::Values(
        // Rosenbrock with x1 <= 0.5: the valley meets the constraint at (0.5, 0.25).
        KnownProblem{"rosenbrock_cut",
                     [] {
                       TestObjective obj = rosenbrock();
                       obj.m = 1;
                       obj.constraints = [](const ParamVector& x, ConstraintVector& c,
                                            ConstraintNormals& cn) {
                         c[0] = 0.5 - x[0];
                         cn[normal_index(0, 0)] = -1;
                       };
                       return obj;
                     },
                     {-1.2, 1.0},
                     {0.5, 0.25}},
        // Rosenbrock with a loose constraint: the unconstrained minimiser (1, 1).
        KnownProblem{"rosenbrock_free",
                     [] {
                       TestObjective obj = rosenbrock();
                       obj.m = 1;
                       obj.constraints = [](const ParamVector& x, ConstraintVector& c,
                                            ConstraintNormals& cn) {
                         c[0] = 5 - x[0];
                         cn[normal_index(0, 0)] = -1;
                       };
                       return obj;
                     },
                     {-1.2, 1.0},
                     {1.0, 1.0},
                     5e-4},
        // x1 + x2 on the disc x1^2 + x2^2 <= 2: (-1, -1).
        KnownProblem{"disc",
                     [] {
                       TestObjective obj;
                       obj.f = [](const ParamVector& x) { return x[0] + x[1]; };
                       obj.grad = [](const ParamVector&, ParamVector& g) { g[0] = g[1] = 1; };
                       obj.m = 1;
                       obj.constraints = [](const ParamVector& x, ConstraintVector& c,
                                            ConstraintNormals& cn) {
                         c[0] = 2 - x[0] * x[0] - x[1] * x[1];
                         cn[normal_index(0, 0)] = -2 * x[0];
                         cn[normal_index(1, 0)] = -2 * x[1];
                       };
                       return obj;
                     },
                     {0.5, 0.1},
                     {-1.0, -1.0}},
        // x1^2 + 2 x2^2 + x3^2 with the equality x1 + x2 + x3 = 4: (1.6, 0.8, 1.6).
        KnownProblem{"equality",
                     [] {
                       TestObjective obj;
                       obj.f = [](const ParamVector& x) {
                         return x[0] * x[0] + 2 * x[1] * x[1] + x[2] * x[2];
                       };
                       obj.grad = [](const ParamVector& x, ParamVector& g) {
                         g[0] = 2 * x[0];
                         g[1] = 4 * x[1];
                         g[2] = 2 * x[2];
                       };
                       obj.m = 2;
                       obj.meq = 1;
                       obj.constraints = [](const ParamVector& x, ConstraintVector& c,
                                            ConstraintNormals& cn) {
                         c[0] = x[0] + x[1] + x[2] - 4;
                         c[1] = x[0];  // inactive inequality beside it
                         for (int i = 0; i < 3; ++i) cn[normal_index(i, 0)] = 1;
                         cn[normal_index(0, 1)] = 1;
                       };
                       return obj;
                     },
                     {1, 1, 1},
                     {1.6, 0.8, 1.6},
                     1e-6,
                     true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SqpOptimize, StationaryStartReturnsAfterTheFirstSubproblem) {
  TestObjective obj = bound_quadratic();
  const SqpRun r = run_sqp(obj, 2, {3, 2});  // g = (0, 6): not stationary
  EXPECT_GT(r.niter, 1);
  TestObjective flat = bound_quadratic();
  flat.f = [](const ParamVector& x) { return std::pow(x[0] - 3, 2) + std::pow(x[1] - 2, 2); };
  flat.grad = [](const ParamVector& x, ParamVector& g) {
    g[0] = 2 * (x[0] - 3);
    g[1] = 2 * (x[1] - 2);
  };
  const SqpRun s = run_sqp(flat, 2, {3, 2});
  EXPECT_EQ(s.info, kSqpConverged);
  EXPECT_EQ(s.niter, 1);
  EXPECT_EQ(s.conv, 0.0);
}

TEST(SqpOptimize, FirstTrialPointIsHalfTheSubproblemStep) {
  TestObjective obj = bound_quadratic();
  run_sqp(obj, 2, {1, 2});
  // Evaluations: the start (step 1), the start again (top of iteration 1), then the first
  // trial point. With B = I and no active constraint the step is -g = (4, -6).
  ASSERT_GE(obj.seen.size(), 3u);
  EXPECT_EQ(obj.seen[1][0], 1.0);
  EXPECT_DOUBLE_EQ(obj.seen[2][0], 1 + 0.5 * 4);
  // x2 >= 0.5 limits the second component: 2 + delta2 >= 0.5 gives delta2 = -1.5.
  EXPECT_DOUBLE_EQ(obj.seen[2][1], 2 + 0.5 * -1.5);
}

TEST(SqpOptimize, RejectedTrialShrinksTheTrialStepByAFactorOfAtMostAHalf) {
  // A steep quadratic: the half step of the first iteration (B = I) overshoots badly.
  TestObjective obj;
  obj.f = [](const ParamVector& x) { return 50 * x[0] * x[0]; };
  obj.grad = [](const ParamVector& x, ParamVector& g) { g[0] = 100 * x[0]; };
  run_sqp(obj, 1, {1});
  ASSERT_GE(obj.seen.size(), 4u);
  const double first = obj.seen[2][0] - 1.0;   // 0.5 * (-100)
  const double second = obj.seen[3][0] - 1.0;  // t * first, t in [0.05, 0.5]
  EXPECT_DOUBLE_EQ(first, -50.0);
  EXPECT_GE(second / first, 0.05 - 1e-15);
  EXPECT_LE(second / first, 0.5);
}

TEST(SqpOptimize, IterationLimitStopsOnThe300thIncrement) {
  // exp(-x) falls for ever and tol = 0 is never met: only the iteration limit stops it.
  TestObjective obj;
  obj.f = [](const ParamVector& x) { return std::exp(-x[0]); };
  obj.grad = [](const ParamVector& x, ParamVector& g) { g[0] = -std::exp(-x[0]); };
  const SqpRun r = run_sqp(obj, 1, {0}, 299, 0.0);
  EXPECT_EQ(r.info, kSqpIterationLimit);
  EXPECT_EQ(r.niter, 300);
  const SqpRun one = run_sqp(obj, 1, {0}, 0, 0.0);
  EXPECT_EQ(one.info, kSqpIterationLimit);
  EXPECT_EQ(one.niter, 1);
}

TEST(SqpOptimize, LineSearchLimitStopsFromTheThirdIteration) {
  // The gradient has the wrong sign, so every step goes uphill in f and no trial point is
  // accepted. Iterations 1 and 2 go on past maxls; iteration 3 stops.
  TestObjective obj;
  obj.f = [](const ParamVector& x) { return x[0] * x[0] + 1; };
  obj.grad = [](const ParamVector& x, ParamVector& g) { g[0] = -2 * x[0]; };
  const SqpRun r = run_sqp(obj, 1, {1});
  EXPECT_EQ(r.info, kSqpLineSearchLimit);
  EXPECT_EQ(r.niter, 3);
}

TEST(SqpOptimize, UphillDirectionStopsFromTheThirdIteration) {
  // At the minimiser the step is 0 and the merit derivative 0; a negative tol is never met.
  TestObjective obj = bound_quadratic();
  obj.f = [](const ParamVector& x) { return std::pow(x[0] - 3, 2) + std::pow(x[1] - 2, 2) + 1; };
  obj.grad = [](const ParamVector& x, ParamVector& g) {
    g[0] = 2 * (x[0] - 3);
    g[1] = 2 * (x[1] - 2);
  };
  const SqpRun r = run_sqp(obj, 2, {3, 2}, 299, -1.0);
  EXPECT_EQ(r.info, kSqpUphill);
  EXPECT_EQ(r.niter, 3);
  EXPECT_EQ(r.x[0], 3.0);
  EXPECT_EQ(r.x[1], 2.0);
}

TEST(SqpOptimize, InconsistentLinearisationsEndWithCode5) {
  // x1 >= 1 and x1 <= -1 cannot both hold: every subproblem relaxes to r = 0. The objective
  // falls for ever in x2, so the run does not converge first.
  TestObjective obj;
  obj.f = [](const ParamVector& x) { return x[0] * x[0] + std::exp(-x[1]); };
  obj.grad = [](const ParamVector& x, ParamVector& g) {
    g[0] = 2 * x[0];
    g[1] = -std::exp(-x[1]);
  };
  obj.m = 2;
  obj.constraints = [](const ParamVector& x, ConstraintVector& c, ConstraintNormals& cn) {
    c[0] = x[0] - 1;
    c[1] = -x[0] - 1;
    cn[normal_index(0, 0)] = 1;
    cn[normal_index(0, 1)] = -1;
  };
  const SqpRun r = run_sqp(obj, 2, {0.5, 0}, 10);
  EXPECT_EQ(r.info, kSqpInconsistent);
  EXPECT_EQ(r.niter, 6);  // the first iteration past maxiter / 2
}

TEST(SqpOptimize, UnboundedDescentEndsOnTheArtificialBound) {
  // -x1 has no minimum; damped updates shrink B along the step until a subproblem step
  // reaches big. Code 6 stops the run only from iteration 11 on.
  TestObjective obj;
  obj.f = [](const ParamVector& x) { return -x[0]; };
  obj.grad = [](const ParamVector&, ParamVector& g) { g[0] = -1; };
  const SqpRun r = run_sqp(obj, 1, {0});
  EXPECT_EQ(r.info, kSqpArtificialBound);
  EXPECT_GT(r.niter, 10);
}

TEST(SqpOptimize, RepairedParametersArePositiveAtEveryEvaluation) {
  // The unconstrained minimiser (-1, 2) lies outside x >= 1e-6; the constraints of the
  // two-parameter models keep the fit at the edge.
  TestObjective obj;
  obj.f = [](const ParamVector& x) { return std::pow(x[0] + 1, 2) + std::pow(x[1] - 2, 2); };
  obj.grad = [](const ParamVector& x, ParamVector& g) {
    g[0] = 2 * (x[0] + 1);
    g[1] = 2 * (x[1] - 2);
  };
  obj.m = 4;
  obj.constraints = [](const ParamVector& x, ConstraintVector& c, ConstraintNormals& cn) {
    c[0] = x[0];
    c[1] = x[1];
    c[2] = x[0] - 1e-6;
    c[3] = x[1] - 1e-6;
    cn[normal_index(0, 0)] = cn[normal_index(1, 1)] = 1;
    cn[normal_index(0, 2)] = cn[normal_index(1, 3)] = 1;
  };
  obj.repair_negative = true;
  const SqpRun r = run_sqp(obj, 2, {0.5, 0.5});
  for (std::size_t k = 1; k < obj.seen.size(); ++k) {
    EXPECT_GT(obj.seen[k][0], 0.0) << k;
    EXPECT_GT(obj.seen[k][1], 0.0) << k;
  }
  EXPECT_NEAR(r.x[0], 1e-6, 1e-8);
  EXPECT_NEAR(r.x[1], 2.0, 1e-6);
}

TEST(SqpOptimize, RefusesMoreVariablesThanTheWorkAreaHolds) {
  TestObjective obj = bound_quadratic();
  const SqpRun r = run_sqp(obj, kMaxParams, std::vector<double>(kMaxParams, 1.0));
  EXPECT_EQ(r.info, kSqpInconsistent);
  EXPECT_TRUE(obj.seen.empty());
  EXPECT_EQ(r.x[0], 1.0);
}

TEST(Qpsub, StepOnAnArtificialBoundGivesCode6) {
  SqpWork work;
  for (int i = 0; i < 2; ++i) work.b[i + kMaxParams * i] = 1.0;
  ParamVector g{};
  g[0] = -1e19;  // the Newton step 1e19 passes big
  ConstraintVector c{};
  ConstraintNormals cnorm{};
  int info = -1;
  qpsub(2, 0, 0, g, c, cnorm, info, kQpColdStart, work);
  EXPECT_EQ(info, kSqpArtificialBound);
  EXPECT_EQ(work.delta[0], kBig);
}

TEST(Qpsub, MultipliersOfTheActiveLinearisedConstraints) {
  SqpWork work;
  for (int i = 0; i < 2; ++i) work.b[i + kMaxParams * i] = 1.0;
  ParamVector g{};
  g[0] = 1.0;  // the step -g would make c0 + d1 negative
  g[1] = -1.0;
  ConstraintVector c{};
  c[0] = 0.25;  // satisfied: d1 >= -0.25
  c[1] = -0.5;  // violated, relaxed: d2 - 0.5 r >= 0
  ConstraintNormals cnorm{};
  cnorm[normal_index(0, 0)] = 1;
  cnorm[normal_index(1, 1)] = 1;
  int info = -1;
  qpsub(2, 2, 0, g, c, cnorm, info, kQpColdStart, work);
  EXPECT_EQ(info, kSqpConverged);
  EXPECT_EQ(work.delta[2], 1.0);
  EXPECT_NEAR(work.delta[0], -0.25, 1e-15);
  EXPECT_NEAR(work.delta[1], 1.0, 1e-15);  // -g2 = 1 exceeds the relaxed limit 0.5
  EXPECT_NEAR(work.vlam[0], 0.75, 1e-15);  // d1 + g1 = lambda
  EXPECT_EQ(work.vlam[1], 0.0);
  EXPECT_EQ(cnorm[normal_index(2, 1)], -0.5);
  EXPECT_EQ(cnorm[normal_index(2, 0)], 0.0);
  // Entered with a code above 1 it does nothing.
  info = 5;
  work.delta[0] = 42;
  qpsub(2, 2, 0, g, c, cnorm, info, kQpColdStart, work);
  EXPECT_EQ(work.delta[0], 42);
}

TEST(SqpBfgsUpdate, SecantAndDampedUpdatesKeepBPositiveDefinite) {
  struct Case {
    std::array<double, 2> step, gamma;
    bool damped;
  };
  for (const Case& k : {Case{{1, 0.5}, {2, 1.5}, false}, Case{{1, 0.5}, {-1, 0.2}, true}}) {
    SqpWork work;
    work.b[0] = 2;
    work.b[1] = work.b[kMaxParams] = 0.5;
    work.b[kMaxParams + 1] = 1;
    ParamVector x{};
    for (int i = 0; i < 2; ++i) {
      x[i] = k.step[i];
      work.glag[i] = k.gamma[i];
    }
    const double b11 = 2, b12 = 0.5, b22 = 1;
    const double w0 = b11 * k.step[0] + b12 * k.step[1], w1 = b12 * k.step[0] + b22 * k.step[1];
    const double dbd = k.step[0] * w0 + k.step[1] * w1;
    double dg = k.gamma[0] * k.step[0] + k.gamma[1] * k.step[1];
    std::array<double, 2> target = k.gamma;
    ASSERT_EQ(dg < 0.2 * dbd, k.damped);
    if (k.damped) {
      const double theta = 0.8 * dbd / (dbd - dg);
      target = {theta * k.gamma[0] + (1 - theta) * w0, theta * k.gamma[1] + (1 - theta) * w1};
    }
    sqp_bfgs_update(2, x, work);
    const double n11 = work.b[0], n12 = work.b[kMaxParams], n21 = work.b[1],
                 n22 = work.b[kMaxParams + 1];
    EXPECT_EQ(n12, n21);
    EXPECT_NEAR(n11 * k.step[0] + n12 * k.step[1], target[0], 1e-14);
    EXPECT_NEAR(n21 * k.step[0] + n22 * k.step[1], target[1], 1e-14);
    if (k.damped) {
      const double sbs = k.step[0] * target[0] + k.step[1] * target[1];
      EXPECT_NEAR(sbs, 0.2 * dbd, 1e-14);
    }
    EXPECT_GT(n11, 0.0);
    EXPECT_GT(n11 * n22 - n12 * n21, 0.0);
  }
}

TEST(SqpBfgsUpdate, ZeroStepLeavesBUnchanged) {
  SqpWork work;
  work.b[0] = 3;
  work.glag[0] = 1;
  ParamVector x{};
  sqp_bfgs_update(1, x, work);
  EXPECT_EQ(work.b[0], 3.0);
}

}  // namespace
}  // namespace velmor
