// SPDX-License-Identifier: MIT

#include "engine/stats/matrix_inverse.h"

#include <cmath>
#include <utility>
#include <vector>

namespace velmor {

namespace {

// Column-major access with leading dimension n.
class SquareView {
 public:
  SquareView(std::span<double> a, int n) : a_(a), n_(n) {}
  double& operator()(int i, int j) { return a_[i + n_ * j]; }

 private:
  std::span<double> a_;
  int n_;
};

}  // namespace

int lumatinv(int n, std::span<double> a) {
  if (n < 1) return 0;
  SquareView m(a, n);
  std::vector<int> pivot(n);

  // Factorisation. Row exchanges are applied to the columns still to be eliminated only, so
  // the stored multipliers form a product of elementary transforms (the inverse below undoes
  // the exchanges as column swaps in reverse order).
  for (int k = 0; k < n; ++k) {
    int l = k;
    for (int i = k + 1; i < n; ++i) {
      if (std::fabs(m(i, k)) > std::fabs(m(l, k))) l = i;
    }
    pivot[k] = l;
    if (m(l, k) == 0.0) return k + 1;
    if (l != k) std::swap(m(l, k), m(k, k));
    const double t = -1.0 / m(k, k);
    for (int i = k + 1; i < n; ++i) m(i, k) *= t;
    for (int j = k + 1; j < n; ++j) {
      const double tt = m(l, j);
      if (l != k) std::swap(m(l, j), m(k, j));
      for (int i = k + 1; i < n; ++i) m(i, j) += tt * m(i, k);
    }
  }

  // inverse(U) in the upper triangle.
  for (int k = 0; k < n; ++k) {
    m(k, k) = 1.0 / m(k, k);
    const double t = -m(k, k);
    for (int i = 0; i < k; ++i) m(i, k) *= t;
    for (int j = k + 1; j < n; ++j) {
      const double tt = m(k, j);
      m(k, j) = 0.0;
      for (int i = 0; i <= k; ++i) m(i, j) += tt * m(i, k);
    }
  }

  // inverse(U) * inverse(L), with the exchanges undone as column swaps.
  std::vector<double> work(n);
  for (int k = n - 2; k >= 0; --k) {
    for (int i = k + 1; i < n; ++i) {
      work[i] = m(i, k);
      m(i, k) = 0.0;
    }
    for (int j = k + 1; j < n; ++j) {
      const double t = work[j];
      for (int i = 0; i < n; ++i) m(i, k) += t * m(i, j);
    }
    const int l = pivot[k];
    if (l != k) {
      for (int i = 0; i < n; ++i) std::swap(m(i, k), m(i, l));
    }
  }
  return 0;
}

void invertmat(std::span<double> a, int n) {
  if (n < 1) return;
  SquareView m(a, n);
  std::vector<int> used(n, 0);
  std::vector<int> row_of(n, 0);
  std::vector<int> col_of(n, 0);
  int irow = -1;
  int icol = -1;

  for (int step = 0; step < n; ++step) {
    // Largest magnitude among unused rows and columns. A strictly larger value is needed to
    // move the choice, so when only zeros are left the previous column comes up again.
    double largest = 0.0;
    for (int j = 0; j < n; ++j) {
      if (used[j] == 1) continue;
      for (int k = 0; k < n; ++k) {
        if (used[k] == 0 && std::fabs(m(j, k)) > largest) {
          largest = std::fabs(m(j, k));
          irow = j;
          icol = k;
        }
      }
    }
    if (icol < 0 || ++used[icol] > 1) return;  // singular: stop without a message

    if (irow != icol) {
      for (int l = 0; l < n; ++l) std::swap(m(irow, l), m(icol, l));
    }
    row_of[step] = irow;
    col_of[step] = icol;
    const double pivot_inverse = 1.0 / m(icol, icol);
    m(icol, icol) = 1.0;
    for (int l = 0; l < n; ++l) m(icol, l) *= pivot_inverse;
    for (int r = 0; r < n; ++r) {
      if (r == icol) continue;
      const double factor = m(r, icol);
      m(r, icol) = 0.0;
      for (int l = 0; l < n; ++l) m(r, l) -= m(icol, l) * factor;
    }
  }

  for (int step = n - 1; step >= 0; --step) {
    if (row_of[step] != col_of[step]) {
      for (int k = 0; k < n; ++k) std::swap(m(k, row_of[step]), m(k, col_of[step]));
    }
  }
}

}  // namespace velmor
