// SPDX-License-Identifier: MIT
// Optimality phase of qp_solve: a primal active-set method from a feasible point.
//
// The working set's KKT system is kept with the variables that a bound or pseudo constraint
// holds eliminated: only the free variables R and the general constraints in the set enter
// the matrix [A_RR G_R; G_R' 0], whose inverse is stored in the workspace; the multipliers of
// the bounds follow from the gradient. Eliminating the bounds exactly keeps a huge linear term
// on a held variable (the optimiser's relaxation variable carries q = big) out of the other
// multipliers. After every exchange the matrix is formed again from the Hessian copy held in
// the workspace, balanced and inverted; the working set stays regular because a constraint
// joins only along a direction that it blocks and leaves only with positive curvature, or in
// exchange for the constraint that blocks a zero-curvature direction.
#include "engine/optim/qp_solve.h"

#include <algorithm>
#include <cmath>

#include "engine/optim/matrix_kernels.h"
#include "engine/optim/qp_constraints.h"

namespace velmor {

namespace {

using detail::kQpRateTol;
using detail::QpConstraints;

constexpr double kStepStart = 1e16;               // ratio test start; also the zero-curvature step
constexpr double kBestStart = -1e16;              // running best multiplier start
constexpr double kTieFactor = 1.000000000000001;  // a later equal multiplier does not displace
constexpr double kStepNudge = 1e-15;              // added to the step to the reduced minimiser
// A move toward the working set's minimiser this small relative to x is rounding.
constexpr double kNegligibleMove = 1e-13;
// A normal whose part outside the span of the working set's normals is below this fraction
// of its length depends on them.
constexpr double kDependence = 1e-9;
// A pseudo multiplier smaller than this fraction of the terms it is made of is rounding.
constexpr double kPseudoNoise = 1e-12;

// Whether a constraint's normal is independent of the normals of the working set (less the
// member at `leaving`, if any), on the variables the set leaves free. A dependent constraint
// keeps its residual along every direction in the set's null space, so it can never truly
// block a move; only rounding in the direction gives it a rate, and taking it in would make
// the working set singular.
class SpanTest {
 public:
  SpanTest(const QpConstraints& cons, const QpWorkspace::Factor& f, int leaving)
      : cons_(cons), n_(cons.n()) {
    free_.fill(true);
    for (int e = 0; e < f.count; ++e) {
      if (e != leaving && !cons.is_general(f.set[e])) free_[cons.fixed_variable(f.set[e])] = false;
    }
    for (int e = 0; e < f.count; ++e) {
      if (e == leaving || !cons.is_general(f.set[e])) continue;
      std::array<double, kQpMaxVars> v = restricted(f.set[e]);
      if (orthogonalise(v) > 0.0) basis_[count_++] = v;
    }
  }

  bool independent(int code) const {
    std::array<double, kQpMaxVars> v = restricted(code);
    return orthogonalise(v) > 0.0;
  }

 private:
  std::array<double, kQpMaxVars> restricted(int code) const {
    std::array<double, kQpMaxVars> v{};
    for (int i = 0; i < n_; ++i) v[i] = free_[i] ? cons_.normal(code, i) : 0.0;
    return v;
  }
  // Removes the components along the basis (twice, for accuracy) and normalises v; returns
  // the remaining fraction of its length, 0 when that is below 1e-9.
  double orthogonalise(std::array<double, kQpMaxVars>& v) const {
    const double length = std::sqrt(sdotm(n_, v.data(), 1, v.data(), 1));
    if (length == 0.0) return 0.0;
    for (int pass = 0; pass < 2; ++pass) {
      for (int b = 0; b < count_; ++b) {
        const double c = sdotm(n_, basis_[b].data(), 1, v.data(), 1);
        for (int i = 0; i < n_; ++i) v[i] -= c * basis_[b][i];
      }
    }
    const double rest = std::sqrt(sdotm(n_, v.data(), 1, v.data(), 1));
    if (!(rest > kDependence * length)) return 0.0;
    for (int i = 0; i < n_; ++i) v[i] /= rest;
    return rest / length;
  }

  const QpConstraints& cons_;
  int n_;
  std::array<bool, kQpMaxVars> free_{};
  int count_ = 0;
  std::array<std::array<double, kQpMaxVars>, kQpMaxVars + kQpMaxVars> basis_{};
};

struct Solution {
  std::array<double, kQpMaxVars> x{};
  std::array<double, 2 * kQpMaxVars> lambda{};  // per working-set position
  std::array<double, kQpMaxVars> gradient{};    // A x - q
  std::array<double, kQpMaxVars> scale{};       // size of the terms of gradient(i)
};

class OptimalityPhase {
 public:
  OptimalityPhase(const QpProblem& p, QpWorkspace& w) : p_(p), cons_(p), w_(w), f_(w.factor) {}

  // Derives the free variables and the general members from the working set; false when a
  // variable is held twice or there are more general members than free variables.
  bool index_set();
  // index_set(), then forms the KKT matrix from the stored Hessian and inverts it.
  bool factorize();
  int order() const { return n_free_ + n_general_; }
  Solution solve() const;
  QpOutcome singular();
  bool feasible_start(const Solution& s) const;
  QpOutcome iterate();
  void publish(const Solution& s);

 private:
  double hess(int i, int j) const {
    return i <= j ? f_.hessian[i + kQpMaxVars * j] : f_.hessian[j + kQpMaxVars * i];
  }
  double kinv(int i, int j) const { return f_.inverse[i + f_.order * j]; }
  bool in_set(int code) const {
    return std::find(f_.set.begin(), f_.set.begin() + f_.count, code) != f_.set.begin() + f_.count;
  }
  double value(int code) const { return cons_.fixed_value(code, f_.pseudo_value.data()); }
  void direction(int position, std::array<double, kQpMaxVars>& s) const;
  double ratio_test(const std::array<double, kQpMaxVars>& s, int leaving, int& blocking) const;
  void remove(int position) {
    std::copy(f_.set.begin() + position + 1, f_.set.begin() + f_.count, f_.set.begin() + position);
    --f_.count;
  }

  const QpProblem& p_;
  QpConstraints cons_;
  QpWorkspace& w_;
  QpWorkspace::Factor& f_;
  // Derived from the working set by factorize().
  int n_free_ = 0;
  std::array<int, kQpMaxVars> free_{};  // the free variables, ascending
  int n_general_ = 0;
  std::array<int, kQpMaxVars + kQpMaxVars> general_{};  // set positions of general members
  std::array<int, kQpMaxVars> held_by_{};               // set position holding variable i, or -1
};

bool OptimalityPhase::index_set() {
  const int n = p_.n;
  held_by_.fill(-1);
  n_general_ = 0;
  for (int e = 0; e < f_.count; ++e) {
    const int code = f_.set[e];
    if (cons_.is_general(code)) {
      general_[n_general_++] = e;
    } else {
      const int i = cons_.fixed_variable(code);
      if (held_by_[i] >= 0) return false;
      held_by_[i] = e;
    }
  }
  n_free_ = 0;
  for (int i = 0; i < n; ++i) {
    if (held_by_[i] < 0) free_[n_free_++] = i;
  }
  return n_general_ <= n_free_;
}

bool OptimalityPhase::factorize() {
  if (!index_set()) return false;
  const int order = n_free_ + n_general_;
  f_.order = order;
  double* k = f_.inverse.data();
  std::fill(k, k + order * order, 0.0);
  for (int b = 0; b < n_free_; ++b) {
    for (int a = 0; a <= b; ++a) {
      const double v = hess(free_[a], free_[b]);
      k[a + order * b] = v;
      k[b + order * a] = v;
    }
  }
  for (int t = 0; t < n_general_; ++t) {
    const double* column = cons_.column(f_.set[general_[t]]);
    for (int a = 0; a < n_free_; ++a) {
      k[a + order * (n_free_ + t)] = column[free_[a]];
      k[(n_free_ + t) + order * a] = column[free_[a]];
    }
  }
  if (order == 0) return true;
  balance(k, order);  // the matrix is symmetric, so this leaves it as it is
  inv_lu(k, order, order);
  return std::all_of(k, k + order * order, [](double v) { return std::isfinite(v); });
}

// Minimiser on the working set and the multipliers of its members.
Solution OptimalityPhase::solve() const {
  const int n = p_.n;
  Solution s;
  std::array<double, kQpMaxKktOrder> rhs{};
  for (int a = 0; a < n_free_; ++a) {
    double v = p_.q[free_[a]];
    for (int i = 0; i < n; ++i) {
      if (held_by_[i] >= 0) v -= hess(free_[a], i) * value(f_.set[held_by_[i]]);
    }
    rhs[a] = v;
  }
  for (int t = 0; t < n_general_; ++t) {
    const int code = f_.set[general_[t]];
    const double* column = cons_.column(code);
    double v = p_.b[cons_.general_index(code)];
    for (int i = 0; i < n; ++i) {
      if (held_by_[i] >= 0) v -= column[i] * value(f_.set[held_by_[i]]);
    }
    rhs[n_free_ + t] = v;
  }
  const int order = f_.order;
  std::array<double, kQpMaxKktOrder> z{};
  for (int r = 0; r < order; ++r) z[r] = sdotm(order, &f_.inverse[r], order, rhs.data(), 1);

  for (int i = 0; i < n; ++i) {
    if (held_by_[i] >= 0) s.x[i] = value(f_.set[held_by_[i]]);
  }
  for (int a = 0; a < n_free_; ++a) s.x[free_[a]] = z[a];
  for (int t = 0; t < n_general_; ++t) s.lambda[general_[t]] = -z[n_free_ + t];

  for (int i = 0; i < n; ++i) {
    double grad = -p_.q[i];
    double size = std::fabs(p_.q[i]);
    for (int j = 0; j < n; ++j) {
      grad += hess(i, j) * s.x[j];
      size += std::fabs(hess(i, j) * s.x[j]);
    }
    s.gradient[i] = grad;
    const int e = held_by_[i];
    if (e < 0) continue;
    // sign * lambda_e = grad_i - sum over general members of lambda_t * G(i, t)
    double rest = grad;
    for (int t = 0; t < n_general_; ++t) {
      const double term = s.lambda[general_[t]] * cons_.column(f_.set[general_[t]])[i];
      rest -= term;
      size += std::fabs(term);
    }
    s.lambda[e] = cons_.fixed_sign(f_.set[e]) * rest;
    s.scale[i] = size;
  }
  return s;
}

// The minimiser of a start set must satisfy every constraint outside it.
bool OptimalityPhase::feasible_start(const Solution& s) const {
  for (int code = 1; code <= cons_.m(); ++code) {
    if (in_set(code)) continue;
    if (cons_.is_equality(code)) return false;
    const double r = cons_.residual(code, s.x.data(), f_.pseudo_value.data());
    if (r < -cons_.verdict_tolerance(code, s.x.data(), f_.pseudo_value.data())) return false;
  }
  return true;
}

// The direction s that frees member `position`: normal' s = 1 for it, 0 for the other
// members, and A s in the span of the members' normals (the column of the inverse KKT matrix
// belonging to that member).
void OptimalityPhase::direction(int position, std::array<double, kQpMaxVars>& s) const {
  s.fill(0.0);
  const int code = f_.set[position];
  if (cons_.is_general(code)) {
    int t = 0;
    while (general_[t] != position) ++t;
    for (int a = 0; a < n_free_; ++a) s[free_[a]] = kinv(a, n_free_ + t);
    return;
  }
  const int i = cons_.fixed_variable(code);
  const double sign = cons_.fixed_sign(code);
  std::array<double, kQpMaxKktOrder> v{};
  for (int a = 0; a < n_free_; ++a) v[a] = -hess(free_[a], i) * sign;
  for (int t = 0; t < n_general_; ++t) {
    v[n_free_ + t] = -cons_.column(f_.set[general_[t]])[i] * sign;
  }
  for (int a = 0; a < n_free_; ++a) {
    s[free_[a]] = sdotm(f_.order, &f_.inverse[a], f_.order, v.data(), 1);
  }
  s[i] = sign;
}

// Smallest step along s to an inactive inequality whose residual falls (rate below
// -1e-25, and not a cancellation remainder), starting from 1e16 and replaced only by a
// strictly smaller step, so the lowest constraint number wins ties. A residual that rounding
// left slightly negative counts as 0.
double OptimalityPhase::ratio_test(const std::array<double, kQpMaxVars>& s, int leaving,
                                   int& blocking) const {
  double best = kStepStart;
  blocking = 0;
  const SpanTest span(cons_, f_, leaving);
  for (int code = 1; code <= cons_.m(); ++code) {
    if (cons_.is_equality(code) || in_set(code)) continue;
    const double rate = cons_.falling_rate(code, s.data());
    if (rate == 0.0) continue;
    const double r = cons_.residual(code, w_.x.data(), f_.pseudo_value.data());
    const double step = std::max(r, 0.0) / -rate;
    if (step < best && span.independent(code)) {
      best = step;
      blocking = code;
    }
  }
  return best;
}

QpOutcome OptimalityPhase::iterate() {
  const int n = p_.n;
  const int limit = 10 * (cons_.m() + n) + 100;
  Solution s = solve();
  for (int iteration = 0; iteration < limit; ++iteration) {
    // Move toward the minimiser on the working set unless a constraint blocks first.
    // At a vertex, or when the move is at rounding level, there is nothing to block.
    std::array<double, kQpMaxVars> dir{};
    double move = 0.0;
    double size = 1.0;
    for (int i = 0; i < n; ++i) {
      dir[i] = s.x[i] - w_.x[i];
      move = std::max(move, std::fabs(dir[i]));
      size = std::max(size, std::fabs(w_.x[i]));
    }
    int blocking = 0;
    const bool free_move = n_free_ > n_general_ && move > kNegligibleMove * size;
    const double alpha = free_move ? ratio_test(dir, -1, blocking) : kStepStart;
    if (alpha < 1.0) {
      for (int i = 0; i < n; ++i) w_.x[i] += alpha * dir[i];
      f_.set[f_.count++] = blocking;
      if (!factorize()) return singular();
      s = solve();
      continue;
    }
    w_.x = s.x;

    // The member with the largest multiplier in the convention of the KKT inverse (minus
    // lambda: positive means the objective falls when the member is left) is freed. Pseudo
    // members may be left either way, so their size counts.
    double best = kBestStart;
    int leave = -1;
    double sign = 1.0;
    for (int e = 0; e < f_.count; ++e) {
      const int code = f_.set[e];
      if (cons_.is_equality(code)) continue;
      double candidate = -s.lambda[e];
      if (cons_.is_pseudo(code)) {
        const int i = cons_.fixed_variable(code);
        candidate =
            std::fabs(s.lambda[e]) > kPseudoNoise * s.scale[i] ? std::fabs(s.lambda[e]) : 0.0;
      }
      if (candidate > best) {
        best = candidate * kTieFactor;
        leave = e;
        sign = cons_.is_pseudo(code) && s.lambda[e] > 0.0 ? -1.0 : 1.0;
      }
    }
    if (leave < 0 || !(best > 0.0)) {
      publish(s);
      return QpOutcome::kOptimal;
    }

    direction(leave, dir);
    for (int i = 0; i < n; ++i) dir[i] *= sign;
    double curvature = 0.0;
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) curvature += dir[i] * hess(i, j) * dir[j];
    }
    const double full = curvature > 0.0 ? best * kTieFactor / curvature + kStepNudge : kStepStart;
    // The ratio test's start value 1e16 also caps a move that nothing blocks; the minimiser
    // further out is reached through the next working-set step.
    const double step = ratio_test(dir, leave, blocking);
    if (blocking != 0 && step < full) {
      for (int i = 0; i < n; ++i) w_.x[i] += step * dir[i];
      remove(leave);
      f_.set[f_.count++] = blocking;
    } else if (curvature > 0.0) {
      const double move = std::min(full, step);
      for (int i = 0; i < n; ++i) w_.x[i] += move * dir[i];
      remove(leave);
    } else {
      publish(s);
      return QpOutcome::kUnbounded;
    }
    if (!factorize()) return singular();
    s = solve();
  }
  publish(s);
  return QpOutcome::kIterationLimit;
}

// The working set's matrix did not invert: the list is reported without multipliers and the
// factor is not offered to a warm start.
QpOutcome OptimalityPhase::singular() {
  Solution none;
  none.gradient.fill(0.0);
  publish(none);
  f_.valid = false;
  return QpOutcome::kSingular;
}

void OptimalityPhase::publish(const Solution& s) {
  std::fill(w_.status.begin(), w_.status.begin() + cons_.m(), kQpInactive);
  w_.k = 0;
  for (int e = 0; e < f_.count; ++e) {
    const int code = f_.set[e];
    if (cons_.is_pseudo(code)) continue;
    w_.status[code - 1] = cons_.is_equality(code) ? kQpActiveEquality : kQpActiveInequality;
    w_.multiplier[w_.k] = s.lambda[e];
    w_.active[w_.k++] = code;
  }
  w_.gradient = s.gradient;
  f_.valid = true;
}

void copy_hessian(const QpProblem& p, QpWorkspace::Factor& f) {
  f.hessian.fill(0.0);
  for (int j = 0; j < p.n; ++j) {
    for (int i = 0; i <= j; ++i) f.hessian[i + kQpMaxVars * j] = p.a[i + p.lda * j];
  }
}

// Working set from the caller's list; false when the list is not a usable start.
bool take_list(const QpProblem& p, QpWorkspace& w) {
  const QpConstraints cons(p);
  if (w.k < 0 || w.k > 2 * p.n) return false;
  for (int e = 0; e < w.k; ++e) {
    const int code = w.active[e];
    if (code < 1 || code > p.m) return false;
    if (std::find(w.active.begin(), w.active.begin() + e, code) != w.active.begin() + e) {
      return false;
    }
  }
  for (int code = 2 * p.n + 1; code <= p.m && cons.is_equality(code); ++code) {
    if (std::find(w.active.begin(), w.active.begin() + w.k, code) == w.active.begin() + w.k) {
      return false;
    }
  }
  std::copy(w.active.begin(), w.active.begin() + w.k, w.factor.set.begin());
  w.factor.count = w.k;
  return true;
}

bool valid_problem(const QpProblem& p) {
  return p.n >= 1 && p.n <= kQpMaxVars && p.m >= 2 * p.n && p.m <= kQpMaxConstraints &&
         p.meq >= 0 && p.meq <= p.m - 2 * p.n;
}

}  // namespace

QpOutcome qp_solve(const QpProblem& problem, QpWorkspace& work, int mode) {
  if (!valid_problem(problem)) {
    work.k = 0;
    return QpOutcome::kInfeasible;
  }
  QpWorkspace::Factor& f = work.factor;
  const bool warm = mode == kQpWarmStart && f.valid && f.n == problem.n && f.m == problem.m;
  OptimalityPhase phase(problem, work);

  // Warm start and start from a list: the minimiser on the given set is the start point when
  // it is feasible; otherwise the solver starts cold (with the stored Hessian on a warm start).
  if (warm || mode == 3 || mode == 4) {
    bool usable = true;
    if (warm) {
      for (int i = 0; i < problem.n; ++i) f.pseudo_value[i] = work.x[i];
      usable = phase.index_set() && phase.order() == f.order;
    } else {
      copy_hessian(problem, f);
      f.n = problem.n;
      f.m = problem.m;
      usable = take_list(problem, work) && phase.factorize();
    }
    if (usable) {
      const Solution start = phase.solve();
      if (phase.feasible_start(start)) {
        work.x = start.x;
        return phase.iterate();
      }
    }
  } else {
    copy_hessian(problem, f);
  }

  const QpOutcome feasible = qp_feasible(problem, work);
  if (feasible != QpOutcome::kOptimal) return feasible;
  if (!phase.factorize()) return phase.singular();
  return phase.iterate();
}

}  // namespace velmor
