#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/stats/matrix_inverse.h"
#include "engine/stats/parameter_statistics.h"
#include "engine/stats/student_t.h"
#include "recording_host.h"

namespace velmor {
namespace {

struct TCase {
  int dof;
  float t;
};

class StudentT : public ::testing::TestWithParam<TCase> {};

TEST_P(StudentT, MatchesTheTableAndTheFittedPieces) {
  EXPECT_EQ(tvalue(GetParam().dof), GetParam().t) << "dof " << GetParam().dof;
}

INSTANTIATE_TEST_SUITE_P(DegreesOfFreedom, StudentT,
                         ::testing::Values(TCase{-3, 0.0f}, TCase{0, 0.0f}, TCase{1, 12.71f},
                                           TCase{19, 2.09f}, TCase{20, 2.09f}, TCase{21, 2.08f},
                                           TCase{30, 2.04f}, TCase{31, 2.04f}, TCase{40, 2.02f},
                                           TCase{60, 2.00f}, TCase{61, 2.00f}, TCase{90, 1.99f},
                                           TCase{120, 1.98f}, TCase{200, 1.97f},
                                           TCase{10000, 1.96f}, TCase{2147483647, 1.96f}));

// a * b for n-by-n column-major matrices.
std::vector<double> multiply(const std::vector<double>& a, const std::vector<double>& b, int n) {
  std::vector<double> c(n * n, 0.0);
  for (int j = 0; j < n; ++j) {
    for (int k = 0; k < n; ++k) {
      for (int i = 0; i < n; ++i) c[i + n * j] += a[i + n * k] * b[k + n * j];
    }
  }
  return c;
}

void expect_identity(const std::vector<double>& m, int n) {
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) EXPECT_NEAR(m[i + n * j], i == j ? 1.0 : 0.0, 1e-12);
  }
}

TEST(MatrixInverse, BothInvertersUndoAMatrixThatNeedsPivoting) {
  // Zero leading entry: neither method can succeed without exchanges.
  const std::vector<double> a3 = {0.0, 1.0, 2.0, 2.0, 1.0, 0.0, 1.0, 0.0, 3.0};

  std::vector<double> lu = a3;
  EXPECT_EQ(lumatinv(3, lu), 0);
  expect_identity(multiply(a3, lu, 3), 3);

  std::vector<double> gj = a3;
  invertmat(gj, 3);
  expect_identity(multiply(a3, gj, 3), 3);
}

// LU reports the column of the first zero pivot; Gauss-Jordan of order 1 leaves a zero alone.
TEST(MatrixInverse, ZeroPivots) {
  std::vector<double> rank_one = {1.0, 2.0, 2.0, 4.0};  // second pivot is exactly 0
  EXPECT_EQ(lumatinv(2, rank_one), 2);
  std::vector<double> zero_column = {0.0, 0.0, 0.0, 1.0};
  EXPECT_EQ(lumatinv(2, zero_column), 1);
  std::vector<double> a = {4.0};
  invertmat(a, 1);
  EXPECT_EQ(a[0], 0.25);
  std::vector<double> z = {0.0};
  invertmat(z, 1);
  EXPECT_EQ(z[0], 0.0);
}

// Jacobian of a straight-line fit y = P1 t + P2 at t = 1..6: J^T J = [[91, 21], [21, 6]], whose
// inverse is [[6, -21], [-21, 91]] / 105.
std::vector<double> line_jacobian() {
  std::vector<double> jac;
  for (int t = 1; t <= 6; ++t) jac.push_back(t);
  for (int t = 1; t <= 6; ++t) jac.push_back(1.0);
  return jac;
}

// One stderrpar call; se, ci and corr start filled with a marker value.
struct StatsRun {
  StatsRun(int n, int p, const std::vector<double>& jac, double ssr, double marker = 0.0) {
    se.fill(marker);
    ci.fill(marker);
    corr.fill(marker);
    ok = stderrpar(host, n, p, jac, n, work, ssr, se, corr, ci);
  }
  testing::RecordingHost host;
  ParamMatrix work{}, corr;
  ParamVector se, ci;
  bool ok = false;
};

TEST(Stderrpar, LineFitGivesTheClosedFormCovariance) {
  const StatsRun r(6, 2, line_jacobian(), 2.0);  // s^2 = ssr / (6 - 2) = 0.5
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.host.messages.empty());
  const ParamMatrix& work = r.work;
  const ParamVector &se = r.se, &ci = r.ci;

  // The ridge of 1.4e-8 on the diagonal shifts the inverse by a relative 1e-7 at most.
  EXPECT_NEAR(work[param_index(0, 0)], 6.0 / 105.0, 1e-7);
  EXPECT_NEAR(work[param_index(1, 0)], -21.0 / 105.0, 1e-6);
  EXPECT_NEAR(work[param_index(1, 1)], 91.0 / 105.0, 1e-6);
  EXPECT_NEAR(se[0], std::sqrt(6.0 / 105.0 * 0.5), 1e-7);
  EXPECT_NEAR(se[1], std::sqrt(91.0 / 105.0 * 0.5), 1e-7);
  EXPECT_DOUBLE_EQ(ci[0], se[0] * static_cast<double>(2.78f));  // t for 4 degrees of freedom
  EXPECT_NEAR(r.corr[param_index(0, 1)], -21.0 / std::sqrt(6.0 * 91.0), 1e-7);
}

// Cofactor inverse of a symmetric 3-by-3 matrix: independent of both inverters.
std::vector<double> cofactor_inverse(const std::vector<double>& m) {
  auto e = [&m](int i, int j) { return m[i + 3 * j]; };
  std::vector<double> inv(9);
  const double det = e(0, 0) * (e(1, 1) * e(2, 2) - e(1, 2) * e(2, 1)) -
                     e(0, 1) * (e(1, 0) * e(2, 2) - e(1, 2) * e(2, 0)) +
                     e(0, 2) * (e(1, 0) * e(2, 1) - e(1, 1) * e(2, 0));
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const int r1 = (j + 1) % 3, r2 = (j + 2) % 3, c1 = (i + 1) % 3, c2 = (i + 2) % 3;
      inv[i + 3 * j] = (e(r1, c1) * e(r2, c2) - e(r1, c2) * e(r2, c1)) / det;
    }
  }
  return inv;
}

TEST(Stderrpar, ThreeParameterCorrelationsMatchAnIndependentInverseAndAreExactlySymmetric) {
  const int n = 8;
  std::vector<double> jac(n * 3);
  for (int k = 0; k < n; ++k) {
    const double t = 0.5 * (k + 1);
    jac[k] = std::exp(-0.3 * t);           // dP1
    jac[k + n] = t * std::exp(-0.3 * t);   // dP2, strongly correlated with dP1
    jac[k + 2 * n] = 1.0 + 0.1 * (k % 3);  // dP3
  }
  std::vector<double> normal(9, 0.0);
  for (int j = 0; j < 3; ++j) {
    for (int i = 0; i < 3; ++i) {
      for (int k = 0; k < n; ++k) normal[i + 3 * j] += jac[k + n * i] * jac[k + n * j];
    }
  }
  const std::vector<double> v = cofactor_inverse(normal);

  const StatsRun r(n, 3, jac, 0.25);
  ASSERT_TRUE(r.ok);
  const ParamMatrix& corr = r.corr;
  const ParamVector &se = r.se, &ci = r.ci;
  const double s = std::sqrt(0.25 / (n - 3));
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(se[i], std::sqrt(v[i + 3 * i]) * s, 1e-5 * se[i]);
    EXPECT_EQ(ci[i], se[i] * static_cast<double>(2.57f));
    EXPECT_EQ(corr[param_index(i, i)], 1.0);
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(corr[param_index(i, j)], corr[param_index(j, i)]);
      EXPECT_NEAR(corr[param_index(i, j)], v[i + 3 * j] / std::sqrt(v[i + 3 * i] * v[j + 3 * j]),
                  1e-5);
    }
  }
}

TEST(Stderrpar, ZeroResidualsGiveZeroErrorsButStillCorrelations) {
  const StatsRun r(6, 2, line_jacobian(), 0.0, -1.0);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.se[0], 0.0);
  EXPECT_EQ(r.se[1], 0.0);
  EXPECT_EQ(r.ci[0], 0.0);
  EXPECT_EQ(r.ci[1], 0.0);
  EXPECT_NEAR(r.corr[param_index(1, 0)], -21.0 / std::sqrt(546.0), 1e-7);
}

TEST(Stderrpar, SingularClampedNormalMatrixIsReportedAndLeavesErrorsUntouched) {
  // Two identical huge columns: every entry of J^T J is clamped to 5e15, LU meets a zero pivot
  // and Gauss-Jordan stops with a zero on the diagonal.
  const StatsRun r(3, 2, std::vector<double>(6, 1e10), 1.0, -1.0);
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.host.messages.size(), 1u);
  EXPECT_EQ(r.host.messages[0].text, "Mat Inversion: Matrix diagonal = 0!");
  for (double x : r.corr) EXPECT_EQ(x, 0.0);
  EXPECT_EQ(r.se[0], -1.0);
  EXPECT_EQ(r.se[1], -1.0);
  EXPECT_EQ(r.ci[0], -1.0);
}

TEST(Stderrpar, ParameterWithoutInfluenceGetsTheReplacementDeviationNotADivisionByZero) {
  // Column 2 is zero: the floor 2e-16 and the ridge keep the normal matrix invertible, its
  // variance is huge, and correlations stay finite.
  const StatsRun r(4, 2, {1.0, 2.0, 3.0, 4.0, 0.0, 0.0, 0.0, 0.0}, 1.0);
  ASSERT_TRUE(r.ok);
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(std::isfinite(r.se[i]));
    for (int j = 0; j < 2; ++j) EXPECT_TRUE(std::isfinite(r.corr[param_index(i, j)]));
  }
  EXPECT_GT(r.se[1], 1e6);
}

}  // namespace
}  // namespace velmor
