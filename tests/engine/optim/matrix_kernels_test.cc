// SPDX-License-Identifier: MIT

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

// Worked sums with strides (negative ones walk from the far end); every unrolled length.
TEST(Sdotm, WorkedSumsStridesAndEveryLengthOfTheUnrolledLoop) {
  const double x[] = {1, 2, 3, 4, 5, 6, 7};
  const double y[] = {7, 6, 5, 4, 3, 2, 1};
  EXPECT_EQ(sdotm(-3, x, 1, y, 1), 0.0);
  EXPECT_EQ(sdsdot(0, 2.5, x, 1, y, 1), 2.5);
  EXPECT_EQ(sdsdot(7, 1.0, x, 1, y, 1), 85.0);
  EXPECT_EQ(sdotm(3, x, 3, y, 2), 1 * 7 + 4 * 5 + 7 * 3);
  EXPECT_EQ(sdotm(3, x, -1, y, -2), 3 * 3 + 2 * 5 + 1 * 7);
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int n = 1; n <= 23; ++n) {
    std::vector<double> a(n), b(n);
    double plain = 0.0;
    for (int i = 0; i < n; ++i) plain += (a[i] = u(gen)) * (b[i] = u(gen));
    EXPECT_NEAR(sdotm(n, a.data(), 1, b.data(), 1), plain, 1e-14) << n;
  }
}

// Inverted in place in a padded leading dimension, pivoting rows; a singular one stops.
TEST(InvLu, InvertsInPlaceWithRowPivoting) {
  std::vector<std::pair<int, Matrix>> cases = {
      {2, {0, 1, 1, 0}}, {3, {0, 0, 1, 1, 0, 0, 0, 1, 0}}, {3, {1, 1, 0, 1, 1, 1, 0, 1, 1}}};
  std::mt19937 gen(11);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int n = 1; n <= 12; ++n) {
    Matrix a(n * n);
    for (double& v : a) v = u(gen);
    for (int i = 0; i < n; ++i) a[i + n * i] += (i % 2 ? -1.0 : 1.0) * n;
    cases.emplace_back(n, a);
  }
  for (const auto& [n, a] : cases) {
    for (const bool stop : {false, true}) {
      const int lda = n + 2;
      std::vector<double> padded(lda * n, -99.0);
      for (int j = 0; j < n; ++j) std::copy_n(&a[n * j], n, &padded[lda * j]);
      stop ? inv_lu_stop(padded.data(), n, lda) : inv_lu(padded.data(), n, lda);
      for (int j = 0; j < n; ++j) {
        EXPECT_EQ(padded[n + lda * j], -99.0);
        EXPECT_EQ(padded[n + 1 + lda * j], -99.0);
        for (int i = 0; i < n; ++i) {
          double sum = 0.0;
          for (int k = 0; k < n; ++k) sum += a[i + n * k] * padded[k + lda * j];
          EXPECT_NEAR(sum, i == j, 1e-13) << n << (stop ? " stop " : " ") << i << j;
        }
      }
    }
  }
  Matrix singular = {1, 2, 2, 4};
  EXPECT_FALSE(detail::lu_invert(singular.data(), 2, 2, detail::LuPivotRule::kStopAtZeroPivot));
}

// Powers-of-2 similarity scaling to a fixed point; symmetric, zero or non-finite rows stay.
TEST(Balance, ScalesByPowersOfTwoAsASimilarityTransform) {
  const int n = 3;
  const Matrix a = {4, 1e-3, 2e-4, 3e3, 5, 1e-2, 7e4, 6e2, 6};
  Matrix b = a;
  balance(b.data(), n);
  EXPECT_NE(a, b);
  Matrix again = b;
  balance(again.data(), n);
  EXPECT_EQ(again, b);
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      int exponent = 0;
      EXPECT_EQ(std::frexp(b[i + n * j] / a[i + n * j], &exponent), 0.5) << i << j;
    }
    EXPECT_EQ(b[j + n * j], a[j + n * j]);
  }
  const double inf = std::numeric_limits<double>::infinity();
  for (const Matrix& skipped :
       {Matrix{1, 0, 5, 1}, Matrix{1, 5, 0, 1}, Matrix{1, inf, 2, 3}, Matrix{2, 1e4, 1e4, 3}}) {
    Matrix c = skipped;
    balance(c.data(), 2);
    EXPECT_EQ(c, skipped);
  }
}

}  // namespace
}  // namespace velmor
