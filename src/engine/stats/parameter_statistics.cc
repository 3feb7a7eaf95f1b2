// SPDX-License-Identifier: MIT

#include "engine/stats/parameter_statistics.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/optim/matrix_kernels.h"
#include "engine/stats/matrix_inverse.h"
#include "engine/stats/student_t.h"

namespace velmor {

namespace {

constexpr double kEntryFloor = 2e-16;  // smallest magnitude kept in the normal matrix
constexpr double kDiagonalRidge = 1.0000000141421357;  // 1 + sqrt(2e-16): relative ridge
constexpr double kEntryClamp = 5e15;
constexpr double kDeviationFloor = 2e-15;                        // sqrt of a variance of 4e-30
constexpr double kDeviationReplacement = 1.414213562373095e-08;  // sqrt(2e-16)

}  // namespace

bool stderrpar(FitObserver& observer, int n, int p, std::span<const double> jac, int ldjac,
               ParamMatrix& work, double ssr, ParamVector& se, ParamMatrix& corr, ParamVector& ci) {
  // Working matrices of order p, leading dimension p, as balance and the inverters expect.
  std::vector<double> a(static_cast<std::size_t>(p) * p, 0.0);
  auto at = [p](std::vector<double>& m, int i, int j) -> double& { return m[i + p * j]; };

  // 1. Normal matrix, summed point by point as outer products of the Jacobian rows.
  for (int k = 0; k < n; ++k) {
    for (int j = 0; j < p; ++j) {
      const double jkj = jac[k + static_cast<std::size_t>(ldjac) * j];
      for (int i = 0; i < p; ++i) at(a, i, j) += jac[k + static_cast<std::size_t>(ldjac) * i] * jkj;
    }
  }

  // 2. Conditioning: floor, exact symmetry, ridge, clamp.
  for (double& x : a) {
    if (std::fabs(x) < kEntryFloor) x = kEntryFloor;
  }
  for (int j = 0; j < p; ++j) {
    for (int i = j + 1; i < p; ++i) {
      const double mean = 0.5 * (at(a, i, j) + at(a, j, i));
      at(a, i, j) = mean;
      at(a, j, i) = mean;
    }
  }
  for (int i = 0; i < p; ++i) at(a, i, i) *= kDiagonalRidge;
  for (double& x : a) x = std::clamp(x, -kEntryClamp, kEntryClamp);
  std::vector<double> saved = a;

  // 3. Inversion; Gauss-Jordan on the saved copy when the LU pivot is exactly zero.
  balance(a.data(), p);
  if (lumatinv(p, a) != 0) {
    a = saved;
    invertmat(a, p);
  }
  work.fill(0.0);
  for (int j = 0; j < p; ++j) {
    for (int i = 0; i < p; ++i) work[param_index(i, j)] = at(a, i, j);
  }

  // 4. A variance that is not positive ends the statistics.
  corr.fill(0.0);
  for (int i = 0; i < p; ++i) {
    if (at(a, i, i) <= 0.0) {
      observer.message(kWarning, kMatrixDiagonalMessage);
      return false;
    }
  }

  // 5. Deviations, floored so that no correlation divides by zero.
  std::vector<double> d(p);
  for (int i = 0; i < p; ++i) {
    d[i] = std::sqrt(std::fabs(at(a, i, i)));
    if (d[i] <= kDeviationFloor) d[i] = kDeviationReplacement;
  }

  // 6. Lower triangle computed, mirrored, diagonal forced to exactly 1.
  for (int j = 0; j < p; ++j) {
    for (int i = j; i < p; ++i) {
      const double r = at(a, i, j) / d[j] / d[i];
      corr[param_index(i, j)] = r;
      corr[param_index(j, i)] = r;
    }
    if (corr[param_index(j, j)] != 1.0) corr[param_index(j, j)] = 1.0;
  }

  // 7, 8. Scale by the standard error of regression and the t value.
  const int dof = n - p;
  const double s = std::sqrt(ssr / dof);
  const double t = tvalue(dof);
  for (int i = 0; i < p; ++i) {
    se[i] = d[i] * s;
    ci[i] = se[i] * t;
  }
  return true;
}

}  // namespace velmor
