// SPDX-License-Identifier: MIT

#include "reference_model.h"

#include <cmath>
#include <limits>

namespace velmor::testing {
namespace {

constexpr int kMaxCorrections = 20;       // Halley converges cubically: 3 or 4 are used
constexpr double kStepTolerance = 4e-16;  // a correction below two ulps ends the iteration
constexpr double kLogSwitch = 2.0;        // above ln z = 2 the iteration runs on w + ln w = ln z
constexpr double kSeriesLimit = 1e-6;     // below, W = z - z^2 + 1.5 z^3 is exact to 3e-18

// W(z) for 0 <= z <= e^2 by Halley on w e^w - z, started from a guess that is within a few
// per cent everywhere in that range.
double w_moderate(double z) {
  if (z < kSeriesLimit) return z * (1.0 - z * (1.0 - 1.5 * z));
  const double l1 = std::log1p(z);
  double w = l1 * (1.0 - std::log1p(l1) / (2.0 + l1));
  for (int k = 0; k < kMaxCorrections; ++k) {
    const double e = std::exp(w);
    const double f = w * e - z;
    const double step = f / (e * (w + 1.0) - (w + 2.0) * f / (2.0 * (w + 1.0)));
    w -= step;
    if (std::fabs(step) <= kStepTolerance * w) break;
  }
  return w;
}

// W for ln z > 2 (W > 1.5) by Halley on g(w) = w + ln w - ln z, which never forms z.
double w_from_large_log(double log_z) {
  const double ll = std::log(log_z);
  double w = log_z - ll + ll / log_z;
  for (int k = 0; k < kMaxCorrections; ++k) {
    const double g = w + std::log(w) - log_z;
    const double g1 = 1.0 + 1.0 / w;
    const double g2 = -1.0 / (w * w);
    const double step = 2.0 * g * g1 / (2.0 * g1 * g1 - g * g2);
    w -= step;
    if (std::fabs(step) <= kStepTolerance * w) break;
  }
  return w;
}

}  // namespace

double lambert_w(double z) {
  if (!(z > 0.0)) return 0.0;
  if (std::isinf(z)) return z;
  const double log_z = std::log(z);
  return log_z <= kLogSwitch ? w_moderate(z) : w_from_large_log(log_z);
}

double lambert_w_from_log(double log_z) {
  if (std::isnan(log_z)) return 0.0;
  if (log_z == std::numeric_limits<double>::infinity()) return log_z;
  return log_z <= kLogSwitch ? w_moderate(std::exp(log_z)) : w_from_large_log(log_z);
}

ModelPoint model_point(int model, double t, double so, const ModelParams& p) {
  const bool product = kind_of_model(model) == DataKind::kProduct;
  const double bkg = has_baseline(model) ? p.bkg : 0.0;
  ModelPoint out;
  out.d_bkg = has_baseline(model) ? 1.0 : 0.0;
  if (!(so > 0.0)) {
    out.value = (product ? so : 0.0) + bkg;
    return out;
  }
  const double a = (so - p.vm * t) / p.km;
  const double log_so_km = std::log(so / p.km);
  const double w = lambert_w_from_log(log_so_km + a);
  const double s = p.km * w;
  const double frac = w / (1.0 + w);  // dW / d ln z
  // ln(So/S) = ln(So/Km) - ln W, or, once W has underflowed, W - a (from ln W = ln z - W).
  const double log_so_s = w > std::numeric_limits<double>::min() ? log_so_km - std::log(w) : w - a;
  const double ds_dkm = frac * log_so_s;
  const double ds_dvm = -t * frac;
  if (product) {
    out.value = so - s + bkg;
    out.d_km = -ds_dkm;
    out.d_vm = -ds_dvm;
  } else {
    out.value = s + bkg;
    out.d_km = ds_dkm;
    out.d_vm = ds_dvm;
  }
  return out;
}

double model_value(int model, double t, double so, const ModelParams& p) {
  return model_point(model, t, so, p).value;
}

}  // namespace velmor::testing
