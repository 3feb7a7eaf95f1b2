#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/optim/qp_solve.h"

// Small QPs held in vectors, and a check of the first-order conditions of a solver answer.
namespace velmor::testing {

struct TestQp {
  std::string name;
  int n = 0;
  std::vector<double> a;  // n-by-n, leading dimension n
  std::vector<double> q;
  std::vector<double> g;  // n-by-mg, leading dimension n
  std::vector<double> b;
  std::vector<double> bl, bu;
  int meq = 0;
  std::vector<double> start;

  int mg() const { return static_cast<int>(b.size()); }
  QpProblem problem() const {
    QpProblem p;
    p.n = n;
    p.m = mg() + 2 * n;
    p.a = a.data();
    p.lda = n;
    p.q = q.data();
    p.g = g.empty() ? nullptr : g.data();
    p.ldg = n;
    p.b = b.data();
    p.bl = bl.data();
    p.bu = bu.data();
    p.meq = meq;
    return p;
  }
  // Residual of constraint `code` (1-based numbering of the solver) at x.
  double residual(int code, const std::vector<double>& x) const {
    if (code <= n) return x[code - 1] - bl[code - 1];
    if (code <= 2 * n) return bu[code - n - 1] - x[code - n - 1];
    const int j = code - 2 * n - 1;
    double s = -b[j];
    for (int i = 0; i < n; ++i) s += g[i + n * j] * x[i];
    return s;
  }
  double normal(int code, int i) const {
    if (code <= n) return code - 1 == i ? 1.0 : 0.0;
    if (code <= 2 * n) return code - n - 1 == i ? -1.0 : 0.0;
    return g[i + n * (code - 2 * n - 1)];
  }
  double objective(const std::vector<double>& x) const {
    double f = 0.0;
    for (int i = 0; i < n; ++i) {
      f -= q[i] * x[i];
      for (int j = 0; j < n; ++j) f += 0.5 * x[i] * a[i + n * j] * x[j];
    }
    return f;
  }
};

inline std::vector<double> solution(const QpWorkspace& w, int n) {
  return std::vector<double>(w.x.begin(), w.x.begin() + n);
}

// Feasibility, stationarity A x - q = sum lambda normal, multiplier signs and complementarity
// (active constraints hold with equality; inactive ones carry no multiplier by construction).
inline void expect_kkt(const TestQp& qp, const QpWorkspace& w, double tol) {
  const int n = qp.n;
  const std::vector<double> x = solution(w, n);
  double scale = 1.0;
  for (int i = 0; i < n; ++i) scale = std::max({scale, std::fabs(x[i]), std::fabs(qp.q[i])});
  for (int code = 1; code <= qp.mg() + 2 * n; ++code) {
    const double r = qp.residual(code, x);
    const bool equality = code > 2 * n && code - 2 * n <= qp.meq;
    if (equality) {
      EXPECT_NEAR(r, 0.0, tol * scale) << qp.name << " equality " << code;
    } else {
      EXPECT_GE(r, -tol * scale) << qp.name << " constraint " << code;
    }
  }
  std::vector<double> stationarity(n);
  for (int i = 0; i < n; ++i) {
    stationarity[i] = -qp.q[i];
    for (int j = 0; j < n; ++j) stationarity[i] += qp.a[i + n * j] * x[j];
    EXPECT_NEAR(w.gradient[i], stationarity[i], tol * scale) << qp.name << " gradient " << i;
  }
  for (int e = 0; e < w.k; ++e) {
    const int code = w.active[e];
    const bool equality = code > 2 * n && code - 2 * n <= qp.meq;
    EXPECT_NEAR(qp.residual(code, x), 0.0, tol * scale) << qp.name << " active " << code;
    if (!equality) {
      EXPECT_GE(w.multiplier[e], -tol * scale) << qp.name << " sign " << code;
    }
    EXPECT_EQ(w.status[code - 1], equality ? kQpActiveEquality : kQpActiveInequality);
    for (int i = 0; i < n; ++i) stationarity[i] -= w.multiplier[e] * qp.normal(code, i);
  }
  for (int i = 0; i < n; ++i) {
    EXPECT_NEAR(stationarity[i], 0.0, tol * scale) << qp.name << " stationarity " << i;
  }
}

}  // namespace velmor::testing
