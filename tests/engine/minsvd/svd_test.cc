// SPDX-License-Identifier: MIT

#include "engine/minsvd/svd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

namespace velmor {
namespace {

using Matrix = std::vector<double>;  // column-major, leading dimension = rows

Matrix random_matrix(int m, int n, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<double> entry(-1.0, 1.0);
  Matrix a(static_cast<std::size_t>(m) * n);
  for (double& x : a) x = entry(generator);
  return a;
}

// a = U diag(w) V^T, w >= 0, orthonormal U and V, padding kept; U alone the same; known w.
TEST(SvdDecomposition, ReconstructsTheMatrixWithOrthonormalFactors) {
  Matrix zero_column = random_matrix(4, 4, 23);
  std::fill(zero_column.begin() + 4, zero_column.begin() + 8, 0.0);
  const struct {
    int m, n;
    Matrix a;
    std::vector<double> sorted;  // known singular values, decreasing
  } kCases[] = {
      {6, 3, random_matrix(6, 3, 11), {}},
      {25, 25, random_matrix(25, 25, 13), {}},
      {4, 4, zero_column, {}},
      {4, 4, {3, 0, 0, 0, 0, -7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.5}, {7, 3, 0.5, 0}},
      // sigma1 sigma2 = |det| = 15, sigma1^2 + sigma2^2 = 50.
      {2, 2, {3, 4, 0, 5}, {std::sqrt(45.0), std::sqrt(5.0)}},
  };
  for (const auto& c : kCases) {
    const int m = c.m, n = c.n, lda = m + 1;
    SCOPED_TRACE(::testing::Message() << m << "x" << n << " starting " << c.a[0]);
    Matrix u(static_cast<std::size_t>(lda) * n, -99.0);
    for (int j = 0; j < n; ++j) std::copy_n(&c.a[m * j], m, &u[lda * j]);
    std::vector<double> w(n), v(static_cast<std::size_t>(n) * n), rv1(n);
    ASSERT_EQ(svd_decompose(m, n, u, lda, w, v, n, rv1), kSvdOk);

    const double scale =
        std::max(1.0, std::ranges::max(c.a, {}, [](double x) { return std::fabs(x); }));
    const double tol = 1e-13 * scale * (m + n);
    for (int j = 0; j < n; ++j) {
      EXPECT_EQ(u[m + lda * j], -99.0) << "padding of column " << j;
      EXPECT_GE(w[j], 0.0);
      for (int i = 0; i < m; ++i) {
        double sum = 0.0;
        for (int k = 0; k < n; ++k) sum += u[i + lda * k] * w[k] * v[j + n * k];
        EXPECT_NEAR(sum, c.a[i + m * j], tol) << "entry " << i << ", " << j;
      }
      for (int q = 0; q < n; ++q) {
        double vv = 0.0, uu = 0.0;
        for (int k = 0; k < n; ++k) vv += v[k + n * j] * v[k + n * q];
        for (int k = 0; k < m; ++k) uu += u[k + lda * j] * u[k + lda * q];
        EXPECT_NEAR(vv, j == q ? 1.0 : 0.0, 1e-13 * n);
        EXPECT_NEAR(uu, j == q ? 1.0 : 0.0, 1e-13 * m);
      }
    }
    Matrix u_only = c.a;
    std::vector<double> w_only(n);
    ASSERT_EQ(svd_decompose(m, n, u_only, m, w_only, {}, n, rv1), kSvdOk);
    EXPECT_EQ(w_only, w);
    for (int j = 0; j < n; ++j)
      EXPECT_TRUE(std::equal(&u_only[m * j], &u_only[m * j] + m, &u[lda * j]));
    std::ranges::sort(w, std::greater<>());
    for (std::size_t j = 0; j < c.sorted.size(); ++j) EXPECT_NEAR(w[j], c.sorted[j], 1e-14 * scale);
  }
}

TEST(SvdDecomposition, RefusesBadShapesUntouchedAndEndsOnNonFiniteEntries) {
  for (const auto& [m, n, lda] : {std::tuple{2, 0, 2}, {2, 3, 2}, {3, 2, 2}, {4, 4, 4}}) {
    Matrix a(9, 1.5);  // 4x4 does not fit in 9 entries
    std::vector<double> w(3, -1.0), rv1(3, -1.0);
    EXPECT_EQ(svd_decompose(m, n, a, lda, w, {}, 3, rv1), kSvdDimension) << m << "x" << n;
    EXPECT_EQ(a, Matrix(9, 1.5));
    EXPECT_EQ(w, std::vector<double>(3, -1.0));
  }
  Matrix a(4, 1.0), w(2), v(3), rv1(2);  // V of a 2x2 needs 4 entries
  EXPECT_EQ(svd_decompose(2, 2, a, 2, w, v, 2, rv1), kSvdDimension);
  a[2] = std::numeric_limits<double>::quiet_NaN();  // ends in "no convergence", not in a hang
  v.resize(4);
  EXPECT_EQ(svd_decompose(2, 2, a, 2, w, v, 2, rv1), kSvdNoConvergence);
}

}  // namespace
}  // namespace velmor
