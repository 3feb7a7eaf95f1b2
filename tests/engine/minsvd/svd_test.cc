#include "engine/minsvd/svd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace velmor {
namespace {

struct SvdCase {
  std::string name;
  int m;
  int n;
  std::vector<double> a;         // column-major, leading dimension m
  std::vector<double> expected;  // singular values in decreasing order; empty when not known
};

void PrintTo(const SvdCase& c, std::ostream* os) {
  *os << c.name;
}

std::vector<double> random_matrix(int m, int n, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<double> entry(-1.0, 1.0);
  std::vector<double> a(static_cast<std::size_t>(m) * n);
  for (double& x : a) x = entry(generator);
  return a;
}

// a = sum over r of u_r v_r^T: rank r for generic vectors.
std::vector<double> low_rank(int n, int rank, unsigned seed) {
  const std::vector<double> u = random_matrix(n, rank, seed);
  const std::vector<double> v = random_matrix(n, rank, seed + 1);
  std::vector<double> a(static_cast<std::size_t>(n) * n, 0.0);
  for (int r = 0; r < rank; ++r) {
    for (int j = 0; j < n; ++j) {
      for (int i = 0; i < n; ++i) a[i + n * j] += u[i + n * r] * v[j + n * r];
    }
  }
  return a;
}

std::vector<double> with_zero_column(std::vector<double> a, int m, int column) {
  for (int i = 0; i < m; ++i) a[i + m * column] = 0.0;
  return a;
}

std::vector<SvdCase> svd_cases() {
  return {
      {"Random4x4", 4, 4, random_matrix(4, 4, 7), {}},
      {"RandomTall6x3", 6, 3, random_matrix(6, 3, 11), {}},
      {"Random25x25", 25, 25, random_matrix(25, 25, 13), {}},
      {"RankTwo5x5", 5, 5, low_rank(5, 2, 17), {}},
      {"RankOne3x3", 3, 3, low_rank(3, 1, 19), {}},
      // diag(3, -7, 0, 0.5): the singular values are the magnitudes.
      {"DiagonalWithNegativeAndZero",
       4,
       4,
       {3, 0, 0, 0, 0, -7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.5},
       {7, 3, 0.5, 0}},
      {"OneByOneNegative", 1, 1, {-2.5}, {2.5}},
      // [[3, 0], [4, 5]]: sigma1 sigma2 = |det| = 15, sigma1^2 + sigma2^2 = 50.
      {"TwoByTwoWorked", 2, 2, {3, 4, 0, 5}, {std::sqrt(45.0), std::sqrt(5.0)}},
      {"ZeroColumn4x4", 4, 4, with_zero_column(random_matrix(4, 4, 23), 4, 1), {}},
      {"AllZero2x2", 2, 2, {0, 0, 0, 0}, {0, 0}},
  };
}

class SvdDecomposition : public ::testing::TestWithParam<SvdCase> {};

TEST_P(SvdDecomposition, ReconstructsInputWithNonNegativeValuesAndOrthonormalFactors) {
  const SvdCase& c = GetParam();
  const int m = c.m;
  const int n = c.n;
  std::vector<double> u = c.a;
  std::vector<double> w(n), v(static_cast<std::size_t>(n) * n), rv1(n);
  ASSERT_EQ(svd_decompose(m, n, u, m, w, v, n, rv1), kSvdOk);

  double scale = 1.0;
  for (double x : c.a) scale = std::max(scale, std::abs(x));
  const double tol = 1e-13 * scale * (m + n);

  for (int j = 0; j < n; ++j) EXPECT_GE(w[j], 0.0) << "sigma " << j;
  for (int i = 0; i < m; ++i) {
    for (int j = 0; j < n; ++j) {
      double sum = 0.0;
      for (int k = 0; k < n; ++k) sum += u[i + m * k] * w[k] * v[j + n * k];
      EXPECT_NEAR(sum, c.a[i + m * j], tol) << "entry (" << i << ", " << j << ")";
    }
  }
  // V is orthogonal; the columns of U that belong to nonzero singular values are orthonormal.
  for (int p = 0; p < n; ++p) {
    for (int q = 0; q < n; ++q) {
      double vv = 0.0;
      double uu = 0.0;
      for (int k = 0; k < n; ++k) vv += v[k + n * p] * v[k + n * q];
      for (int k = 0; k < m; ++k) uu += u[k + m * p] * u[k + m * q];
      EXPECT_NEAR(vv, p == q ? 1.0 : 0.0, 1e-13 * n) << "V columns " << p << ", " << q;
      if (w[p] > tol && w[q] > tol) {
        EXPECT_NEAR(uu, p == q ? 1.0 : 0.0, 1e-13 * m) << "U columns " << p << ", " << q;
      }
    }
  }
  // The minimiser asks only for U and the values: skipping V must not change them.
  std::vector<double> u_only = c.a;
  std::vector<double> w_only(n);
  ASSERT_EQ(svd_decompose(m, n, u_only, m, w_only, {}, n, rv1), kSvdOk);
  EXPECT_EQ(w_only, w);
  EXPECT_EQ(u_only, u);

  if (!c.expected.empty()) {
    std::vector<double> sorted = w;
    std::ranges::sort(sorted, std::greater<>());
    for (int j = 0; j < n; ++j) EXPECT_NEAR(sorted[j], c.expected[j], 1e-14 * scale);
  }
}

INSTANTIATE_TEST_SUITE_P(Matrices, SvdDecomposition, ::testing::ValuesIn(svd_cases()),
                         [](const auto& info) { return info.param.name; });

TEST(SvdDecomposition, RefusesBadShapesUntouchedAndEndsOnNonFiniteEntries) {
  struct Shape {
    int m, n, lda;
  };
  for (const Shape s : {Shape{2, 0, 2}, Shape{2, 3, 2}, Shape{3, 2, 2}, Shape{4, 4, 4}}) {
    std::vector<double> a(9, 1.5);  // 4x4 does not fit in 9 entries
    std::vector<double> w(3, -1.0), rv1(3, -1.0);
    EXPECT_EQ(svd_decompose(s.m, s.n, a, s.lda, w, {}, 3, rv1), kSvdDimension)
        << s.m << "x" << s.n << " lda " << s.lda;
    EXPECT_EQ(a, std::vector<double>(9, 1.5));
    EXPECT_EQ(w, std::vector<double>(3, -1.0));
  }
  std::vector<double> a(4, 1.0), w(2), v(3), rv1(2);  // V of a 2x2 needs 4 entries
  EXPECT_EQ(svd_decompose(2, 2, a, 2, w, v, 2, rv1), kSvdDimension);

  // A non-finite entry ends in "no convergence", not in a hang.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> b = {1.0, 2.0, nan, 4.0, 0.5, 1.0, 3.0, 1.0, 2.0};
  std::vector<double> w3(3), v3(9), rv3(3);
  EXPECT_EQ(svd_decompose(3, 3, b, 3, w3, v3, 3, rv3), kSvdNoConvergence);
}

}  // namespace
}  // namespace velmor
