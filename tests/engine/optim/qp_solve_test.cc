#include "engine/optim/qp_solve.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/core/machine_constants.h"
#include "qp_test_problems.h"

namespace velmor {
namespace {

using testing::expect_kkt;
using testing::solution;
using testing::TestQp;

constexpr double kKktTol = 1e-10;

QpOutcome solve_cold(const TestQp& qp, QpWorkspace& w) {
  w = QpWorkspace{};
  std::copy(qp.start.begin(), qp.start.end(), w.x.begin());
  return qp_solve(qp.problem(), w, kQpColdStart);
}

// Every problem has a unique minimiser, given for a second check beside the KKT conditions.
struct KnownQp {
  TestQp qp;
  std::vector<double> minimiser;
};

// clang-format off
std::vector<KnownQp> known_family() {
  return {
      // Interior minimiser (1, 1), no constraint active.
      {{"interior", 2, {2, 0, 0, 4}, {2, 4}, {}, {}, {-5, -5}, {5, 5}, 0, {3, -4}}, {1, 1}},
      // Both variables pushed onto a bound, one lower and one upper.
      {{"bounds", 2, {1, 0, 0, 1}, {3, -3}, {}, {}, {-1, -1}, {1, 1}, 0, {0, 0}}, {1, -1}},
      // (x-2)^2 + (y-1)^2 with x + y <= 2, taken as -x - y >= -2: minimiser (1.5, 0.5).
      {{"inequality", 2, {2, 0, 0, 2}, {4, 2}, {-1, -1}, {-2}, {-9, -9}, {9, 9}, 0, {0, 0}}, {1.5, 0.5}},
      // x'x with x1 + x2 + x3 = 1.
      {{"equality", 3, {2, 0, 0, 0, 2, 0, 0, 0, 2}, {0, 0, 0}, {1, 1, 1}, {1}, {-9, -9, -9}, {9, 9, 9}, 1, {5, 5, 5}},
       {1.0 / 3, 1.0 / 3, 1.0 / 3}},
      // Equality x1 - x2 = 0, inequality x1 + x2 >= 3 and an upper bound on x3: (1.5, 1.5, 1).
      {{"mixed", 3, {2, 0, 0, 0, 2, 0, 0, 0, 2}, {0, 0, 4}, {1, -1, 0, 1, 1, 0}, {0, 3}, {-9, -9, -9}, {9, 9, 1}, 1, {0, 0, 0}},
       {1.5, 1.5, 1}},
      // Degenerate vertex: x >= 1, y >= 1 and x + y >= 2 all hold at the minimiser (1, 1).
      {{"degenerate", 2, {2, 0, 0, 2}, {0, 0}, {1, 0, 0, 1, 1, 1}, {1, 1, 2}, {-9, -9}, {9, 9}, 0, {4, 4}}, {1, 1}},
      // Singular Hessian: x^2 - y with y <= 1 - x/2 (x/2 + y <= 1): minimiser (-0.25, 1.125).
      {{"semidefinite", 2, {2, 0, 0, 0}, {0, 1}, {-0.5, -1}, {-1}, {-9, -9}, {9, 9}, 0, {-3, -3}}, {-0.25, 1.125}},
      // A linear programme (A = 0): minimise -x - y in the triangle x, y >= 0, x + 2y <= 4,
      // 3x + y <= 6; vertex (1.6, 1.2).
      {{"linear", 2, {0, 0, 0, 0}, {1, 1}, {-1, -2, -3, -1}, {-4, -6}, {0, 0}, {9, 9}, 0, {0, 0}}, {1.6, 1.2}},
  };
}
// clang-format on

class KnownQpTest : public ::testing::TestWithParam<KnownQp> {};

// A cold start meets the KKT conditions at the minimiser. From that answer, a warm start without
// the Hessian (it must not read it), a start from the optimal active list and a start from the
// equalities alone all give the same minimiser again.
TEST_P(KnownQpTest, EveryStartModeReachesTheMinimiser) {
  const KnownQp& c = GetParam();
  QpWorkspace w;
  ASSERT_EQ(solve_cold(c.qp, w), QpOutcome::kOptimal);
  expect_kkt(c.qp, w, kKktTol);
  for (int i = 0; i < c.qp.n; ++i) EXPECT_NEAR(w.x[i], c.minimiser[i], 1e-12) << i;

  QpWorkspace warm = w;
  QpProblem p = c.qp.problem();
  p.a = nullptr;
  std::fill(warm.x.begin(), warm.x.end(), 0.0);
  ASSERT_EQ(qp_solve(p, warm, kQpWarmStart), QpOutcome::kOptimal);
  expect_kkt(c.qp, warm, kKktTol);
  for (int i = 0; i < c.qp.n; ++i) EXPECT_NEAR(warm.x[i], w.x[i], 1e-12);
  EXPECT_EQ(warm.k, w.k);

  for (int length : {w.k, c.qp.meq}) {
    QpWorkspace listed = w;
    listed.factor = QpWorkspace::Factor{};
    listed.k = length;
    if (length == c.qp.meq) {
      for (int e = 0; e < length; ++e) listed.active[e] = 2 * c.qp.n + 1 + e;
    }
    ASSERT_EQ(qp_solve(c.qp.problem(), listed, kQpStartFromList), QpOutcome::kOptimal);
    expect_kkt(c.qp, listed, kKktTol);
    for (int i = 0; i < c.qp.n; ++i) EXPECT_NEAR(listed.x[i], c.minimiser[i], 1e-12);
  }
}

INSTANTIATE_TEST_SUITE_P(Family, KnownQpTest, ::testing::ValuesIn(known_family()),
                         [](const auto& info) { return info.param.qp.name; });

// Random convex QPs with a known feasible point, some with a singular Hessian, started from
// a random (mostly infeasible) point.
TestQp random_qp(int seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-1, 1);
  TestQp qp;
  qp.name = "random" + std::to_string(seed);
  qp.n = 2 + seed % 9;
  const int n = qp.n;
  const int rank = seed % 3 == 0 ? n - 1 : n;
  std::vector<double> l(n * rank);
  for (double& v : l) v = u(gen);
  qp.a.assign(n * n, 0.0);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int r = 0; r < rank; ++r) qp.a[i + n * j] += l[i + n * r] * l[j + n * r];
  for (int i = 0; i < n; ++i) qp.q.push_back(3 * u(gen));
  std::vector<double> x0(n);
  for (int i = 0; i < n; ++i) {
    x0[i] = u(gen);
    qp.bl.push_back(-2 - std::fabs(u(gen)));
    qp.bu.push_back(2 + std::fabs(u(gen)));
  }
  const int mg = seed % 7;
  qp.meq = std::min(mg, seed % 3);
  for (int j = 0; j < mg; ++j) {
    double s = 0.0;
    for (int i = 0; i < n; ++i) {
      qp.g.push_back(u(gen));
      s += qp.g.back() * x0[i];
    }
    // Every fourth problem is degenerate: all constraints pass through x0 and one repeats.
    const bool tight = j < qp.meq || seed % 4 == 0;
    qp.b.push_back(tight ? s : s - 0.3 * std::fabs(u(gen)));
  }
  if (seed % 4 == 0 && mg > qp.meq) {
    qp.g.insert(qp.g.end(), qp.g.end() - n, qp.g.end());
    qp.b.push_back(qp.b.back());
  }
  for (int i = 0; i < n; ++i) qp.start.push_back(3 * u(gen));
  return qp;
}

TEST(QpSolveRandom, ColdAndWarmAnswersMeetKktConditions) {
  for (int seed = 1; seed <= 300; ++seed) {
    const TestQp qp = random_qp(seed);
    QpWorkspace w;
    ASSERT_EQ(solve_cold(qp, w), QpOutcome::kOptimal) << qp.name;
    expect_kkt(qp, w, kKktTol);
    // Warm start from the solution with a changed linear term: it solves the new problem.
    TestQp shifted = qp;
    for (double& v : shifted.q) v += 0.5;
    QpWorkspace warm = w;
    ASSERT_EQ(qp_solve(shifted.problem(), warm, kQpWarmStart), QpOutcome::kOptimal) << qp.name;
    expect_kkt(shifted, warm, kKktTol);
    QpWorkspace cold;
    ASSERT_EQ(solve_cold(shifted, cold), QpOutcome::kOptimal);
    EXPECT_NEAR(shifted.objective(solution(warm, qp.n)), shifted.objective(solution(cold, qp.n)),
                1e-10)
        << qp.name;
  }
}

TEST(QpSolve, WarmStartKeepsTheHessianOfThePreviousCall) {
  TestQp qp = known_family()[2].qp;  // minimiser (1.5, 0.5) with A = 2I
  QpWorkspace w;
  ASSERT_EQ(solve_cold(qp, w), QpOutcome::kOptimal);
  TestQp changed = qp;
  changed.a = {20, 0, 0, 20};  // a cold start would now find the interior point (0.2, 0.1)
  ASSERT_EQ(qp_solve(changed.problem(), w, kQpWarmStart), QpOutcome::kOptimal);
  EXPECT_NEAR(w.x[0], 1.5, 1e-12);
  EXPECT_NEAR(w.x[1], 0.5, 1e-12);
  ASSERT_EQ(qp_solve(changed.problem(), w, kQpColdStart), QpOutcome::kOptimal);
  EXPECT_NEAR(w.x[0], 0.2, 1e-12);
  EXPECT_NEAR(w.x[1], 0.1, 1e-12);
  EXPECT_EQ(w.k, 0);
}

TEST(QpSolve, ContradictoryConstraintsGiveAnEmptyActiveSet) {
  const std::vector<TestQp> infeasible = {
      // x1 >= 1 and x1 <= 0 as general constraints.
      {"opposed", 2, {1, 0, 0, 1}, {0, 0}, {1, 0, -1, 0}, {1, 0}, {-9, -9}, {9, 9}, 0, {0, 0}},
      // x1 + x2 = 1 and x1 + x2 = 2.
      {"equalities", 2, {1, 0, 0, 1}, {0, 0}, {1, 1, 1, 1}, {1, 2}, {-9, -9}, {9, 9}, 2, {0, 0}},
      // x1 + x2 >= 5 against the bounds x <= 2.
      {"bounds", 2, {1, 0, 0, 1}, {0, 0}, {1, 1}, {5}, {-2, -2}, {2, 2}, 0, {0, 0}},
  };
  for (const TestQp& qp : infeasible) {
    QpWorkspace w;
    w.k = 3;
    EXPECT_EQ(solve_cold(qp, w), QpOutcome::kInfeasible) << qp.name;
    EXPECT_EQ(w.k, 0) << qp.name;
    int violated = 0;
    for (int code = 1; code <= qp.mg() + 2 * qp.n; ++code)
      violated += w.status[code - 1] == kQpViolated;
    EXPECT_GE(violated, 1) << qp.name;
    // A warm start after an infeasible call has nothing to reuse and stays infeasible.
    EXPECT_EQ(qp_solve(qp.problem(), w, kQpWarmStart), QpOutcome::kInfeasible) << qp.name;
  }
}

TEST(QpSolve, ZeroCurvatureDirectionEndsAtTheFarBoundOrIsUnbounded) {
  // minimise -x1 - x2 + x2^2/2 with x in [0, 1e15]^2: the flat direction runs to the bound.
  TestQp far = {"far", 2, {0, 0, 0, 1}, {1, 1}, {}, {}, {0, 0}, {1e15, 1e15}, 0, {0, 0}};
  QpWorkspace w;
  ASSERT_EQ(solve_cold(far, w), QpOutcome::kOptimal);
  EXPECT_EQ(w.x[0], 1e15);
  EXPECT_NEAR(w.x[1], 1.0, 1e-15);
  ASSERT_EQ(w.k, 1);
  EXPECT_EQ(w.active[0], 3);
  EXPECT_NEAR(w.multiplier[0], 1.0, 1e-15);
  // With an infinite bound the ray has no end.
  TestQp ray = far;
  ray.bu = {HUGE_VAL, 1e15};
  EXPECT_EQ(solve_cold(ray, w), QpOutcome::kUnbounded);
}

TEST(QpSolve, RelaxedSubproblemKeepsSmallMultipliersBesideAHugeLinearTerm) {
  // The optimiser's subproblem shape: variables (d1, d2, d3, r), Hessian I on d and 0 on r,
  // linear term (-g, big) with r in [0, 1] pushed to 1. Constraint 1 is violated at the
  // current point (c = -0.5) and relaxed, constraint 2 is satisfied (c = 2).
  const double big = kBig;
  const std::vector<double> g = {1.0, -2.0, 0.5};
  TestQp qp;
  qp.name = "relaxed";
  qp.n = 4;
  qp.a = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
  qp.q = {-g[0], -g[1], -g[2], big};
  qp.g = {1, 0, 0, -0.5, 0, 1, 1, 0};
  qp.b = {0, -2};
  qp.bl = {-big, -big, -big, 0};
  qp.bu = {big, big, big, 1};
  qp.start = {0, 0, 0, 1};
  QpWorkspace w;
  ASSERT_EQ(solve_cold(qp, w), QpOutcome::kOptimal);
  // d1 >= 0.5 binds: d = (0.5, 2, -0.5), r = 1, lambda1 = d1 + g1 = 1.5, constraint 2 slack.
  EXPECT_NEAR(w.x[0], 0.5, 1e-14);
  EXPECT_NEAR(w.x[1], 2.0, 1e-14);
  EXPECT_NEAR(w.x[2], -0.5, 1e-14);
  EXPECT_EQ(w.x[3], 1.0);
  ASSERT_EQ(w.k, 2);
  for (int e = 0; e < w.k; ++e) {
    if (w.active[e] == 2 * qp.n + 1) {
      EXPECT_NEAR(w.multiplier[e], 1.5, 1e-14);
    } else {
      EXPECT_EQ(w.active[e], 2 * qp.n);
    }
  }
}

}  // namespace
}  // namespace velmor
