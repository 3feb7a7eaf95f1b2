// SPDX-License-Identifier: MIT
// Feasibility phase of qp_solve: a simplex method on the sum of infeasibilities over a basis of
// N constraints. The start basis is made of pseudo constraints that fix every variable at its
// start value; each exchange frees one basis member along the edge that reduces the sum of
// infeasibilities fastest and stops at the first point where a constraint changes side, which
// then enters the basis. So every point visited, and the one returned, is a vertex.
#include <algorithm>
#include <cmath>

#include "engine/optim/lu_inverse.h"
#include "engine/optim/qp_constraints.h"
#include "engine/optim/qp_solve.h"

namespace velmor {

namespace {

using detail::kQpRateTol;
using detail::QpConstraints;

class FeasibilityPhase {
 public:
  FeasibilityPhase(const QpProblem& p, QpWorkspace& w) : cons_(p), w_(w), f_(w.factor), n_(p.n) {}

  QpOutcome run();

 private:
  bool invert_basis();
  void move_to_vertex();
  bool in_basis(int code) const {
    return std::find(f_.set.begin(), f_.set.begin() + f_.count, code) != f_.set.begin() + f_.count;
  }
  double binv(int i, int j) const { return binv_[i + kQpMaxVars * j]; }
  bool bring_in_equalities();
  // The simplex steps work with the violations that exceed rounding; a residual between
  // -1e-25 and minus its rounding tolerance is treated as a constraint at its bound, so a
  // repeated constraint cannot pass the basis back and forth on rounding noise.
  bool violated_beyond_rounding(int code) const {
    const double* pv = f_.pseudo_value.data();
    return cons_.residual(code, w_.x.data(), pv) < -cons_.verdict_tolerance(code, w_.x.data(), pv);
  }
  QpOutcome verdict();

  QpConstraints cons_;
  QpWorkspace& w_;
  QpWorkspace::Factor& f_;
  int n_;
  // Inverse of the basis matrix whose column p is the normal of f_.set[p].
  std::array<double, kQpMaxVars * kQpMaxVars> binv_{};
};

bool FeasibilityPhase::invert_basis() {
  for (int p = 0; p < n_; ++p) {
    for (int i = 0; i < n_; ++i) binv_[i + kQpMaxVars * p] = cons_.normal(f_.set[p], i);
  }
  return detail::lu_invert(binv_.data(), n_, kQpMaxVars, detail::LuPivotRule::kStopAtZeroPivot);
}

// The vertex of the basis: B' x = rhs, so x = inv(B)' rhs. Variables held by a bound or
// pseudo member are set to its value exactly.
void FeasibilityPhase::move_to_vertex() {
  std::array<double, kQpMaxVars> rhs{};
  for (int p = 0; p < n_; ++p) rhs[p] = cons_.rhs(f_.set[p], f_.pseudo_value.data());
  for (int i = 0; i < n_; ++i) w_.x[i] = sdotm(n_, &binv_[kQpMaxVars * i], 1, rhs.data(), 1);
  for (int p = 0; p < n_; ++p) {
    const int code = f_.set[p];
    if (!cons_.is_general(code)) {
      w_.x[cons_.fixed_variable(code)] = cons_.fixed_value(code, f_.pseudo_value.data());
    }
  }
}

// Each equality replaces the pseudo member it depends on most. An equality that depends on
// the equalities already in the basis alone is redundant, or contradicts them.
bool FeasibilityPhase::bring_in_equalities() {
  for (int code = 2 * n_ + 1; code <= cons_.m() && cons_.is_equality(code); ++code) {
    std::array<double, kQpMaxVars> beta{};
    double largest_any = 0.0;
    for (int p = 0; p < n_; ++p) {
      double sum = 0.0;
      for (int i = 0; i < n_; ++i) sum += binv(p, i) * cons_.normal(code, i);
      beta[p] = sum;
      largest_any = std::max(largest_any, std::fabs(sum));
    }
    int leave = -1;
    double largest = 0.0;
    for (int p = 0; p < n_; ++p) {
      if (cons_.is_pseudo(f_.set[p]) && std::fabs(beta[p]) > largest) {
        largest = std::fabs(beta[p]);
        leave = p;
      }
    }
    if (leave < 0 || largest <= detail::kQpVerdictTol * largest_any) {
      const double r = cons_.residual(code, w_.x.data(), f_.pseudo_value.data());
      if (std::fabs(r) > cons_.verdict_tolerance(code, w_.x.data(), f_.pseudo_value.data())) {
        return false;
      }
      continue;
    }
    f_.set[leave] = code;
    if (!invert_basis()) return false;
    move_to_vertex();
  }
  return true;
}

QpOutcome FeasibilityPhase::run() {
  w_.k = 0;
  std::fill(w_.status.begin(), w_.status.end(), kQpInactive);
  f_.valid = false;
  f_.n = n_;
  f_.m = cons_.m();
  f_.count = n_;
  f_.order = 0;
  for (int i = 0; i < n_; ++i) {
    f_.set[i] = -(i + 1);
    f_.pseudo_value[i] = w_.x[i];
  }
  if (!invert_basis()) return verdict();
  if (!bring_in_equalities()) return verdict();

  const int limit = 10 * (cons_.m() + n_) + 100;
  for (int iteration = 0; iteration < limit; ++iteration) {
    // Gradient of the sum of the violated residuals, the quantity to increase.
    std::array<double, kQpMaxVars> h{};
    double h_size = 0.0;
    bool violated = false;
    for (int code = 1; code <= cons_.m(); ++code) {
      if (cons_.is_equality(code) || in_basis(code)) continue;
      if (violated_beyond_rounding(code)) {
        violated = true;
        for (int i = 0; i < n_; ++i) {
          h[i] += cons_.normal(code, i);
          h_size += std::fabs(cons_.normal(code, i));
        }
      }
    }
    if (!violated) break;

    // h = B mu: freeing member p along +-(row p of inv(B)) changes h'x at the rate mu_p.
    // A real member may only be left towards its feasible side (mu_p > 0), a pseudo member
    // in either direction; equalities never leave.
    double binv_size = 0.0;
    for (int j = 0; j < n_ * kQpMaxVars; ++j) binv_size = std::max(binv_size, std::fabs(binv_[j]));
    const double noise = 1e-13 * h_size * binv_size;
    int leave = -1;
    double best = noise;
    double direction_sign = 1.0;
    for (int p = 0; p < n_; ++p) {
      const int code = f_.set[p];
      if (cons_.is_equality(code)) continue;
      double mu = 0.0;
      for (int i = 0; i < n_; ++i) mu += binv(p, i) * h[i];
      const double candidate = cons_.is_pseudo(code) ? std::fabs(mu) : mu;
      if (candidate > best) {
        best = candidate;
        leave = p;
        direction_sign = mu < 0.0 ? -1.0 : 1.0;
      }
    }
    if (leave < 0) break;

    std::array<double, kQpMaxVars> d{};
    for (int i = 0; i < n_; ++i) d[i] = direction_sign * binv(leave, i);

    // First breakpoint: a satisfied constraint about to be violated, or a violated one
    // reaching its bound. Strictly smaller replaces, so the lowest number wins ties.
    double step = HUGE_VAL;
    int enter = 0;
    for (int code = 1; code <= cons_.m(); ++code) {
      if (cons_.is_equality(code) || in_basis(code)) continue;
      const double r = cons_.residual(code, w_.x.data(), f_.pseudo_value.data());
      double t = HUGE_VAL;
      if (!violated_beyond_rounding(code)) {
        const double rate = cons_.falling_rate(code, d.data());
        if (rate < 0.0) t = std::max(r, 0.0) / -rate;
      } else {
        const double rate = cons_.rising_rate(code, d.data());
        if (rate > 0.0) t = -r / rate;
      }
      if (t < step) {
        step = t;
        enter = code;
      }
    }
    if (enter == 0) break;
    f_.set[leave] = enter;
    if (!invert_basis()) break;
    move_to_vertex();
  }
  return verdict();
}

// Feasible when every residual is at least its rounding tolerance; the basis then becomes
// the working set handed to the optimality phase.
QpOutcome FeasibilityPhase::verdict() {
  bool feasible = true;
  for (int code = 1; code <= cons_.m(); ++code) {
    if (in_basis(code)) continue;
    const double r = cons_.residual(code, w_.x.data(), f_.pseudo_value.data());
    const double tol = cons_.verdict_tolerance(code, w_.x.data(), f_.pseudo_value.data());
    const bool bad = cons_.is_equality(code) ? std::fabs(r) > tol : r < -tol;
    if (bad) feasible = false;
    if (r < -kQpRateTol || (cons_.is_equality(code) && r > kQpRateTol)) {
      w_.status[code - 1] = kQpViolated;
    }
  }
  if (!feasible) {
    w_.k = 0;
    return QpOutcome::kInfeasible;
  }
  std::fill(w_.status.begin(), w_.status.end(), kQpInactive);
  w_.k = 0;
  for (int p = 0; p < f_.count; ++p) {
    const int code = f_.set[p];
    if (cons_.is_pseudo(code)) continue;
    w_.status[code - 1] = cons_.is_equality(code) ? kQpActiveEquality : kQpActiveInequality;
    w_.multiplier[w_.k] = 0.0;
    w_.active[w_.k++] = code;
  }
  return QpOutcome::kOptimal;
}

}  // namespace

QpOutcome qp_feasible(const QpProblem& problem, QpWorkspace& work) {
  return FeasibilityPhase(problem, work).run();
}

}  // namespace velmor
