// SPDX-License-Identifier: MIT

#pragma once

#include <functional>
#include <limits>
#include <span>
#include <vector>

// A bounded Levenberg-Marquardt least-squares solver for small problems: minimises
// S(p) = sum over rows i of w_i r_i(p)^2 with fixed weights w_i >= 0, each parameter kept within
// its bounds and, where asked, stepped in its logarithm so that the steps do not depend on the
// parameter's units.
namespace velmor {

// At p (natural parameters, p.size() of them) fills residuals[i] = r_i(p) for every row and,
// when jacobian is not empty, jacobian[i + rows * j] = d r_i / d p_j (column-major). A
// residual that cannot be computed is left non-finite; the solver then treats the point as
// worse than any finite one.
using LmEvaluate = std::function<void(std::span<const double> p, std::span<double> residuals,
                                      std::span<double> jacobian)>;

struct LmParameter {
  double lower = -std::numeric_limits<double>::infinity();
  double upper = std::numeric_limits<double>::infinity();
  // Step in ln p instead of p (requires lower > 0): a relative change of the parameter costs
  // the same at any magnitude.
  bool log_scale = false;
};

struct LmOptions {
  int max_iterations = 100;
  // Relative decrease of S per accepted step below which the solver has converged.
  double function_tolerance = 1e-12;
  // Step length (in the stepped variables, relative to their size plus this value) below
  // which the solver has converged.
  double step_tolerance = 1e-10;
  // Projected gradient of S, relative to S, below which the start or a point is optimal.
  double gradient_tolerance = 1e-14;
  double initial_lambda = 1e-3;
  // A damping above this without a decrease of S ends the search.
  double max_lambda = 1e12;
};

// Why a solve ended.
enum class LmStop {
  // An accepted step decreased S by less than function_tolerance of S, or a trial step
  // (accepted or not) was shorter than step_tolerance: S cannot be lowered at this resolution.
  kConverged,
  // S = 0, or the projected gradient vanished (the decrease a Gauss-Newton step along each free
  // axis promises is at most gradient_tolerance of S), or every variable is held at a bound.
  kGradientVanished,
  // max_iterations accepted steps without converging.
  kIterationLimit,
  // The damping grew past max_lambda while no trial point lowered S and every trial step was
  // still longer than step_tolerance (a Jacobian that does not match the residuals).
  kNoDescent,
  // S is not finite at the (bounded) start.
  kNonFiniteStart,
};

struct LmSummary {
  LmStop stop = LmStop::kNonFiniteStart;
  int iterations = 0;   // accepted steps
  int evaluations = 0;  // calls of the callback
  double initial_ssq = 0.0;
  double final_ssq = 0.0;
};

// Minimises S from p (moved into the bounds first); p receives the best point found, whose S
// is final_ssq (never above initial_ssq). weights: one per row, or empty for unit weights.
LmSummary levenberg_marquardt(const LmEvaluate& evaluate, int rows,
                              std::span<const LmParameter> parameters,
                              std::span<const double> weights, std::vector<double>& p,
                              const LmOptions& options = {});

}  // namespace velmor
