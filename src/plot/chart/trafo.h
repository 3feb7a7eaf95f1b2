// SPDX-License-Identifier: MIT

#pragma once

namespace velmor::plot {

// Data value to pixel coordinate of one axis.
class Trafo {
 public:
  virtual ~Trafo() = default;
  virtual float Transform(double v) const = 0;
  virtual double TransformBack(float pixel) const = 0;
};

// log10(max(v, 1e-10)) x factor / log10(base): the logarithm in `base`, scaled, with values
// below 1e-10 (zero and negatives included) pinned to 1e-10.
double SafeLog(double v, double base, double factor);
// The inverse of SafeLog.
double SafeExp(double l, double base, double factor);

// pixel = offset + v x factor.
class LinTrafo : public Trafo {
 public:
  // Maps [min, max] onto the pixel range [start, end], or onto [end, start] when not ascending.
  // False (and the transformation unchanged) when max - min is below 1e-20.
  bool Set(double min, double max, double start, double end, bool ascending);

  float Transform(double v) const override;
  // 0 when the factor is 0.
  double TransformBack(float pixel) const override;

 private:
  double offset_ = 0.0;
  double factor_ = 0.0;
};

// pixel = offset + SafeLog(v) x factor.
class LogTrafo : public Trafo {
 public:
  bool Set(double min, double max, double start, double end, bool ascending, double base,
           double log_factor);

  float Transform(double v) const override;
  double TransformBack(float pixel) const override;

 private:
  double offset_ = 0.0;
  double factor_ = 0.0;
  double base_ = 10.0;
  double log_factor_ = 1.0;
};

}  // namespace velmor::plot
