// SPDX-License-Identifier: MIT
#include "engine/stats/distributions.h"

#include <cmath>
#include <limits>

namespace velmor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTiny = 1e-300;  // keeps Lentz's denominators away from zero
constexpr double kFractionTolerance = 1e-15;
constexpr int kFractionTerms = 500;

// The continued fraction of I_x(a, b), converging fast for x < (a + 1) / (a + b + 2).
double beta_fraction(double a, double b, double x) {
  const double qab = a + b;
  const double qap = a + 1.0;
  const double qam = a - 1.0;
  double c = 1.0;
  double d = 1.0 - qab * x / qap;
  if (std::fabs(d) < kTiny) d = kTiny;
  d = 1.0 / d;
  double h = d;
  for (int m = 1; m <= kFractionTerms; ++m) {
    const double m2 = 2.0 * m;
    // Even step.
    double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
    d = 1.0 + aa * d;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = 1.0 + aa / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1.0 / d;
    h *= d * c;
    // Odd step.
    aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
    d = 1.0 + aa * d;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = 1.0 + aa / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1.0 / d;
    const double step = d * c;
    h *= step;
    if (std::fabs(step - 1.0) < kFractionTolerance) break;
  }
  return h;
}

}  // namespace

double log_gamma(double x) {
  int sign = 0;
  return ::lgamma_r(x, &sign);
}

double incomplete_beta(double a, double b, double x) {
  if (!(a > 0.0) || !(b > 0.0) || !(x >= 0.0) || !(x <= 1.0)) return kNaN;
  if (x == 0.0 || x == 1.0) return x;
  const double log_front =
      log_gamma(a + b) - log_gamma(a) - log_gamma(b) + a * std::log(x) + b * std::log1p(-x);
  const double front = std::exp(log_front);
  // The symmetry I_x(a, b) = 1 - I_{1-x}(b, a) keeps the fraction where it converges.
  if (x < (a + 1.0) / (a + b + 2.0)) return front * beta_fraction(a, b, x) / a;
  return 1.0 - front * beta_fraction(b, a, 1.0 - x) / b;
}

double student_t_cdf(double t, double dof) {
  if (!(dof > 0.0) || std::isnan(t)) return kNaN;
  if (std::isinf(t)) return t > 0.0 ? 1.0 : 0.0;
  // P(|T| > |t|) = I_{dof / (dof + t^2)}(dof / 2, 1 / 2).
  const double tail = 0.5 * incomplete_beta(0.5 * dof, 0.5, dof / (dof + t * t));
  return t > 0.0 ? 1.0 - tail : tail;
}

double student_t_quantile(double p, double dof) {
  if (!(p > 0.0 && p < 1.0) || !(dof > 0.0)) return kNaN;
  if (p == 0.5) return 0.0;
  // The distribution is symmetric: solve for the upper tail and mirror.
  const double upper = p > 0.5 ? p : 1.0 - p;
  double lo = 0.0;
  double hi = 1.0;
  while (student_t_cdf(hi, dof) < upper) {
    lo = hi;
    hi *= 2.0;
    if (!std::isfinite(hi)) return kNaN;
  }
  for (int k = 0; k < 200 && hi - lo > 4e-16 * hi; ++k) {
    const double mid = 0.5 * (lo + hi);
    (student_t_cdf(mid, dof) < upper ? lo : hi) = mid;
  }
  const double t = 0.5 * (lo + hi);
  return p > 0.5 ? t : -t;
}

double f_quantile_one(double p, double dof) {
  const double t = student_t_quantile(0.5 * (1.0 + p), dof);
  return t * t;
}

}  // namespace velmor
