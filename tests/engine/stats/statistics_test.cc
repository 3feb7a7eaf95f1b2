// SPDX-License-Identifier: MIT

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/stats/aicc.h"
#include "engine/stats/parameter_statistics.h"
#include "engine/stats/student_t.h"
#include "recording_host.h"

namespace velmor {
namespace {

// The table to 20 degrees of freedom, then the fitted pieces down to 1.96; none below 1.
TEST(StudentT, MatchesTheTableAndTheFittedPieces) {
  const std::pair<int, float> kCases[] = {{0, 0.0f},    {1, 12.71f},   {20, 2.09f}, {21, 2.08f},
                                          {31, 2.04f},  {40, 2.02f},   {61, 2.00f}, {90, 1.99f},
                                          {200, 1.97f}, {10000, 1.96f}};
  for (const auto& [dof, t] : kCases) EXPECT_EQ(tvalue(dof), t) << "dof " << dof;
}

// One stderrpar call; se, ci and corr start filled with a marker value.
struct StatsRun {
  StatsRun(int n, int p, const std::vector<double>& jac, double ssr, double marker = 0.0) {
    se.fill(marker);
    ci.fill(marker);
    corr.fill(marker);
    ok = stderrpar(host, n, p, jac, n, work, ssr, se, corr, ci);
  }
  double v(int i, int j) const { return work[param_index(i, j)]; }
  double r(int i, int j) const { return corr[param_index(i, j)]; }
  testing::RecordingHost host;
  ParamMatrix work{}, corr;
  ParamVector se, ci;
  bool ok = false;
};

// Errors and correlations against the cofactor inverse of J^T J; ssr = 0 gives zero errors.
TEST(Stderrpar, ThreeParametersMatchACofactorInverse) {
  const int n = 8;
  std::vector<double> jac(n * 3);
  for (int k = 0; k < n; ++k) {
    const double t = 0.5 * (k + 1);
    jac[k] = std::exp(-0.3 * t);           // dP1
    jac[k + n] = t * std::exp(-0.3 * t);   // dP2, strongly correlated with dP1
    jac[k + 2 * n] = 1.0 + 0.1 * (k % 3);  // dP3
  }
  auto a = [&](int i, int j) {
    double sum = 0.0;
    for (int k = 0; k < n; ++k) sum += jac[k + n * i] * jac[k + n * j];
    return sum;
  };
  // Cofactors of the symmetric normal matrix: V = adj(A) / det(A).
  auto cofactor = [&](int i, int j) {
    const int r1 = (j + 1) % 3, r2 = (j + 2) % 3, c1 = (i + 1) % 3, c2 = (i + 2) % 3;
    return a(r1, c1) * a(r2, c2) - a(r1, c2) * a(r2, c1);
  };
  const double det = a(0, 0) * cofactor(0, 0) + a(0, 1) * cofactor(1, 0) + a(0, 2) * cofactor(2, 0);
  auto v = [&](int i, int j) { return cofactor(i, j) / det; };

  const StatsRun r(n, 3, jac, 0.25);
  ASSERT_TRUE(r.ok);
  const double s = std::sqrt(0.25 / (n - 3));
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(r.se[i], std::sqrt(v(i, i)) * s, 1e-5 * r.se[i]);
    EXPECT_EQ(r.ci[i], r.se[i] * static_cast<double>(2.57f));
    EXPECT_EQ(r.r(i, i), 1.0);
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(r.r(i, j), r.r(j, i));
      EXPECT_NEAR(r.r(i, j), v(i, j) / std::sqrt(v(i, i) * v(j, j)), 1e-5);
    }
  }
  const StatsRun exact(n, 3, jac, 0.0, -1.0);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(exact.se[i] == 0.0 && exact.ci[i] == 0.0) << i;
  EXPECT_EQ(exact.corr, r.corr);
}

// The 2e-16 floor with the ridge, then +-5e15 clamping and the replacement deviation.
TEST(Stderrpar, FloorRidgeAndReplacementDeviationTameNearSingularMatrices) {
  const StatsRun r(4, 2, {1.0, 2.0, 3.0, 4.0, 0.0, 0.0, 0.0, 0.0}, 2.0);
  const double ridge = 1.0000000141421357, a = 30.0 * ridge, b = 2e-16, c = 2e-16 * ridge;
  const double det = a * c - b * b;
  EXPECT_NEAR(r.se[0], std::sqrt(c / det), 1e-9 * r.se[0]);  // s = sqrt(2 / (4 - 2)) = 1
  EXPECT_NEAR(r.se[1], std::sqrt(a / det), 1e-9 * r.se[1]);
  EXPECT_NEAR(r.r(0, 1), -b / std::sqrt(a * c), 1e-12);
  const StatsRun v(4, 3, {0, 0, 0, -1e6, -1, 1e12, -1e4, 1e18, 0, 0, 0, -1e8}, 1.0);
  ASSERT_TRUE(r.ok && v.ok);
  ASSERT_LE(v.v(0, 0), 4e-30);
  EXPECT_EQ(v.se[0], 1.414213562373095e-08);  // s = sqrt(1 / (4 - 3)) = 1
  EXPECT_EQ(v.ci[0], v.se[0] * static_cast<double>(12.71f));
  EXPECT_DOUBLE_EQ(v.r(1, 0), v.v(1, 0) / 1.414213562373095e-08 / std::sqrt(v.v(1, 1)));
}

// Two identical huge columns: every entry of J^T J is clamped to 5e15, and both inverters fail.
TEST(Stderrpar, SingularClampedNormalMatrixIsReportedAndLeavesErrorsUntouched) {
  const StatsRun r(3, 2, std::vector<double>(6, 1e10), 1.0, -1.0);
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.host.messages.size(), 1u);
  EXPECT_EQ(r.host.messages[0].text, "Mat Inversion: Matrix diagonal = 0!");
  for (double x : r.corr) EXPECT_EQ(x, 0.0);
  for (int i = 0; i < 2; ++i) EXPECT_TRUE(r.se[i] == -1.0 && r.ci[i] == -1.0) << i;
}

TEST(Aicc, WorkedExamplesAndThePenalty) {
  // n = 20, p = 2: q = 760 / 324 = 2.3457, tenths 14, F = penalty + 1.4; ssr = n makes ln 0.
  EXPECT_NEAR(aicc(20, 2, 0.25, 20.0), 1.65 * 2 * 20 / 18.0, 1e-12);
  // n = 1000, p = 3: q = 2.0100, tenths 10, F = penalty + 1.0.
  EXPECT_NEAR(aicc(1000, 3, 0.5, 1000.0 * std::exp(-2.0)), -2000.0 + 1.5 * 3 * 1000 / 997.0, 1e-9);
  // Without residual degrees of freedom the fit ranks last instead of dividing by zero.
  EXPECT_EQ(aicc(3, 3, 0.0, 1.0), std::numeric_limits<double>::infinity());
  // Each relative error is capped at 2; a parameter at 0 contributes 2, a NaN error makes NaN.
  const ParamVector x{2.0, -4.0, 0.0};
  ParamVector se{1.0, 100.0, 0.0};
  EXPECT_DOUBLE_EQ(relative_error_penalty(3, x, se), 0.5 + 2.0 + 2.0);
  se[0] = std::nan("");
  EXPECT_TRUE(std::isnan(relative_error_penalty(3, x, se)));
}

}  // namespace
}  // namespace velmor
