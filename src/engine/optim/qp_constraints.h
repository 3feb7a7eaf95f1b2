// SPDX-License-Identifier: MIT

#pragma once

#include <cmath>

#include "engine/optim/matrix_kernels.h"
#include "engine/optim/qp_solve.h"

// Constraint arithmetic shared by the feasibility and optimality phases of qp_solve. A
// working-set code is a constraint number 1..M, or -(i+1) for the pseudo constraint that fixes
// variable i (0-based) at factor.pseudo_value[i].
namespace velmor::detail {

// The single-precision literal 1e-25, widened: a rate of change below minus this can block a
// move, a residual below minus this marks a constraint violated.
inline constexpr double kQpRateTol = 1.0000000195414814e-25;
// Relative size of a residual that is rounding, not infeasibility, in the final verdict.
inline constexpr double kQpVerdictTol = 1e-12;
// A rate normal' s smaller than this fraction of sum |normal_i s_i| is cancellation: the
// direction runs along the constraint.
inline constexpr double kQpCancellation = 1e-13;

class QpConstraints {
 public:
  explicit QpConstraints(const QpProblem& p) : p_(p), n_(p.n) {}

  int n() const { return p_.n; }
  int m() const { return p_.m; }
  bool is_pseudo(int code) const { return code < 0; }
  bool is_bound(int code) const { return code >= 1 && code <= 2 * n_; }
  bool is_general(int code) const { return code > 2 * n_; }
  bool is_equality(int code) const { return is_general(code) && code - 2 * n_ <= p_.meq; }
  // 0-based general constraint index of a general code.
  int general_index(int code) const { return code - 2 * n_ - 1; }

  // Variable fixed by a bound or pseudo code, and the sign of its normal (+e_i or -e_i).
  int fixed_variable(int code) const {
    if (code < 0) return -code - 1;
    return code <= n_ ? code - 1 : code - n_ - 1;
  }
  double fixed_sign(int code) const { return code > n_ && code <= 2 * n_ ? -1.0 : 1.0; }
  // The value at which a bound or pseudo code holds its variable.
  double fixed_value(int code, const double* pseudo_value) const {
    if (code < 0) return pseudo_value[-code - 1];
    return code <= n_ ? p_.bl[code - 1] : p_.bu[code - n_ - 1];
  }

  // Right-hand side in the normal' x >= rhs form: bl, -bu or b.
  double rhs(int code, const double* pseudo_value) const {
    if (code < 0) return pseudo_value[-code - 1];
    if (code <= n_) return p_.bl[code - 1];
    if (code <= 2 * n_) return -p_.bu[code - n_ - 1];
    return p_.b[general_index(code)];
  }

  // Component i of the constraint's normal.
  double normal(int code, int i) const {
    if (is_general(code)) return column(code)[i];
    return fixed_variable(code) == i ? fixed_sign(code) : 0.0;
  }

  // x - bl, bu - x or sum G x - b.
  double residual(int code, const double* x, const double* pseudo_value) const {
    if (code < 0) return x[-code - 1] - pseudo_value[-code - 1];
    if (code <= n_) return x[code - 1] - p_.bl[code - 1];
    if (code <= 2 * n_) return p_.bu[code - n_ - 1] - x[code - n_ - 1];
    return sdotm(n_, column(code), 1, x, 1) - p_.b[general_index(code)];
  }

  // Rate of change of the residual along s: normal' s.
  double rate(int code, const double* s) const {
    if (is_general(code)) return sdotm(n_, column(code), 1, s, 1);
    return fixed_sign(code) * s[fixed_variable(code)];
  }

  // The rate along s when it is a genuine fall (below -1e-25 and above cancellation level),
  // else 0.
  double falling_rate(int code, const double* s) const {
    const double r = rate(code, s);
    if (!(r < -kQpRateTol)) return 0.0;
    double size = 0.0;
    for (int i = 0; i < n_; ++i) size += std::fabs(normal(code, i) * s[i]);
    return -r > kQpCancellation * size ? r : 0.0;
  }
  // The same for a genuine rise.
  double rising_rate(int code, const double* s) const {
    const double r = rate(code, s);
    if (!(r > kQpRateTol)) return 0.0;
    double size = 0.0;
    for (int i = 0; i < n_; ++i) size += std::fabs(normal(code, i) * s[i]);
    return r > kQpCancellation * size ? r : 0.0;
  }

  // A residual of the constraint at x that is below minus this is a real violation; smaller
  // negative residuals are rounding in forming the residual.
  double verdict_tolerance(int code, const double* x, const double* pseudo_value) const {
    double scale = std::fabs(rhs(code, pseudo_value));
    for (int i = 0; i < n_; ++i) scale += std::fabs(normal(code, i) * x[i]);
    return kQpVerdictTol * scale + kQpRateTol;
  }

  const double* column(int code) const { return p_.g + p_.ldg * general_index(code); }

 private:
  const QpProblem& p_;
  int n_;
};

}  // namespace velmor::detail
