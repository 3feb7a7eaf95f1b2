// SPDX-License-Identifier: MIT

#include "engine/core/data_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace velmor {
namespace {

constexpr double kRangeTop = 1000.0;
// The fit's units bring the largest [So] and the time span into [100, 1000): a single decade,
// so that data written in any units a power of ten apart become the same internal numbers.
constexpr double kFitRangeBottom = 100.0;

// Multiplies by 10^exponent, dividing by the exact power for negative exponents (powers up to
// 10^22 are exact doubles). Exponents beyond the double range of powers (data near 1e-320)
// are applied in parts.
double times_power_of_ten(double value, int exponent) {
  constexpr int kLargestPart = 300;
  while (exponent != 0) {
    const int part = std::clamp(exponent, -kLargestPart, kLargestPart);
    const double power = std::pow(10.0, std::abs(part));
    value = part > 0 ? value * power : value / power;
    exponent -= part;
  }
  return value;
}

// x to 15 significant decimal digits. A file value of up to 15 digits multiplied by a power
// of ten is then that decimal number exactly as the reader would have made it, so data written
// in units a power of ten apart become the same internal numbers, and their fits agree to the
// last bit instead of to the rounding of each product.
double decimal_rounded(double x) {
  if (!std::isfinite(x) || x == 0.0) return x;
  char text[32];
  std::snprintf(text, sizeof text, "%.14e", x);
  return std::strtod(text, nullptr);
}

// The exponent, a multiple of step, whose power of ten brings magnitude into [bottom, 1000).
int exponent_into(double magnitude, double bottom, int step) {
  if (!(magnitude > 0.0) || !std::isfinite(magnitude)) return 0;
  const int top_digits = 3;  // log10 of kRangeTop
  int exponent = step * static_cast<int>(std::floor((top_digits - std::log10(magnitude)) / step));
  // log10 may land a rounding short of an exact power of ten.
  while (times_power_of_ten(magnitude, exponent) >= kRangeTop) exponent -= step;
  while (times_power_of_ten(magnitude, exponent) < bottom) exponent += step;
  return exponent;
}

}  // namespace

int unit_exponent(double magnitude) {
  return exponent_into(magnitude, 1.0, 3);
}

double DataScale::to_internal(double value, int c, int t) const {
  return times_power_of_ten(value, c * concentration_exponent + t * time_exponent);
}

double DataScale::to_user(double value, int c, int t) const {
  return times_power_of_ten(value, -(c * concentration_exponent + t * time_exponent));
}

double DataScale::parameter_to_user(ParameterKind kind, double value) const {
  return to_user(value, concentration_power(kind), time_power(kind));
}

double DataScale::parameter_to_internal(ParameterKind kind, double value) const {
  return to_internal(value, concentration_power(kind), time_power(kind));
}

DataScale choose_data_scale(const ProgressCurveData& data) {
  const int n = std::clamp(data.nRows, 0, kMaxRows);
  double largest_so = 0.0;
  double t_min = 0.0;
  double t_max = 0.0;
  for (int i = 0; i < n; ++i) {
    largest_so = std::max(largest_so, std::fabs(data.X2[i]));
    t_min = i == 0 ? data.X1[i] : std::min(t_min, data.X1[i]);
    t_max = i == 0 ? data.X1[i] : std::max(t_max, data.X1[i]);
  }
  const double span = t_max - t_min;
  DataScale scale;
  scale.concentration_exponent = exponent_into(largest_so, kFitRangeBottom, 1);
  scale.time_exponent = exponent_into(span, kFitRangeBottom, 1);
  return scale;
}

ProgressCurveData to_internal_units(const ProgressCurveData& data, const DataScale& scale) {
  ProgressCurveData internal = data;
  if (scale.is_identity()) return internal;
  const int n = std::clamp(data.nRows, 0, kMaxRows);
  for (int i = 0; i < n; ++i) {
    internal.X1[i] = decimal_rounded(scale.to_internal(data.X1[i], 0, 1));
    internal.X2[i] = decimal_rounded(scale.to_internal(data.X2[i], 1, 0));
    internal.Y[i] = decimal_rounded(scale.to_internal(data.Y[i], 1, 0));
    internal.Ycalc[i] = scale.to_internal(data.Ycalc[i], 1, 0);
  }
  return internal;
}

}  // namespace velmor
