// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/vectors.h"

namespace velmor {

// How every optimiser sees the problem: the objective routine calcfg with its constraints, a
// cheaper path for the searches that read only the objective, and the positivity repair the
// constrained optimiser applies before each evaluation. The fitting engine's implementation
// (ModelObjective) evaluates the kinetic models on the run's data; tests supply their own.
//
// Constraints are inequalities c[k] >= 0 for k >= equality_count() and equalities c[k] = 0
// below it; cnorm holds their gradients (see vectors.h for the layout).
class Objective {
 public:
  virtual ~Objective() = default;

  // f, its gradient g[0..n-1] (g[n..24] = 0), the constraint values c[0..m-1] and normals at
  // x[0..n-1]. Also sets what constraint_count() and equality_count() report.
  virtual void calcfg(int n, const ParamVector& x, double& f, ParamVector& g, ConstraintVector& c,
                      ConstraintNormals& cnorm) = 0;

  // The f that calcfg would return at x, bit for bit, without the gradient or constraints.
  virtual double value(int n, const ParamVector& x) = 0;

  // Moves parameters that fell below zero back into the positive range, penalising f.
  virtual void bounds_neg(ParamVector& x, int n, double& f) = 0;

  // m and meq as set by the last calcfg.
  virtual int constraint_count() const = 0;
  virtual int equality_count() const = 0;
};

}  // namespace velmor
