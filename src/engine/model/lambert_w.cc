// SPDX-License-Identifier: MIT

#include "engine/model/lambert_w.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "engine/model/lambert_w_constants.h"

namespace velmor {
namespace {

using namespace lambert_w_constants;

bool converged(double residual, double tol) {
  // Written so that a NaN residual counts as converged and passes through.
  return !(std::fabs(residual) - tol > kResidualTol);
}

}  // namespace

double lambert_w_of_log(double log_z) {
  if (log_z < kSmallLog) return omegw(std::exp(log_z));
  // W grows without bound; L - ln L would be inf - inf = NaN. An infinite logarithm comes from
  // an exponent (So - Vm t)/Km beyond the double range, far out of any fit, and an infinite
  // model value there keeps the sums of squares and their differences free of NaN.
  if (log_z == std::numeric_limits<double>::infinity()) return log_z;
  double w = log_z - std::log(log_z);
  for (int k = 0; k < kLogSolverSteps; ++k) {
    // Newton on g(w) = w + ln w - L: w <- w (1 + L - ln w) / (1 + w).
    const double next = w * (1.0 + log_z - std::log(w)) / (1.0 + w);
    const bool done = std::fabs(next - w) <= kLogSolverTolerance * next;
    w = next;
    if (done) break;
  }
  return w;
}

double omegw(double x) {
  const double xp = x > 0.0 ? x : 0.0;  // a NaN compares false and becomes 0
  const double tol = kResidualTol * xp;

  // Where 1 + xp rounds to 1 both logarithms are exactly 0; skipping them changes no bit and
  // saves most of the cost for the tiny arguments of late product curves.
  const bool negligible = 1.0 + xp == 1.0;
  const double l1 = negligible ? 0.0 : std::log(1.0 + xp);
  const double l2 = negligible ? 0.0 : std::log(1.0 + l1);
  const double w0 = l1 - l2 + xp * (8.0 + 0.5 * xp) / (8.0 + 12.0 * xp + xp * xp);

  // w0 is NaN for finite xp above about 1.3e154 (xp * xp overflows); such W lie far beyond
  // what the clamped iteration reaches.
  if (std::isfinite(xp) && !(w0 <= kUnreachableStart)) return lambert_w_of_log(std::log(xp));

  double w = 0.0;
  double ew = 0.0;
  if (std::fabs(w0) > kStartClamp) {
    if (w0 > 0.0) {
      w = kStartClamp;
      ew = kExpStartClamp;
    } else {
      w = -kStartClamp;
      ew = kExpNegStartClamp;
    }
  } else if (w0 > 0.0) {
    w = w0;
    ew = std::exp(w0);
  } else {
    w = std::log(1.0 + xp / 8.0) + xp / (1.0 + xp);
    ew = std::exp(w);
  }

  for (int correction = 1;; ++correction) {
    const double f = w * ew - xp;
    if (converged(f, tol)) return w;
    if (xp <= 0.0) return w;
    w = w - f / (ew * (w + 1.0) - (w + 2.0) * f / (2.0 * (w + 1.0)));
    if (correction == kMaxCorrections) break;
    ew = std::exp(w);
  }

  // The 10th iterate stands when it meets the tolerance; otherwise the iteration ran out of
  // corrections on its way up from the clamp and the logarithmic solver takes over.
  if (std::isfinite(xp) && !converged(w * std::exp(w) - xp, tol)) {
    return lambert_w_of_log(std::log(xp));
  }
  return w;
}

double lambert_w_negative(double z) {
  constexpr double kBranchPoint = -1.0 / std::numbers::e;
  // Below this the branch series starts closer than w = z does.
  constexpr double kSeriesBelow = -0.25;
  // So close to the branch point that the series' next term is below rounding, and Halley's
  // step, which divides by w + 1, would only add noise.
  constexpr double kSeriesOnly = 1e-4;
  constexpr int kMaxSteps = 20;
  if (std::isnan(z)) return z;
  if (!(z < 0.0)) return 0.0;
  if (z <= kBranchPoint) return -1.0;
  double w = z;
  if (z < kSeriesBelow) {
    // W = -1 + p - p^2/3 + 11 p^3/72 - 43 p^4/540 + ...
    const double p = std::sqrt(2.0 * (std::numbers::e * z + 1.0));
    w = -1.0 + p * (1.0 + p * (-1.0 / 3.0 + p * (11.0 / 72.0 - p * 43.0 / 540.0)));
    if (p < kSeriesOnly) return w;
  }
  for (int step = 0; step < kMaxSteps; ++step) {
    const double ew = std::exp(w);
    const double f = w * ew - z;
    const double next = w - f / (ew * (w + 1.0) - (w + 2.0) * f / (2.0 * (w + 1.0)));
    if (!(next < 0.0) || !(next > -1.0)) break;
    const bool done = std::fabs(next - w) <= 4e-16 * std::fabs(next);
    w = next;
    if (done) break;
  }
  return w;
}

}  // namespace velmor
