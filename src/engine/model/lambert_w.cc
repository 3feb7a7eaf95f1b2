// SPDX-License-Identifier: MIT

#include "engine/model/lambert_w.h"

#include <cmath>
#include <limits>

namespace velmor {
namespace {

constexpr double kStartClamp = 65.0;
constexpr double kExpStartClamp = 1.6948892444103338e28;     // exp(65)
constexpr double kExpNegStartClamp = 5.900090541597061e-29;  // exp(-65)
constexpr double kResidualTol = 1e-7;
constexpr int kMaxCorrections = 10;

// From the clamped start 65 each Halley correction raises w by less than 2, so a start above
// this can never be reached within 10 corrections: those arguments go straight to the
// logarithmic solver (w0 overestimates W by about 0.5 there).
constexpr double kUnreachableStart = 86.0;
constexpr double kSmallLog = 2.0;

bool converged(double residual, double tol) {
  // Written so that a NaN residual counts as converged and passes through.
  return !(std::fabs(residual) - tol > kResidualTol);
}

}  // namespace

double lambert_w_of_log(double log_z) {
  // Small logarithms (z below e^2) are ordinary arguments; ln L would not start Newton there.
  if (log_z < kSmallLog) return omegw(std::exp(log_z));
  // W grows without bound; L - ln L would be inf - inf = NaN. An infinite logarithm comes from
  // an exponent (So - Vm t)/Km beyond the double range, far out of any fit, and an infinite
  // model value there keeps the sums of squares and their differences free of NaN.
  if (log_z == std::numeric_limits<double>::infinity()) return log_z;
  double w = log_z - std::log(log_z);
  for (int k = 0; k < 8; ++k) {
    // Newton on g(w) = w + ln w - L: w <- w (1 + L - ln w) / (1 + w).
    const double next = w * (1.0 + log_z - std::log(w)) / (1.0 + w);
    const bool done = std::fabs(next - w) <= 4e-16 * next;
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

}  // namespace velmor
