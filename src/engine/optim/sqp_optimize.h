// SPDX-License-Identifier: MIT

#pragma once

#include <array>

#include "engine/core/limits.h"
#include "engine/core/objective.h"
#include "engine/core/vectors.h"
#include "engine/optim/qp_solve.h"

// The constrained stage of a fit: sequential quadratic programming with a damped BFGS
// approximation of the Hessian of the Lagrangian and an exact-penalty line search.
namespace velmor {

// Return codes of sqp_optimize (`info`).
enum SqpInfo : int {
  // conv <= tol after a subproblem; the code is the one qpsub left, 1 for a normal one.
  kSqpConverged = 1,
  // niter exceeded maxiter ("CALLS TO FUNCTION EXCEEDED"): maxiter = 299 stops on the 300th
  // increment.
  kSqpIterationLimit = 2,
  // more than maxls trial points in one line search, returned from iteration 3 on.
  kSqpLineSearchLimit = 3,
  // the merit function's directional derivative is not negative, returned from iteration 3
  // on.
  kSqpUphill = 4,
  // the subproblem could not enforce the linearised constraints (relaxation variable at 0 or
  // its upper bound inactive); returned once niter > maxiter/2. Also the refusal of a problem
  // larger than the work area (n + 1 > 25 or m > 50), before any evaluation.
  kSqpInconsistent = 5,
  // the subproblem stopped on one of its artificial +-big bounds; returned once
  // niter > maxiter/2, or once niter > 10.
  kSqpArtificialBound = 6,
};

// The optimiser's working storage. The fit driver clears it (`work.clear()`) before each
// model's constrained stage; between the iterations of one call B, eta, vlam and the
// subproblem's workspace persist. All vectors are 0-based.
struct SqpWork {
  std::array<double, kMaxConstraints> vlam{};       // multipliers of the last subproblem
  std::array<double, kMaxConstraints> eta{};        // penalty weights of the merit function
  std::array<double, kMaxParams> delta{};           // subproblem step; delta[n] is its relaxation
  std::array<double, kMaxParams> glag{};            // gradient of the Lagrangian
  std::array<double, kMaxParams> glag0{};           // the same at the start of the line search
  std::array<double, kMaxParams> xa{};              // the point at the start of the line search
  std::array<double, kMaxParams * kMaxParams> b{};  // quasi-Newton matrix, leading dim 25
  // Subproblem data built by qpsub.
  std::array<double, kMaxParams> bl{};
  std::array<double, kMaxParams> bu{};
  std::array<double, kMaxParams> q{};
  std::array<double, kMaxConstraints> bq{};
  QpWorkspace qp;

  void clear() { *this = SqpWork{}; }
};

// Minimises objective.calcfg's f subject to its constraints from x. Arguments as the fit
// driver passes them: info = -1, niter = 0, qpmode = 1 on entry; maxls is the line-search
// limit (10); on return x, f, g, c, cnorm hold the last evaluated point, conv the last
// convergence measure, niter the iteration count, qpmode the mode of the next subproblem.
// Every evaluation is objective.bounds_neg then objective.calcfg; eps and big are kEps and
// kBig of machine_constants.h.
void sqp_optimize(Objective& objective, int n, ParamVector& x, double& f, ParamVector& g,
                  ConstraintVector& c, ConstraintNormals& cnorm, int maxiter, double tol, int& info,
                  int maxls, double& conv, int& niter, int& qpmode, SqpWork& work);

// One subproblem: with N = n + 1 variables (the step and a relaxation variable) builds the
// linearised constraints in cnorm's row n and work.bq, solves it with qp_solve in qpmode and
// leaves the step in work.delta, the multipliers of the active constraints in work.vlam and
// info 1, 5 or 6 (see SqpInfo). Entered with info > 1 it returns at once.
void qpsub(int n, int m, int meq, const ParamVector& g, const ConstraintVector& c,
           ConstraintNormals& cnorm, int& info, int qpmode, SqpWork& work);

// The quasi-Newton step of an iteration: the damped BFGS update of work.b with the accepted
// step x - work.xa and gamma = work.glag - work.glag0 (Powell's damping: when
// gamma'step < 0.2 step'B step, gamma is mixed with B step so that the product becomes
// 0.2 step'B step and B stays positive definite), entries clamped to [-big, big]. Leaves the
// step in work.delta. A step with no positive step'B step, or a non-finite gamma, leaves B
// as it is.
void sqp_bfgs_update(int n, const ParamVector& x, SqpWork& work);

}  // namespace velmor
