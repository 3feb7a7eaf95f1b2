// SPDX-License-Identifier: MIT

#pragma once

#include <array>

#include "engine/core/limits.h"

// Convex quadratic programming by an active-set method:
//
//   minimise  1/2 x'Ax - q'x   over x in R^N
//   subject to bl(i) <= x(i) <= bu(i), i = 1..N,
//              sum_i G(i,j) x(i) >= b(j), j = 1..mg, the first meq with equality,
//
// A symmetric positive semi-definite (only its upper triangle is read). Matrices are
// column-major with an explicit leading dimension.
//
// Constraint numbers, used in every active-set list and in the status flags, are 1-based as
// in the optimiser's subproblem: 1..N the lower bound of x(i), N+1..2N the upper bound of
// x(i-N) (taken as -x >= -bu), 2N+1..2N+mg the general constraint number-2N. M = mg + 2N.
namespace velmor {

inline constexpr int kQpMaxVars = kMaxParams;                               // N <= 25
inline constexpr int kQpMaxConstraints = 2 * kMaxParams + kMaxConstraints;  // M <= 100
inline constexpr int kQpMaxKktOrder = 2 * kMaxParams;  // the workspace's 50 rows

// Status flags of a constraint (QpWorkspace::status).
inline constexpr int kQpActiveEquality = -1;
inline constexpr int kQpActiveInequality = 0;
inline constexpr int kQpInactive = 1;
inline constexpr int kQpViolated = 2;  // left by the feasibility phase

// Start modes of qp_solve.
inline constexpr int kQpColdStart = 1;      // any mode <= 2: feasibility phase from x
inline constexpr int kQpStartFromList = 3;  // 3 and 4: from the list active[0..k)
inline constexpr int kQpWarmStart = 5;      // reuse the factorised working set of the last call

// The problem data; the arrays belong to the caller and are only read.
struct QpProblem {
  int n = 0;                  // N, 1..kQpMaxVars
  int m = 0;                  // M = mg + 2N, at most kQpMaxConstraints
  const double* a = nullptr;  // N-by-N Hessian; not read by a warm start
  int lda = 0;
  const double* q = nullptr;  // linear term, N entries
  const double* g = nullptr;  // N-by-mg general constraint normals, column j for constraint j
  int ldg = 0;
  const double* b = nullptr;   // mg right-hand sides
  const double* bl = nullptr;  // N lower bounds
  const double* bu = nullptr;  // N upper bounds
  int meq = 0;                 // the first meq general constraints are equalities
};

enum class QpOutcome {
  kOptimal,         // x is the minimiser; active/multiplier hold its active set
  kInfeasible,      // no feasible point: k = 0, the violated constraints flagged kQpViolated
  kUnbounded,       // the objective decreases without limit along a feasible ray
  kIterationLimit,  // exchanges did not settle (degenerate cycling): x feasible, not optimal
  kSingular,        // a working-set matrix could not be inverted: x feasible, not optimal
};

// Everything the solver keeps between calls. A value type: `work = QpWorkspace{}` clears it.
struct QpWorkspace {
  // In: the start point (cold start). Out: the solution.
  std::array<double, kQpMaxVars> x{};
  // In (modes 3 and 4): the length of the initial list. Out: the length of the final list.
  int k = 0;
  // The active-set list, constraint numbers as above; active[0..k) in use.
  std::array<int, 2 * kQpMaxVars> active{};
  // multiplier[i] belongs to active[i]: the Lagrange multiplier lambda with
  // A x - q = sum_i lambda_i * normal(active[i]); >= 0 for inequalities at an optimum.
  std::array<double, 2 * kQpMaxVars> multiplier{};
  // status[c - 1] is the flag of constraint c.
  std::array<int, kQpMaxConstraints> status{};
  // A x - q at the solution.
  std::array<double, kQpMaxVars> gradient{};

  // The factorised working set of the last call, reused by a warm start. Besides the real
  // constraints the working set may hold "pseudo" constraints that fix a free variable at a
  // value (code -(i+1) for variable i); they make every start a vertex, so the working-set
  // matrix is regular even where A is singular, and they never appear in `active`.
  struct Factor {
    bool valid = false;
    int n = 0;
    int m = 0;
    int count = 0;                                          // entries of `set`
    std::array<int, kQpMaxVars + kQpMaxVars> set{};         // working set, codes as above
    std::array<double, kQpMaxVars> pseudo_value{};          // value of the pseudo of variable i
    std::array<double, kQpMaxVars * kQpMaxVars> hessian{};  // copy of A the inverse was made from
    int order = 0;                                          // order of the inverse below
    // Inverse of the working set's KKT matrix with the fixed variables eliminated
    // ([A_RR G_R; G_R' 0] over the free variables R and the general constraints in the set),
    // column-major with leading dimension `order`.
    std::array<double, kQpMaxKktOrder * kQpMaxKktOrder> inverse{};
  } factor;
};

// Solves the QP from work.x (and, by mode, from the list in work.active or the stored factor).
// Every mode but the warm start reads A. The warm start (mode 5) solves with the Hessian the
// stored factor was made from, taking q, the bounds and the right-hand sides afresh: it starts
// from the minimiser on the stored working set (the caller's list is not used, as the stored
// inverse belongs to the stored set) and, if that point is infeasible, starts cold with the
// stored Hessian. Without a stored factor (first call, or the last one found no feasible
// point) mode 5 is a cold start and reads A. A start list that is unusable (invalid numbers,
// missing equalities, singular, or an infeasible minimiser) also falls back to a cold start.
// Moves are capped at 1e16: kUnbounded means that a zero-curvature descent direction meets no
// constraint within that distance.
QpOutcome qp_solve(const QpProblem& problem, QpWorkspace& work, int mode);

// Feasibility phase: moves work.x to a feasible point by reducing the sum of infeasibilities.
// On success the point is a vertex of the working set left in work.factor (without its
// inverse), work.k/active list its real constraints and the result is kOptimal; otherwise
// k = 0, the violated constraints carry kQpViolated and the result is kInfeasible.
QpOutcome qp_feasible(const QpProblem& problem, QpWorkspace& work);

}  // namespace velmor
