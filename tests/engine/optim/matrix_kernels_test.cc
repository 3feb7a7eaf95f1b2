#include "engine/optim/matrix_kernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "engine/optim/lu_inverse.h"

namespace velmor {
namespace {

using Matrix = std::vector<double>;  // column-major, leading dimension n

Matrix multiply(const Matrix& a, const Matrix& b, int n) {
  Matrix c(n * n, 0.0);
  for (int j = 0; j < n; ++j)
    for (int k = 0; k < n; ++k)
      for (int i = 0; i < n; ++i) c[i + n * j] += a[i + n * k] * b[k + n * j];
  return c;
}

double distance_from_identity(const Matrix& a, int n) {
  double worst = 0.0;
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) worst = std::max(worst, std::fabs(a[i + n * j] - (i == j)));
  return worst;
}

TEST(Sdotm, EmptyAndBlockedSumsAndStrides) {
  const double x[] = {1, 2, 3, 4, 5, 6, 7};
  const double y[] = {7, 6, 5, 4, 3, 2, 1};
  EXPECT_EQ(sdotm(0, x, 1, y, 1), 0.0);
  EXPECT_EQ(sdotm(-3, x, 1, y, 1), 0.0);
  EXPECT_EQ(sdsdot(0, 2.5, x, 1, y, 1), 2.5);
  // Lead-in of two products, then one block of five: 7+12+15+16+15+12+7.
  EXPECT_EQ(sdotm(7, x, 1, y, 1), 84.0);
  EXPECT_EQ(sdsdot(7, 1.0, x, 1, y, 1), 85.0);
  // Equal strides 2: elements 0, 2, 4, 6.
  EXPECT_EQ(sdotm(4, x, 2, y, 2), 1 * 7 + 3 * 5 + 5 * 3 + 7 * 1);
  // A negative stride walks from the far end: x[2], x[1], x[0] against y[0], y[1], y[2].
  EXPECT_EQ(sdotm(3, x, -1, y, 1), 3 * 7 + 2 * 6 + 1 * 5);
  // Unequal strides: x[0], x[3], x[6] against y[0], y[1], y[2].
  EXPECT_EQ(sdotm(3, x, 3, y, 1), 1 * 7 + 4 * 6 + 7 * 5);
}

TEST(Sdotm, UnrolledSumEqualsPlainSumForEveryLength) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int n = 1; n <= 23; ++n) {
    std::vector<double> x(n), y(n);
    double plain = 0.0;
    for (int i = 0; i < n; ++i) {
      x[i] = u(gen);
      y[i] = u(gen);
      plain += x[i] * y[i];
    }
    EXPECT_NEAR(sdotm(n, x.data(), 1, y.data(), 1), plain, 1e-14) << n;
    // Through the general branch (stride 1 against stride 1 reversed twice) the same sum.
    EXPECT_NEAR(sdotm(n, x.data(), -1, std::vector<double>(y.rbegin(), y.rend()).data(), 1), plain,
                1e-14);
  }
}

TEST(InvLu, PermutationMatrixGivesItsTranspose) {
  // Each a permutation with row exchanges in the factorisation.
  const std::vector<std::vector<int>> perms = {{1, 0}, {2, 0, 1}, {3, 2, 0, 1}, {4, 0, 3, 1, 2}};
  for (const auto& perm : perms) {
    const int n = static_cast<int>(perm.size());
    Matrix p(n * n, 0.0);
    for (int j = 0; j < n; ++j) p[perm[j] + n * j] = 1.0;
    for (bool stop : {false, true}) {
      Matrix inv = p;
      stop ? inv_lu_stop(inv.data(), n, n) : inv_lu(inv.data(), n, n);
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) EXPECT_EQ(inv[i + n * j], p[j + n * i]) << n << i << j;
    }
  }
}

TEST(InvLu, RandomWellConditionedMatricesWithLeadingDimension) {
  std::mt19937 gen(11);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int n = 2; n <= 12; ++n) {
    const int lda = n + 3;
    Matrix a(n * n);
    for (double& v : a) v = u(gen);
    for (int i = 0; i < n; ++i) a[i + n * i] += (i % 2 ? -1.0 : 1.0) * n;  // diagonally dominant
    for (bool stop : {false, true}) {
      std::vector<double> padded(lda * n, -99.0);
      for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) padded[i + lda * j] = a[i + n * j];
      stop ? inv_lu_stop(padded.data(), n, lda) : inv_lu(padded.data(), n, lda);
      Matrix inv(n * n);
      for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) inv[i + n * j] = padded[i + lda * j];
      for (int j = 0; j < n; ++j)
        for (int i = n; i < lda; ++i) EXPECT_EQ(padded[i + lda * j], -99.0);  // padding untouched
      EXPECT_LT(distance_from_identity(multiply(a, inv, n), n), 1e-13) << n;
    }
  }
}

TEST(InvLu, PivotsOnTheReducedColumn) {
  // Choosing the pivot of column 2 before reducing it would pick the entry that becomes 0.
  Matrix a = {1, 1, 0, 1, 1, 1, 0, 1, 1};
  Matrix inv = a;
  inv_lu(inv.data(), 3, 3);
  EXPECT_LT(distance_from_identity(multiply(a, inv, 3), 3), 1e-15);
}

// A 1-by-1 zero stays 0 and 4 becomes 0.25; the stopping variant reports an exactly zero pivot
// and stops there with finite, partly transformed entries.
TEST(InvLu, OneByOneAndZeroPivots) {
  double zero = 0.0, four = 4.0, also_zero = 0.0;
  inv_lu(&zero, 1, 1);
  inv_lu(&four, 1, 1);
  inv_lu_stop(&also_zero, 1, 1);
  EXPECT_EQ(zero, 0.0);
  EXPECT_EQ(four, 0.25);
  EXPECT_EQ(also_zero, 0.0);
  Matrix singular = {1, 2, 2, 4};  // second column twice the first
  EXPECT_FALSE(detail::lu_invert(singular.data(), 2, 2, detail::LuPivotRule::kStopAtZeroPivot));
  for (double v : singular) EXPECT_TRUE(std::isfinite(v));
  Matrix copy = {1, 2, 2, 4};
  inv_lu_stop(copy.data(), 2, 2);
  for (double v : copy) EXPECT_TRUE(std::isfinite(v));
}

TEST(Balance, LeavesSymmetricMatricesUnchanged) {
  std::mt19937 gen(3);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int n = 1; n <= 8; ++n) {
    Matrix a(n * n);
    for (int j = 0; j < n; ++j)
      for (int i = 0; i <= j; ++i) a[i + n * j] = a[j + n * i] = u(gen) * std::pow(10.0, 4 * i);
    Matrix b = a;
    balance(b.data(), n);
    EXPECT_EQ(a, b) << n;
  }
}

TEST(Balance, ScalesByPowersOfTwoAndKeepsTheDiagonalOfTheInverse) {
  const int n = 3;
  const Matrix a = {4, 1e-3, 2e-4, 3e3, 5, 1e-2, 7e4, 6e2, 6};
  Matrix b = a;
  balance(b.data(), n);
  EXPECT_NE(a, b);
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const double ratio = b[i + n * j] / a[i + n * j];
      int exponent = 0;
      EXPECT_EQ(std::frexp(ratio, &exponent), 0.5) << i << j;  // an exact power of 2
      if (i == j) {
        EXPECT_EQ(ratio, 1.0);
      }
    }
  }
  Matrix inv_a = a;
  Matrix inv_b = b;
  inv_lu(inv_a.data(), n, n);
  inv_lu(inv_b.data(), n, n);
  for (int i = 0; i < n; ++i)
    EXPECT_NEAR(inv_b[i + n * i], inv_a[i + n * i], 1e-12 * std::fabs(inv_a[i + n * i]));
}

TEST(Balance, ReturnsOnNonFiniteEntries) {
  const double inf = std::numeric_limits<double>::infinity();
  Matrix a = {1, inf, 2, 3};
  balance(a.data(), 2);
  EXPECT_EQ(a[1], inf);
  Matrix b = {1, std::nan(""), 2, 3};
  balance(b.data(), 2);
  EXPECT_TRUE(std::isnan(b[1]));
}

}  // namespace
}  // namespace velmor
