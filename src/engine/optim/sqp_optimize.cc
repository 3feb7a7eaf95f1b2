// SPDX-License-Identifier: MIT

#include "engine/optim/sqp_optimize.h"

#include <algorithm>
#include <cmath>

#include "engine/core/machine_constants.h"

namespace velmor {

namespace {

// In iterations 1 and 2 a line search goes on past maxls trial points; this many end it all
// the same (the trial step is then below 2^-50 of the subproblem step), so a merit function
// that is NaN near the start point cannot keep it running for ever.
constexpr int kMaxTrialPoints = 50;

double& bij(SqpWork& work, int i, int j) {
  return work.b[i + kMaxParams * j];
}

// glag = g - sum over constraints with a multiplier of vlam(k) * cnorm(., k).
void lagrangian_gradient(int n, int m, const ParamVector& g, const ConstraintNormals& cnorm,
                         SqpWork& work) {
  for (int i = 0; i < n; ++i) work.glag[i] = g[i];
  for (int k = 0; k < m; ++k) {
    if (work.vlam[k] == 0.0) continue;
    for (int i = 0; i < n; ++i) work.glag[i] -= work.vlam[k] * cnorm[normal_index(i, k)];
  }
}

}  // namespace

void sqp_bfgs_update(int n, const ParamVector& x, SqpWork& work) {
  std::array<double, kMaxParams> step{};
  std::array<double, kMaxParams> gamma{};
  std::array<double, kMaxParams> w{};
  for (int i = 0; i < n; ++i) {
    step[i] = x[i] - work.xa[i];
    gamma[i] = work.glag[i] - work.glag0[i];
  }
  double dg = 0.0;
  double dbd = 0.0;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) w[i] += bij(work, i, j) * step[j];
    dg += gamma[i] * step[i];
  }
  for (int i = 0; i < n; ++i) dbd += step[i] * w[i];
  work.delta = step;
  // A zero step (the line search collapsed onto xa) or a non-finite gradient difference
  // carries no curvature information; updating with it would divide by zero and leave B
  // indefinite or NaN, so B is kept.
  if (!(dbd > 0.0) || !std::isfinite(dbd) || !std::isfinite(dg)) return;
  if (dg < 0.2 * dbd) {
    const double theta = 0.8 * dbd / (dbd - dg);
    for (int i = 0; i < n; ++i) gamma[i] = theta * gamma[i] + (1.0 - theta) * w[i];
    dg = 0.2 * dbd;
  }
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const double v = bij(work, i, j) - w[i] * w[j] / dbd + gamma[i] * gamma[j] / dg;
      bij(work, i, j) = std::clamp(v, -kBig, kBig);
    }
  }
}

void sqp_optimize(Objective& objective, int n, ParamVector& x, double& f, ParamVector& g,
                  ConstraintVector& c, ConstraintNormals& cnorm, int maxiter, double tol, int& info,
                  int maxls, double& conv, int& niter, int& qpmode, SqpWork& work) {
  if (n < 1 || n + 1 > kMaxParams) {
    info = kSqpInconsistent;
    return;
  }
  auto evaluate = [&] {
    objective.bounds_neg(x, n, f);
    objective.calcfg(n, x, f, g, c, cnorm);
  };
  objective.calcfg(n, x, f, g, c, cnorm);
  auto m = [&] { return objective.constraint_count(); };
  auto meq = [&] { return objective.equality_count(); };
  if (m() < 0 || m() > kMaxConstraints || meq() < 0 || meq() > m()) {
    info = kSqpInconsistent;
    return;
  }

  work.b.fill(0.0);
  for (int i = 0; i < n; ++i) bij(work, i, i) = 1.0;
  std::fill(work.eta.begin(), work.eta.begin() + m(), 0.0);
  ++niter;
  if (niter > maxiter) {
    info = kSqpIterationLimit;
    return;
  }
  double phi0 = kEps;

  for (;;) {
    evaluate();
    info = niter == 1 ? -1 : 0;
    qpsub(n, m(), meq(), g, c, cnorm, info, qpmode, work);
    if (niter > maxiter) return;
    if (niter > maxiter / 2 && info > 4) return;
    if (niter > 10 && info == kSqpArtificialBound) return;

    lagrangian_gradient(n, m(), g, cnorm, work);
    qpmode = niter % 2 == 1 ? kQpColdStart : kQpWarmStart;
    work.xa = x;
    work.glag0 = work.glag;
    double s1 = 0.0;
    for (int i = 0; i < n; ++i) s1 += g[i] * work.delta[i];

    conv = std::fabs(s1);
    for (int k = 0; k < m(); ++k) {
      const double lambda = std::fabs(work.vlam[k]);
      conv += std::fabs(work.vlam[k] * c[k]);
      work.eta[k] = std::max(lambda, 0.5 * (work.eta[k] + lambda));
    }
    conv = std::isnan(conv) ? kBig : std::min(conv, kBig);
    if (tol >= conv) return;
    if (niter > maxiter) {
      info = kSqpIterationLimit;
      return;
    }

    // Line search on the merit function phi = f + penalty. The first trial point is
    // xa + delta/2; each later factor multiplies the previous trial step.
    int steps = 1;
    double d = 0.0;
    for (;;) {
      double penalty = 0.0;
      for (int k = 0; k < m(); ++k) {
        penalty += work.eta[k] * (k < meq() ? std::fabs(c[k]) : std::max(-c[k], 0.0));
      }
      const double phi = f + penalty;
      double t = 0.5;
      if (steps == 1) {
        if (!(std::isnan(phi) || phi < kEps)) phi0 = phi;
        d = s1 - penalty * work.delta[n];
        if (d >= 0.0) {
          info = kSqpUphill;
          if (niter > 2) return;
        }
      } else {
        if (0.1 * d >= phi - phi0) break;
        const double ratio = 0.5 * d / (d - (phi - phi0));
        t = 0.5 * (ratio > 0.1 ? ratio : 0.1);  // a NaN ratio counts as 0.1
      }
      for (int i = 0; i < n; ++i) {
        work.delta[i] *= t;
        x[i] = work.xa[i] + work.delta[i];
      }
      d *= t;
      ++steps;
      evaluate();
      if (steps > maxls) {
        info = kSqpLineSearchLimit;
        if (niter > 2) return;
        if (steps > std::max(maxls, kMaxTrialPoints)) break;
      }
      if (niter > maxiter) {
        info = kSqpIterationLimit;
        return;
      }
    }

    lagrangian_gradient(n, m(), g, cnorm, work);
    sqp_bfgs_update(n, x, work);
    ++niter;
    if (niter > maxiter) {
      info = kSqpIterationLimit;
      return;
    }
  }
}

}  // namespace velmor
