// SPDX-License-Identifier: MIT

#include "engine/driver/constrained_stage.h"

#include <algorithm>
#include <cmath>

#include "engine/core/machine_constants.h"
#include "engine/optim/sqp_optimize.h"

namespace velmor {
namespace {

constexpr int kLineSearchLimit = 10;
constexpr double kSqpStartFactor = 1.01;  // the optimiser starts just off the earlier result

}  // namespace

int constrained_stage(Objective& objective, int npar, ParamVector& p, double& f, int call_limit,
                      int& info) {
  SqpWork work;
  ParamVector g;
  g.fill(1.0);
  ConstraintVector c{};
  ConstraintNormals cnorm{};
  std::fill(p.begin() + npar, p.end(), 0.0);
  const ParamVector start = p;
  const double start_f = f;
  for (double& v : p) v *= kSqpStartFactor;

  double smallest = f;  // the first comparison value is the sum of squares before the stage
  double tol = kTol;
  int iterations = 0;
  for (int call = 1; call <= 2; ++call) {
    info = -1;
    int niter = 0;
    int qpmode = 1;
    double conv = kBig;
    sqp_optimize(objective, npar, p, f, g, c, cnorm, call_limit - 1, tol, info, kLineSearchLimit,
                 conv, niter, qpmode, work);
    iterations += niter;
    if (std::isnan(conv) || info > 4) break;
    if (call >= 2 && (conv > 10.0 * smallest || conv < tol)) break;
    smallest = std::min(smallest, conv);
    tol *= 0.5;
  }
  // A parameter that is not a number makes no point, whatever its sum of squares (a NaN Vm
  // makes W = 0 and the model a finite constant).
  const auto is_a_point = [npar](const ParamVector& x) {
    return std::all_of(x.begin(), x.begin() + npar, [](double v) { return std::isfinite(v); });
  };
  const bool worse = !is_a_point(p) || !(f <= start_f + kNegligibleLoss * std::fabs(start_f));
  if (is_a_point(start) && worse) {
    p = start;
    f = start_f;
  }
  return iterations;
}

}  // namespace velmor
