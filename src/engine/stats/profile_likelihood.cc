// SPDX-License-Identifier: MIT
#include "engine/stats/profile_likelihood.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/stats/distributions.h"

namespace velmor {
namespace {

constexpr double kLevel = 0.95;
// Steps of ln 2 cover ln 1e20 within 67 steps.
constexpr int kMaxWalkSteps = 80;
constexpr int kMaxRefinements = 80;
constexpr double kLogTolerance = 1e-8;
constexpr double kLinearTolerance = 1e-6;  // of the first step
constexpr double kRiseTolerance = 1e-7;
constexpr double kOvershoot = 1.05;
// Steps in ln v stay within a factor of 2, so that each point's re-optimisation starts from the
// last point's solution close by: far from it the model can sit on a plateau (a curve consumed
// at once) where the optimiser finds no slope to follow.
constexpr double kLargestLogStep = 0.6931471805599453;

class Side {
 public:
  Side(const ProfileFunction& profile, const ProfileAxis& axis, int direction, double minimum,
       double threshold, int& evaluations)
      : profile_(profile),
        axis_(axis),
        direction_(direction),
        minimum_(minimum),
        threshold_(threshold),
        evaluations_(evaluations) {}

  ProfileSide search() const {
    const double u0 = to_u(axis_.estimate);
    const double u_end = to_u(direction_ < 0 ? axis_.lower : axis_.upper);
    if (!(direction_ * (u_end - u0) > 0.0)) return {axis_.estimate, false};
    double h = axis_.first_step;
    double u_prev = u0;
    double g_prev = minimum_ - threshold_;
    for (int step = 0; step < kMaxWalkSteps; ++step) {
      double u = u_prev + direction_ * h;
      const bool last = direction_ * (u - u_end) >= 0.0;
      if (last) u = u_end;
      const double s = evaluate(u);
      if (!std::isfinite(s)) return {to_value(u_prev), false};
      const double g = s - threshold_;
      if (g >= 0.0) return {to_value(refine(u_prev, g_prev, u, g)), true};
      if (last) return {direction_ < 0 ? axis_.lower : axis_.upper, false};
      // The next step aims a little past where a parabola through the estimate and this point
      // would reach the threshold, within a tenth and four times the last step.
      const double distance = std::fabs(u - u0);
      const double rise = s - minimum_;
      const double aim = rise > 0.0 ? distance * std::sqrt((threshold_ - minimum_) / rise) : 0.0;
      h = std::isfinite(aim) && aim > 0.0
              ? std::clamp(kOvershoot * aim - distance, 0.1 * h, 4.0 * h)
              : 2.0 * h;
      if (axis_.log_scale) h = std::min(h, kLargestLogStep);
      u_prev = u;
      g_prev = g;
    }
    return {to_value(u_prev), false};
  }

 private:
  double to_u(double v) const { return axis_.log_scale ? std::log(v) : v; }
  double to_value(double u) const { return axis_.log_scale ? std::exp(u) : u; }

  double evaluate(double u) const {
    ++evaluations_;
    return profile_(to_value(u), direction_);
  }

  // The crossing between a (below the threshold) and b (at or above it), by Illinois.
  double refine(double a, double ga, double b, double gb) const {
    const double tolerance = axis_.log_scale ? kLogTolerance : kLinearTolerance * axis_.first_step;
    // Close enough in S: a millionth of the rise moves the limit by a millionth of its
    // distance from the estimate or less.
    const double close = kRiseTolerance * (threshold_ - minimum_);
    int kept_side = 0;
    for (int k = 0; k < kMaxRefinements && std::fabs(b - a) > tolerance; ++k) {
      double u = b - gb * (b - a) / (gb - ga);
      // A secant point outside the bracket (or not a number) becomes the midpoint.
      if (!(std::fabs(u - a) < std::fabs(b - a) && std::fabs(u - b) < std::fabs(b - a))) {
        u = 0.5 * (a + b);
      }
      const double s = evaluate(u);
      const double g = std::isfinite(s) ? s - threshold_ : std::numeric_limits<double>::max();
      if (g >= 0.0) {
        b = u;
        gb = g;
        if (kept_side == -1) ga *= 0.5;
        kept_side = -1;
      } else {
        a = u;
        ga = g;
        if (kept_side == 1) gb *= 0.5;
        kept_side = 1;
      }
      if (std::fabs(g) <= close) return u;
    }
    return 0.5 * (a + b);
  }

  const ProfileFunction& profile_;
  const ProfileAxis& axis_;
  int direction_;
  double minimum_;
  double threshold_;
  int& evaluations_;
};

}  // namespace

double profile_threshold(double ssq_min, int n, int p) {
  const int dof = n - p;
  if (dof <= 0) return std::numeric_limits<double>::quiet_NaN();
  return ssq_min * (1.0 + f_quantile_one(kLevel, dof) / dof);
}

ProfileInterval profile_interval(const ProfileFunction& profile, const ProfileAxis& axis,
                                 double minimum, double threshold) {
  ProfileInterval interval;
  interval.low = Side(profile, axis, -1, minimum, threshold, interval.evaluations).search();
  interval.high = Side(profile, axis, +1, minimum, threshold, interval.evaluations).search();
  return interval;
}

}  // namespace velmor
