// SPDX-License-Identifier: MIT

#include "plot/chart/trafo.h"

#include <algorithm>
#include <cmath>

namespace velmor::plot {

namespace {

constexpr double kMinSpan = 1e-20;   // a shorter span cannot be mapped onto pixels
constexpr double kLogFloor = 1e-10;  // the smallest value a logarithmic axis shows

// offset and factor of pixel = offset + u x factor mapping [lo, hi] onto [start, end] (or onto
// [end, start] when not ascending).
bool linear_map(double lo, double hi, double start, double end, bool ascending, double& offset,
                double& factor) {
  const double span = hi - lo;
  if (!(span >= kMinSpan)) return false;
  const double slope = (end - start) / span;
  if (ascending) {
    offset = start - lo * slope;  // start + (u - lo) x slope
    factor = slope;
  } else {
    offset = end + lo * slope;  // end - (u - lo) x slope
    factor = -slope;
  }
  return true;
}

}  // namespace

double SafeLog(double v, double base, double factor) {
  return std::log10(std::max(v, kLogFloor)) * factor / std::log10(base);
}

double SafeExp(double l, double base, double factor) {
  return std::pow(10.0, l * std::log10(base) / factor);
}

bool LinTrafo::Set(double min, double max, double start, double end, bool ascending) {
  return linear_map(min, max, start, end, ascending, offset_, factor_);
}

float LinTrafo::Transform(double v) const {
  return static_cast<float>(offset_ + v * factor_);
}

double LinTrafo::TransformBack(float pixel) const {
  if (factor_ == 0.0) return 0.0;
  return (pixel - offset_) / factor_;
}

bool LogTrafo::Set(double min, double max, double start, double end, bool ascending, double base,
                   double log_factor) {
  if (!(base > 0.0) || base == 1.0 || log_factor == 0.0) return false;
  double offset = 0.0;
  double factor = 0.0;
  if (!linear_map(SafeLog(min, base, log_factor), SafeLog(max, base, log_factor), start, end,
                  ascending, offset, factor)) {
    return false;
  }
  offset_ = offset;
  factor_ = factor;
  base_ = base;
  log_factor_ = log_factor;
  return true;
}

float LogTrafo::Transform(double v) const {
  return static_cast<float>(offset_ + SafeLog(v, base_, log_factor_) * factor_);
}

double LogTrafo::TransformBack(float pixel) const {
  if (factor_ == 0.0) return 0.0;
  return SafeExp((pixel - offset_) / factor_, base_, log_factor_);
}

}  // namespace velmor::plot
