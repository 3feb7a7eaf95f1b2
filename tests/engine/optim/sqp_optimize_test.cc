#include "engine/optim/sqp_optimize.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "engine/core/machine_constants.h"

namespace velmor {
namespace {

// An objective made of plain functions, remembering every point calcfg saw. Constraints
// are linear, c[k] = a_k'x + b_k (the first meq equalities), unless `nonlinear` is set.
class TestObjective : public Objective {
 public:
  struct Linear {
    std::array<double, 3> a;
    double b;
  };
  std::function<double(const ParamVector&)> f;
  std::function<void(const ParamVector&, ParamVector&)> grad;
  std::vector<Linear> linear;
  int meq = 0;
  std::function<void(const ParamVector&, ConstraintVector&, ConstraintNormals&)> nonlinear;
  int nonlinear_count = 0;
  bool repair_negative = false;  // the fitting engine's positivity repair in bounds_neg
  std::vector<ParamVector> seen;

  void calcfg(int n, const ParamVector& x, double& fx, ParamVector& g, ConstraintVector& c,
              ConstraintNormals& cnorm) override {
    seen.push_back(x);
    g.fill(0.0);
    cnorm.fill(0.0);
    fx = f(x);
    grad(x, g);
    if (nonlinear) nonlinear(x, c, cnorm);
    for (std::size_t k = 0; k < linear.size(); ++k) {
      c[k] = linear[k].b;
      for (int i = 0; i < n && i < 3; ++i) {
        c[k] += linear[k].a[i] * x[i];
        cnorm[normal_index(i, static_cast<int>(k))] = linear[k].a[i];
      }
    }
  }
  double value(int, const ParamVector& x) override { return f(x); }
  void bounds_neg(ParamVector& x, int n, double& fx) override {
    if (!repair_negative) return;
    for (int i = 0; i < n; ++i) {
      if (x[i] < 2.22e-16) {
        x[i] = (2 / M_PI) * std::fabs(x[i]) * std::atan(std::fabs(x[i])) + 1e-6;
        fx *= 2;
      }
    }
  }
  int constraint_count() const override {
    return nonlinear ? nonlinear_count : static_cast<int>(linear.size());
  }
  int equality_count() const override { return meq; }
};

// sum w_i (x_i - centre_i)^2 over the first centre.size() parameters.
TestObjective quadratic(std::vector<double> centre, std::vector<double> w = {1, 1, 1}) {
  TestObjective obj;
  obj.f = [=](const ParamVector& x) {
    double s = 0.0;
    for (std::size_t i = 0; i < centre.size(); ++i) s += w[i] * std::pow(x[i] - centre[i], 2);
    return s;
  };
  obj.grad = [=](const ParamVector& x, ParamVector& g) {
    for (std::size_t i = 0; i < centre.size(); ++i) g[i] = 2 * w[i] * (x[i] - centre[i]);
  };
  return obj;
}

TestObjective rosenbrock(double x1_limit) {
  TestObjective obj;
  obj.f = [](const ParamVector& x) {
    return 100 * std::pow(x[1] - x[0] * x[0], 2) + std::pow(1 - x[0], 2);
  };
  obj.grad = [](const ParamVector& x, ParamVector& g) {
    g[0] = -400 * x[0] * (x[1] - x[0] * x[0]) - 2 * (1 - x[0]);
    g[1] = 200 * (x[1] - x[0] * x[0]);
  };
  obj.linear = {{{-1, 0, 0}, x1_limit}};  // x1 <= limit
  return obj;
}

struct SqpRun {
  ParamVector x{};
  double f = 0.0;
  int info = -1;
  double conv = kBig;
  int niter = 0;
  int qpmode = 1;
};

SqpRun run_sqp(TestObjective& obj, std::vector<double> start, int maxiter = 299,
               double tol = kTol) {
  SqpRun r;
  std::copy(start.begin(), start.end(), r.x.begin());
  ParamVector g{};
  ConstraintVector c{};
  ConstraintNormals cnorm{};
  SqpWork work;
  sqp_optimize(obj, static_cast<int>(start.size()), r.x, r.f, g, c, cnorm, maxiter, tol, r.info, 10,
               r.conv, r.niter, r.qpmode, work);
  return r;
}

TEST(SqpOptimize, ConvergesOnAConstrainedQuadraticWithAnActiveBound) {
  // (x1 - 3)^2 + (x2 + 1)^2 with x1 >= 0 and x2 >= 0.5: the second binds at (3, 0.5).
  TestObjective obj = quadratic({3, -1});
  obj.linear = {{{1, 0, 0}, 0}, {{0, 1, 0}, -0.5}};
  const SqpRun r = run_sqp(obj, {1, 2});
  EXPECT_EQ(r.info, kSqpConverged);
  EXPECT_NEAR(r.x[0], 3.0, 1e-7);
  EXPECT_NEAR(r.x[1], 0.5, 1e-7);
  EXPECT_LE(r.conv, kTol);
  EXPECT_LT(r.niter, 60);  // each line search starts from the half step: linear convergence
  EXPECT_DOUBLE_EQ(r.f, obj.f(r.x));
  // The first trial point is xa + delta/2: evaluations are the start (step 1), the start
  // again (top of iteration 1), then the trial. With B = I the step is -g = (4, -6), cut to
  // (4, -1.5) by x2 >= 0.5.
  ASSERT_GE(obj.seen.size(), 3u);
  EXPECT_DOUBLE_EQ(obj.seen[2][0], 1 + 0.5 * 4);
  EXPECT_DOUBLE_EQ(obj.seen[2][1], 2 + 0.5 * -1.5);
}

struct KnownProblem {
  const char* name;
  std::function<TestObjective()> make;
  std::vector<double> start;
  std::vector<double> solution;
  double accuracy = 1e-6;  // conv <= tol bounds the error in f; x follows as conditioning allows
  // On an equality the penalty weight settles at |lambda|, so near the solution the merit
  // derivative of the restoring step reaches 0 and rounding may end the run with code 3 or 4.
  bool stall_allowed = false;
};

class SqpKnownSolution : public ::testing::TestWithParam<KnownProblem> {};

TEST_P(SqpKnownSolution, ReachesTheSolution) {
  const KnownProblem& p = GetParam();
  TestObjective obj = p.make();
  const SqpRun r = run_sqp(obj, p.start);
  const bool stalled = r.info == kSqpUphill || r.info == kSqpLineSearchLimit;
  if (!(p.stall_allowed && stalled)) {
    EXPECT_EQ(r.info, kSqpConverged) << p.name;
  }
  for (std::size_t i = 0; i < p.start.size(); ++i) {
    EXPECT_NEAR(r.x[i], p.solution[i], p.accuracy) << p.name << i;
  }
}

TestObjective disc() {
  TestObjective obj;  // x1 + x2 on the disc x1^2 + x2^2 <= 2
  obj.f = [](const ParamVector& x) { return x[0] + x[1]; };
  obj.grad = [](const ParamVector&, ParamVector& g) { g[0] = g[1] = 1; };
  obj.nonlinear_count = 1;
  obj.nonlinear = [](const ParamVector& x, ConstraintVector& c, ConstraintNormals& cn) {
    c[0] = 2 - x[0] * x[0] - x[1] * x[1];
    cn[normal_index(0, 0)] = -2 * x[0];
    cn[normal_index(1, 0)] = -2 * x[1];
  };
  return obj;
}

TestObjective equality() {
  // x1^2 + 2 x2^2 + x3^2 with x1 + x2 + x3 = 4 and an inactive x1 >= 0.
  TestObjective obj = quadratic({0, 0, 0}, {1, 2, 1});
  obj.linear = {{{1, 1, 1}, -4}, {{1, 0, 0}, 0}};
  obj.meq = 1;
  return obj;
}

INSTANTIATE_TEST_SUITE_P(
    Problems, SqpKnownSolution,
    ::testing::Values(
        // The Rosenbrock valley meets x1 <= 0.5 at (0.5, 0.25).
        KnownProblem{"rosenbrock_cut", [] { return rosenbrock(0.5); }, {-1.2, 1}, {0.5, 0.25}},
        // A loose limit: the unconstrained minimiser; the valley's conditioning limits x.
        KnownProblem{"rosenbrock_free", [] { return rosenbrock(5); }, {-1.2, 1}, {1, 1}, 5e-4},
        KnownProblem{"disc", disc, {0.5, 0.1}, {-1, -1}},
        KnownProblem{"equality", equality, {1, 1, 1}, {1.6, 0.8, 1.6}, 1e-6, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SqpOptimize, StationaryStartReturnsAfterTheFirstSubproblem) {
  TestObjective obj = quadratic({3, 2});
  obj.linear = {{{1, 0, 0}, 0}};
  const SqpRun r = run_sqp(obj, {3, 2});
  EXPECT_EQ(r.info, kSqpConverged);
  EXPECT_EQ(r.niter, 1);
  EXPECT_EQ(r.conv, 0.0);  // |g'delta| with g = 0
}

TEST(SqpOptimize, RejectedTrialShrinksTheTrialStepByAFactorOfAtMostAHalf) {
  // 50 x^2: the half step of the first iteration (B = I) overshoots badly.
  TestObjective obj = quadratic({0}, {50});
  run_sqp(obj, {1});
  ASSERT_GE(obj.seen.size(), 4u);
  const double first = obj.seen[2][0] - 1.0;
  const double second = obj.seen[3][0] - 1.0;
  EXPECT_DOUBLE_EQ(first, 0.5 * -100);
  EXPECT_GE(second / first, 0.05 - 1e-15);
  EXPECT_LE(second / first, 0.5);
}

// exp(-x1): falls for ever, so a tolerance of 0 is never met.
TestObjective falling() {
  TestObjective obj;
  obj.f = [](const ParamVector& x) { return std::exp(-x[0]); };
  obj.grad = [](const ParamVector& x, ParamVector& g) { g[0] = -std::exp(-x[0]); };
  return obj;
}

TEST(SqpOptimize, IterationLimitStopsOnThe300thIncrement) {
  TestObjective obj = falling();
  const SqpRun r = run_sqp(obj, {0}, 299, 0.0);
  EXPECT_EQ(r.info, kSqpIterationLimit);
  EXPECT_EQ(r.niter, 300);
  const SqpRun none = run_sqp(obj, {0}, 0, 0.0);
  EXPECT_EQ(none.info, kSqpIterationLimit);
  EXPECT_EQ(none.niter, 1);
}

TEST(SqpOptimize, LineSearchLimitStopsFromTheThirdIteration) {
  // The gradient has the wrong sign: every step goes uphill in f and no trial point is
  // accepted. Iterations 1 and 2 go on past maxls; iteration 3 stops.
  TestObjective obj = quadratic({0});
  obj.grad = [](const ParamVector& x, ParamVector& g) { g[0] = -2 * x[0]; };
  const SqpRun r = run_sqp(obj, {1});
  EXPECT_EQ(r.info, kSqpLineSearchLimit);
  EXPECT_EQ(r.niter, 3);
}

TEST(SqpOptimize, UphillDirectionStopsFromTheThirdIteration) {
  // At the minimiser the step and the merit derivative are 0; a negative tol is never met.
  TestObjective obj = quadratic({3, 2});
  const SqpRun r = run_sqp(obj, {3, 2}, 299, -1.0);
  EXPECT_EQ(r.info, kSqpUphill);
  EXPECT_EQ(r.niter, 3);
  EXPECT_EQ(r.x[0], 3.0);
  EXPECT_EQ(r.x[1], 2.0);
}

TEST(SqpOptimize, InconsistentLinearisationsEndWithCode5) {
  // x1 >= 1 and x1 <= -1 cannot both hold, so every subproblem relaxes to r = 0; exp(-x2)
  // keeps the run from converging first.
  TestObjective obj = falling();
  obj.f = [](const ParamVector& x) { return x[0] * x[0] + std::exp(-x[1]); };
  obj.grad = [](const ParamVector& x, ParamVector& g) {
    g[0] = 2 * x[0];
    g[1] = -std::exp(-x[1]);
  };
  obj.linear = {{{1, 0, 0}, -1}, {{-1, 0, 0}, -1}};
  const SqpRun r = run_sqp(obj, {0.5, 0}, 10);
  EXPECT_EQ(r.info, kSqpInconsistent);
  EXPECT_EQ(r.niter, 6);  // the first iteration past maxiter / 2
}

TEST(SqpOptimize, UnboundedDescentEndsOnTheArtificialBound) {
  // -x1 has no minimum: damped updates shrink B along the step until a subproblem step
  // reaches big. Code 6 stops the run only from iteration 11 on.
  TestObjective obj;
  obj.f = [](const ParamVector& x) { return -x[0]; };
  obj.grad = [](const ParamVector&, ParamVector& g) { g[0] = -1; };
  const SqpRun r = run_sqp(obj, {0});
  EXPECT_EQ(r.info, kSqpArtificialBound);
  EXPECT_GT(r.niter, 10);
}

TEST(SqpOptimize, RepairedParametersArePositiveAtEveryEvaluation) {
  // The minimiser (-1, 2) lies outside the two-parameter models' constraints x >= 0,
  // x >= 1e-6; steps toward it are repaired by bounds_neg before each evaluation.
  TestObjective obj = quadratic({-1, 2});
  obj.linear = {{{1, 0, 0}, 0}, {{0, 1, 0}, 0}, {{1, 0, 0}, -1e-6}, {{0, 1, 0}, -1e-6}};
  obj.repair_negative = true;
  const SqpRun r = run_sqp(obj, {0.5, 0.5});
  for (std::size_t k = 1; k < obj.seen.size(); ++k) {
    EXPECT_GT(obj.seen[k][0], 0.0) << k;
    EXPECT_GT(obj.seen[k][1], 0.0) << k;
  }
  EXPECT_NEAR(r.x[0], 1e-6, 1e-8);
  EXPECT_NEAR(r.x[1], 2.0, 1e-6);
}

TEST(SqpOptimize, RefusesMoreVariablesThanTheWorkAreaHolds) {
  TestObjective obj = quadratic({0});
  const SqpRun r = run_sqp(obj, std::vector<double>(kMaxParams, 1.0));
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
  // B = [2 0.5; 0.5 1], step (1, 0.5): B step = (2.25, 1), step'B step = 2.75.
  struct Case {
    std::array<double, 2> gamma, target;  // target = B step after the update
  };
  const double theta = 0.8 * 2.75 / (2.75 - (-0.9));  // gamma'step = -0.9 < 0.2 * 2.75
  for (const Case& k :
       {Case{{2, 1.5}, {2, 1.5}},
        Case{{-1, 0.2}, {theta * -1 + (1 - theta) * 2.25, theta * 0.2 + (1 - theta) * 1}}}) {
    SqpWork work;
    work.b[0] = 2;
    work.b[1] = work.b[kMaxParams] = 0.5;
    work.b[kMaxParams + 1] = 1;
    ParamVector x{};
    x[0] = 1;
    x[1] = 0.5;
    work.glag[0] = k.gamma[0];
    work.glag[1] = k.gamma[1];
    sqp_bfgs_update(2, x, work);
    const double b11 = work.b[0], b12 = work.b[kMaxParams], b22 = work.b[kMaxParams + 1];
    EXPECT_EQ(b12, work.b[1]);
    EXPECT_NEAR(b11 * 1 + b12 * 0.5, k.target[0], 1e-14);
    EXPECT_NEAR(b12 * 1 + b22 * 0.5, k.target[1], 1e-14);
    EXPECT_GE(k.target[0] + 0.5 * k.target[1], 0.2 * 2.75 - 1e-14);  // step'B step
    EXPECT_GT(b11, 0.0);
    EXPECT_GT(b11 * b22 - b12 * b12, 0.0);
  }
  // A zero step carries no curvature: B is kept.
  SqpWork work;
  work.b[0] = 3;
  work.glag[0] = 1;
  sqp_bfgs_update(1, ParamVector{}, work);
  EXPECT_EQ(work.b[0], 3.0);
}

}  // namespace
}  // namespace velmor
