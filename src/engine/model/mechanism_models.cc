// SPDX-License-Identifier: MIT
#include "engine/model/mechanism_models.h"

#include <cmath>
#include <limits>

#include "engine/core/model_catalog.h"
#include "engine/model/lambert_w.h"
#include "engine/model/lambert_w_constants.h"

namespace velmor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Below this |a| So / b the closed form's W is so small that b/a times it is rounding noise;
// the exponential limit at a = 0 starts better.
constexpr double kExponentialLimit = 1e-8;
// Newton's method on the integrated equation: quadratic convergence from the closed form takes
// two or three steps; the rest are the safeguarded steps of a poor start.
constexpr int kMaxNewtonSteps = 100;
constexpr double kConverged = 2e-16;  // relative change of the variable iterated
// Below this P/So the difference So ln(So/S) - P is summed as a series, which does not cancel.
constexpr double kSeriesRatio = 0.1;

IntegratedRate failed() {
  return {kNaN, kNaN, kNaN};
}

// ln(So/S) from whichever of S and P is the smaller, so that it does not cancel.
double log_ratio(double so, double s, double p) {
  return p <= 0.5 * so ? -std::log1p(-p / so) : std::log(so / s);
}

// So ln(So/S) - P = So (x^2/2 + x^3/3 + ...), x = P/So: zero at the start of a curve and
// positive after it.
double log_excess(double so, double p, double log_so_s) {
  const double x = p / so;
  if (!(std::fabs(x) < kSeriesRatio)) return so * log_so_s - p;
  double sum = 0.0;
  double power = x;
  for (int k = 2; k < 40; ++k) {
    power *= x;
    const double term = power / k;
    sum += term;
    if (std::fabs(term) <= 1e-17 * std::fabs(sum)) break;
  }
  return so * sum;
}

// The closed form through Lambert W: S for a P + b ln(So/S) = v.
double closed_form_substrate(double so, double a, double b, double v) {
  const double u0 = a * so / b;  // in (-1, 1]
  if (std::fabs(u0) < kExponentialLimit) return so * std::exp(-v / b);
  if (u0 > 0.0) {
    // W from ln z, which stays finite where z = u0 exp(u0 - v/b) overflows (v < 0).
    const double log_z = std::log(u0) + u0 - v / b;
    double w = lambert_w_of_log(log_z);
    if (w > 0.0 && std::isfinite(w)) {
      for (int k = 0; k < lambert_w_constants::kPolishSteps; ++k)
        w = w * (1.0 + log_z - std::log(w)) / (1.0 + w);
    }
    return b / a * w;
  }
  return so * (lambert_w_negative(u0 * std::exp(u0 - v / b)) / u0);
}

}  // namespace

IntegratedRate integrated_rate(double so, double km, double q, double v) {
  if (!(so > 0.0) || !(km > 0.0) || !(q >= 0.0) || std::isnan(v)) return failed();
  if (v == 0.0) return {so, 0.0, 0.0};
  const double a = 1.0 - km * q;
  const double b = km * (1.0 + so * q);
  if (!std::isfinite(b)) return failed();

  double s = closed_form_substrate(so, a, b, v);
  if (!(s >= 0.0) || !std::isfinite(s)) s = v > 0.0 ? 0.5 * so : 2.0 * so;
  double p = so - s;
  // The root lies where R = a P + b ln(So/S) - v changes sign; R rises with P. Between So and
  // 0 for v > 0, above So for v < 0 (no bracket is kept there).
  double s_low = 0.0;
  double s_high = v > 0.0 ? so : std::numeric_limits<double>::infinity();
  for (int step = 0; step < kMaxNewtonSteps; ++step) {
    const double log_so_s = log_ratio(so, s, p);
    const double r = a * p + b * log_so_s - v;
    // dR/dP = (a S + b)/S, a S + b = S + Km (1 + P q) > 0 written so that it cannot cancel.
    const double slope = s + km * (1.0 + p * q);
    if (r == 0.0 || !(slope > 0.0)) break;
    if (r > 0.0) {
      s_low = std::max(s_low, s);  // P too large: S lies above
    } else {
      s_high = std::min(s_high, s);
    }
    double next_s = 0.0;
    double next_p = 0.0;
    bool done = false;
    if (p <= 0.5 * so) {
      const double dp = -r * s / slope;
      next_p = p + dp;
      next_s = so - next_p;
      done = std::fabs(dp) <= kConverged * std::fabs(next_p);
    } else {
      const double ds = r / slope;  // in ln S
      next_s = s * std::exp(ds);
      next_p = so - next_s;
      done = std::fabs(ds) <= kConverged;
    }
    if (!(next_s > s_low && next_s < s_high)) {
      // A step out of the bracket: halve it, geometrically where it spans decades.
      if (!std::isfinite(s_high)) return failed();
      next_s =
          s_low > 0.0 && s_high > 4.0 * s_low ? std::sqrt(s_low * s_high) : 0.5 * (s_low + s_high);
      next_p = so - next_s;
      done = false;
    }
    s = next_s;
    p = next_p;
    if (done) break;
  }
  if (!std::isfinite(s) || !(s >= 0.0)) return failed();
  return {s, p, log_ratio(so, s, p)};
}

double inactivation_time(double t, double kinact) {
  if (kinact == 0.0) return t;
  return -std::expm1(-kinact * t) / kinact;
}

double inactivation_time_slope(double t, double kinact) {
  const double x = kinact * t;
  if (std::fabs(x) < kSeriesRatio) {
    // t^2 sum_{n>=1} n (-x)^(n-1) (-1) / (n+1)!  =  t^2 (-1/2 + x/3 - x^2/8 + x^3/30 - ...)
    double sum = 0.0;
    double power = 1.0;      // (-x)^(n-1)
    double factorial = 2.0;  // (n+1)!
    for (int n = 1; n < 20; ++n) {
      const double term = -n * power / factorial;
      sum += term;
      if (std::fabs(term) <= 1e-17 * std::fabs(sum)) break;
      power *= -x;
      factorial *= n + 2;
    }
    return t * t * sum;
  }
  return (t * std::exp(-x) - inactivation_time(t, kinact)) / kinact;
}

MechanismPoint mechanism_point(ModelId model, double t, double so, const ParamVector& p,
                               bool with_slopes) {
  MechanismPoint point;
  const double km = p[0];
  const double vm = p[1];
  const bool inhibited = model_has_product_inhibition(model);
  const bool inactivated = model_has_inactivation(model);
  if (!(inhibited || inactivated) || !(vm >= 0.0) || !std::isfinite(vm) ||
      (inhibited && !(p[2] > 0.0)) || (inactivated && !std::isfinite(p[2]))) {
    point.value = kNaN;
    return point;
  }
  const double q = inhibited ? 1.0 / p[2] : 0.0;
  const double tau = inactivated ? inactivation_time(t, p[2]) : t;
  const IntegratedRate rate = integrated_rate(so, km, q, vm * tau);
  const bool product = model_observes_product(model);
  point.value = product ? rate.product : rate.substrate;
  if (!with_slopes || !std::isfinite(point.value)) return point;

  // dS/dθ = (∂R/∂θ) S / (a S + b) for R = a P + b ln(So/S) - v, with
  //   ∂R/∂Km = L + q G,  ∂R/∂Kp = -Km q^2 G,  ∂R/∂Vm = -tau,  ∂R/∂kinact = -Vm dtau/dkinact,
  // L = ln(So/S) and G = So L - P.
  const double s = rate.substrate;
  const double share = s / (s + km * (1.0 + rate.product * q));
  const double g = log_excess(so, rate.product, rate.log_ratio);
  const double ds_dkm = (rate.log_ratio + q * g) * share;
  const double ds_dvm = -tau * share;
  const double ds_dthird =
      inhibited ? -km * q * q * g * share : -vm * inactivation_time_slope(t, p[2]) * share;
  const double sign = product ? -1.0 : 1.0;
  point.d = {sign * ds_dkm, sign * ds_dvm, sign * ds_dthird};
  return point;
}

}  // namespace velmor
