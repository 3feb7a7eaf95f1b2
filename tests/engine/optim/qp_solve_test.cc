// SPDX-License-Identifier: MIT

#include "engine/optim/qp_solve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace velmor {
namespace {

// Constraint codes as the solver numbers them: lower bounds, upper bounds, general ones.
struct TestQp {
  std::string name;
  int n = 0;
  std::vector<double> a, q, g, b, bl, bu;  // a: n-by-n, g: n-by-mg, both leading dimension n
  int meq = 0;
  std::vector<double> start;

  int m() const { return static_cast<int>(b.size()) + 2 * n; }
  QpProblem problem() const {
    return {n, m(),      a.data(),  n,         q.data(), g.empty() ? nullptr : g.data(),
            n, b.data(), bl.data(), bu.data(), meq};
  }
  bool equality(int code) const { return code > 2 * n && code - 2 * n <= meq; }
  double normal(int code, int i) const {
    if (code <= n) return code - 1 == i ? 1.0 : 0.0;
    if (code <= 2 * n) return code - n - 1 == i ? -1.0 : 0.0;
    return g[i + n * (code - 2 * n - 1)];
  }
  double residual(int code, const double* x) const {  // normal'x - (bl, -bu or b)
    double s = code <= n ? -bl[code - 1] : code <= 2 * n ? bu[code - n - 1] : -b[code - 2 * n - 1];
    for (int i = 0; i < n; ++i) s += normal(code, i) * x[i];
    return s;
  }
};

// Feasibility, stationarity (also the reported gradient), multiplier signs, active flags.
void expect_kkt(const TestQp& qp, const QpWorkspace& w) {
  const int n = qp.n;
  const double* x = w.x.data();
  double scale = 1.0;
  for (int i = 0; i < n; ++i) scale = std::max({scale, std::fabs(x[i]), std::fabs(qp.q[i])});
  const double tol = 1e-10 * scale;
  for (int code = 1; code <= qp.m(); ++code) {
    const double r = qp.residual(code, x);
    EXPECT_NEAR(qp.equality(code) ? r : 0.0, 0.0, tol) << qp.name << " equality " << code;
    EXPECT_GE(r, -tol) << qp.name << " constraint " << code;
  }
  std::vector<double> stationarity(n);
  for (int i = 0; i < n; ++i) {
    stationarity[i] = -qp.q[i];
    for (int j = 0; j < n; ++j) stationarity[i] += qp.a[i + n * j] * x[j];
    EXPECT_NEAR(w.gradient[i], stationarity[i], tol) << qp.name << " gradient " << i;
  }
  for (int e = 0; e < w.k; ++e) {
    const int code = w.active[e];
    EXPECT_NEAR(qp.residual(code, x), 0.0, tol) << qp.name << " active " << code;
    EXPECT_GE(qp.equality(code) ? 0.0 : w.multiplier[e], -tol) << qp.name << " sign " << code;
    EXPECT_EQ(w.status[code - 1], qp.equality(code) ? kQpActiveEquality : kQpActiveInequality);
    for (int i = 0; i < n; ++i) stationarity[i] -= w.multiplier[e] * qp.normal(code, i);
  }
  for (int i = 0; i < n; ++i) EXPECT_NEAR(stationarity[i], 0.0, tol) << qp.name << " KKT " << i;
}

QpOutcome solve_cold(const TestQp& qp, QpWorkspace& w) {
  w = QpWorkspace{};
  std::copy(qp.start.begin(), qp.start.end(), w.x.begin());
  return qp_solve(qp.problem(), w, kQpColdStart);
}

// clang-format off
const std::vector<TestQp> kFamily = {
    {"inequality", 2, {2, 0, 0, 2}, {4, 2}, {-1, -1}, {-2}, {-9, -9}, {9, 9}, 0, {0, 0}},
    {"mixed", 3, {2, 0, 0, 0, 2, 0, 0, 0, 2}, {0, 0, 4}, {1, -1, 0, 1, 1, 0}, {0, 3}, {-9, -9, -9}, {9, 9, 1}, 1, {0, 0, 0}},
    // x >= 1, y >= 1 and x + y >= 2 all hold at the minimiser.
    {"degenerate", 2, {2, 0, 0, 2}, {0, 0}, {1, 0, 0, 1, 1, 1}, {1, 1, 2}, {-9, -9}, {9, 9}, 0, {4, 4}},
    {"linear", 2, {0, 0, 0, 0}, {1, 1}, {-1, -2, -3, -1}, {-4, -6}, {0, 0}, {9, 9}, 0, {0, 0}},
};
// clang-format on

// A random convex QP feasible at x0; every third Hessian singular, every fourth degenerate.
TestQp random_qp(int seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-1, 1);
  TestQp qp;
  qp.name = "random" + std::to_string(seed);
  const int n = qp.n = seed % 50 == 0 ? kQpMaxVars : 2 + seed % 9;
  const int rank = seed % 3 == 0 ? n - 1 : n;
  std::vector<double> l(n * rank), x0(n);
  for (double& v : l) v = u(gen);
  qp.a.assign(n * n, 0.0);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int r = 0; r < rank; ++r) qp.a[i + n * j] += l[i + n * r] * l[j + n * r];
  for (int i = 0; i < n; ++i) {
    qp.q.push_back(3 * u(gen));
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
    qp.b.push_back(j < qp.meq || seed % 4 == 0 ? s : s - 0.3 * std::fabs(u(gen)));
  }
  if (seed % 4 == 0 && mg > qp.meq) {
    qp.g.insert(qp.g.end(), qp.g.end() - n, qp.g.end());
    qp.b.push_back(qp.b.back());
  }
  for (int i = 0; i < n; ++i) qp.start.push_back(3 * u(gen));
  return qp;
}

// Cold, warm (not reading A) and from a list: all meet the KKT conditions.
TEST(QpSolve, EveryStartModeMeetsTheKktConditions) {
  std::vector<TestQp> problems = kFamily;
  for (int seed = 1; seed <= 300; ++seed) problems.push_back(random_qp(seed));
  for (const TestQp& qp : problems) {
    QpWorkspace w;
    ASSERT_EQ(solve_cold(qp, w), QpOutcome::kOptimal) << qp.name;
    expect_kkt(qp, w);
    QpWorkspace warm = w;
    QpProblem without_a = qp.problem();
    without_a.a = nullptr;
    std::fill(warm.x.begin(), warm.x.end(), 0.0);
    ASSERT_EQ(qp_solve(without_a, warm, kQpWarmStart), QpOutcome::kOptimal) << qp.name;
    expect_kkt(qp, warm);
    EXPECT_EQ(warm.k, w.k);
    for (const int length : {w.k, qp.meq}) {
      QpWorkspace listed = w;
      listed.factor = QpWorkspace::Factor{};
      listed.k = length;
      for (int e = 0; length == qp.meq && e < length; ++e) listed.active[e] = 2 * qp.n + 1 + e;
      ASSERT_EQ(qp_solve(qp.problem(), listed, kQpStartFromList), QpOutcome::kOptimal) << qp.name;
      expect_kkt(qp, listed);
    }
  }
}

// Infeasible problems leave an empty active set, violated constraints flagged.
TEST(QpSolve, ContradictoryConstraintsGiveAnEmptyActiveSet) {
  const std::vector<TestQp> infeasible = {
      {"opposed", 2, {1, 0, 0, 1}, {0, 0}, {1, 0, -1, 0}, {1, 0}, {-9, -9}, {9, 9}, 0, {0, 0}},
      {"equalities", 2, {1, 0, 0, 1}, {0, 0}, {1, 1, 1, 1}, {1, 2}, {-9, -9}, {9, 9}, 2, {0, 0}},
  };
  for (const TestQp& qp : infeasible) {
    QpWorkspace w;
    EXPECT_EQ(solve_cold(qp, w), QpOutcome::kInfeasible) << qp.name;
    EXPECT_EQ(w.k, 0) << qp.name;
    EXPECT_GE(std::count(w.status.begin(), w.status.begin() + qp.m(), kQpViolated), 1) << qp.name;
    EXPECT_EQ(qp_solve(qp.problem(), w, kQpWarmStart), QpOutcome::kInfeasible) << qp.name;
  }
  // So are impossible shapes: m below 2n, meq above the general constraints or negative, n = 0.
  for (const auto& [n, m, meq] : {std::tuple{2, 3, 0}, {2, 5, 2}, {0, 1, 0}}) {
    QpProblem p = kFamily[0].problem();  // n = 2 with one general constraint
    p.n = n, p.m = m, p.meq = meq;
    QpWorkspace w;
    w.k = 1;
    EXPECT_EQ(qp_solve(p, w, kQpColdStart), QpOutcome::kInfeasible) << m << ' ' << meq;
    EXPECT_EQ(w.k, 0);
  }
}

// -x1 - x2 + x2^2/2 on [0, 1e15]^2: the flat direction runs to the bound; without one, no end.
TEST(QpSolve, ZeroCurvatureDirectionEndsAtTheFarBoundOrIsUnbounded) {
  TestQp far = {"far", 2, {0, 0, 0, 1}, {1, 1}, {}, {}, {0, 0}, {1e15, 1e15}, 0, {0, 0}};
  QpWorkspace w;
  ASSERT_EQ(solve_cold(far, w), QpOutcome::kOptimal);
  expect_kkt(far, w);
  EXPECT_EQ(w.x[0], 1e15);
  EXPECT_NEAR(w.x[1], 1.0, 1e-15);
  far.bu = {HUGE_VAL, 1e15};
  EXPECT_EQ(solve_cold(far, w), QpOutcome::kUnbounded);
}

}  // namespace
}  // namespace velmor
