// SPDX-License-Identifier: MIT

#include "engine/optim/matrix_kernels.h"

#include <cmath>
#include <utility>
#include <vector>

#include "engine/optim/lu_inverse.h"

namespace velmor {

namespace {

// The shared body of sdotm and sdsdot: the sum is accumulated onto `start` in the order the
// strides dictate, so both give bit-identical sums for the same data.
double strided_dot(int n, double start, const double* x, int incx, const double* y, int incy) {
  double sum = start;
  if (n < 1) return sum;
  if (incx == incy && incx > 0) {
    if (incx == 1) {
      // Lead-in of n mod 5 products, then blocks of five.
      const int lead = n % 5;
      for (int i = 0; i < lead; ++i) sum += x[i] * y[i];
      for (int i = lead; i < n; i += 5) {
        sum = sum + x[i] * y[i] + x[i + 1] * y[i + 1] + x[i + 2] * y[i + 2] + x[i + 3] * y[i + 3] +
              x[i + 4] * y[i + 4];
      }
      return sum;
    }
    for (int i = 0; i < n * incx; i += incx) sum += x[i] * y[i];
    return sum;
  }
  // A negative stride walks its vector from the far end, (1 - n) * inc in 1-based terms.
  int ix = incx < 0 ? (1 - n) * incx : 0;
  int iy = incy < 0 ? (1 - n) * incy : 0;
  for (int i = 0; i < n; ++i) {
    sum += x[ix] * y[iy];
    ix += incx;
    iy += incy;
  }
  return sum;
}

}  // namespace

double sdotm(int n, const double* x, int incx, const double* y, int incy) {
  return strided_dot(n, 0.0, x, incx, y, incy);
}

double sdsdot(int n, double sb, const double* x, int incx, const double* y, int incy) {
  return strided_dot(n, sb, x, incx, y, incy);
}

namespace detail {

bool lu_invert(double* a, int n, int lda, LuPivotRule rule) {
  auto at = [a, lda](int i, int j) -> double& { return a[i + lda * j]; };
  const bool stop = rule == LuPivotRule::kStopAtZeroPivot;
  if (n < 1) return true;
  if (n == 1) {
    if (a[0] == 0.0) return !stop;
    a[0] = 1.0 / a[0];
    return true;
  }

  // Crout factorisation P*a = L*U with unit lower L, column by column: column j of the
  // matrix is first reduced against the factored columns, then the pivot is the entry of
  // largest magnitude among rows j..n-1 (strictly larger replaces, so the first wins ties),
  // then the row of U right of the pivot and the column of L below it are completed.
  std::vector<int> pivot(n);
  for (int j = 0; j < n; ++j) {
    for (int i = j; i < n; ++i) at(i, j) = -sdsdot(j, -at(i, j), &at(i, 0), lda, &at(0, j), 1);
    int p = j;
    double largest = std::fabs(at(j, j));
    for (int i = j + 1; i < n; ++i) {
      if (std::fabs(at(i, j)) > largest) {
        largest = std::fabs(at(i, j));
        p = i;
      }
    }
    pivot[j] = p;
    if (p != j) {
      for (int c = 0; c < n; ++c) std::swap(at(j, c), at(p, c));
    }
    const double d = at(j, j);
    if (stop && d == 0.0) return false;
    for (int c = j + 1; c < n; ++c) at(j, c) = -sdsdot(j, -at(j, c), &at(j, 0), lda, &at(0, c), 1);
    if (stop) {
      const double r = 1.0 / d;
      for (int i = j + 1; i < n; ++i) at(i, j) *= r;
    } else {
      for (int i = j + 1; i < n; ++i) at(i, j) /= d;
    }
  }

  // Inverse of U in place, columns from the last, each column from the diagonal upwards:
  // X(i,j) = -(sum_{k=i+1..j} U(i,k) X(k,j)) / U(i,i); U(i,j) is read before it is replaced.
  for (int j = n - 1; j >= 0; --j) {
    at(j, j) = 1.0 / at(j, j);
    for (int i = j - 1; i >= 0; --i) {
      const double sum = sdsdot(j - i, 0.0, &at(i, i + 1), lda, &at(i + 1, j), 1);
      at(i, j) = stop ? -sum * (1.0 / at(i, i)) : -sum / at(i, i);
    }
  }

  // inv(P*a) = inv(U) * inv(L): solve X * L = inv(U) for X, columns from the last.
  std::vector<double> work(n);
  for (int j = n - 2; j >= 0; --j) {
    for (int i = j + 1; i < n; ++i) {
      work[i] = at(i, j);
      at(i, j) = 0.0;
    }
    for (int i = 0; i < n; ++i) {
      at(i, j) -= sdotm(n - j - 1, &at(i, j + 1), lda, &work[j + 1], 1);
    }
  }

  // inv(a) = inv(P*a) * P: undo the row exchanges as column exchanges, last first.
  for (int j = n - 2; j >= 0; --j) {
    if (pivot[j] != j) {
      for (int i = 0; i < n; ++i) std::swap(at(i, j), at(i, pivot[j]));
    }
  }
  return true;
}

}  // namespace detail

void inv_lu(double* a, int n, int lda) {
  detail::lu_invert(a, n, lda, detail::LuPivotRule::kIgnoreZeroPivot);
}

void inv_lu_stop(double* a, int n, int lda) {
  detail::lu_invert(a, n, lda, detail::LuPivotRule::kStopAtZeroPivot);
}

void balance(double* a, int n) {
  auto at = [a, n](int i, int j) -> double& { return a[i + n * j]; };
  bool changed = true;
  while (changed) {
    changed = false;
    for (int i = 0; i < n; ++i) {
      double cs = 0.0;
      double rs = 0.0;
      for (int j = 0; j < n; ++j) {
        if (j == i) continue;
        cs += std::fabs(at(j, i));
        rs += std::fabs(at(i, j));
      }
      // A non-finite norm would keep the scaling loops below running for ever.
      if (cs == 0.0 || rs == 0.0 || !std::isfinite(cs) || !std::isfinite(rs)) continue;
      double f = 1.0;
      const double s = cs + rs;
      while (cs < rs / 2.0) {
        f *= 2.0;
        cs *= 4.0;
      }
      while (cs > 2.0 * rs) {
        f /= 2.0;
        cs /= 4.0;
      }
      if ((cs + rs) / f < 0.95 * s) {
        const double g = 1.0 / f;
        for (int j = 0; j < n; ++j) at(i, j) *= g;
        for (int j = 0; j < n; ++j) at(j, i) *= f;
        changed = true;
      }
    }
  }
}

}  // namespace velmor
