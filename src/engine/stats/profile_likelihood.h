// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

// Profile-likelihood confidence limits of one parameter of a least-squares fit. The profile
// S_j(v) is the least sum of squares with parameter j held at v and the others re-optimised;
// the limits are where it rises to the threshold S_min (1 + F(0.95; 1, n - p) / (n - p)). Unlike
// the Wald limits (estimate +- t se) they follow the sum of squares where it is far from
// quadratic, and a side on which the profile never rises that far (a parameter the data do not
// bound, such as Km of first-order data) has no limit at all.
namespace velmor {

// The threshold of the 95 % profile limits of a fit with n points, p parameters and the least
// sum of squares ssq_min.
double profile_threshold(double ssq_min, int n, int p);

// The search along one parameter.
struct ProfileAxis {
  double estimate = 0.0;  // the fit's value, where the profile is the least sum of squares
  double lower = 0.0;     // the search ends at these values (bounds, or the reach of the search)
  double upper = 0.0;
  bool log_scale = false;   // stepped in ln v (lower > 0): steps relative to the value
  double first_step = 0.1;  // first step away from the estimate, in the stepped variable (> 0)
};

// One side of the interval: where the profile reached the threshold (crossed), or the end of
// the search it reached without rising that far (not crossed: the limit is open on that side).
struct ProfileSide {
  double limit = 0.0;
  bool crossed = false;
};

struct ProfileInterval {
  ProfileSide low;
  ProfileSide high;
  int evaluations = 0;  // calls of the profile
};

// S_j at v, searching on `side` (-1 below the estimate, +1 above): the caller re-optimises the
// other parameters, best from its last solution on the same side. A value that is not finite
// ends the search on that side as if its end had been reached.
using ProfileFunction = std::function<double(double value, int side)>;

// Walks from the estimate (where the profile is `minimum`) in steps aimed at where a parabola
// through the estimate and the last point would reach `threshold` (at most four times the last
// step, and in ln v at most ln 2), until the profile reaches it or the search ends, then finds the
// crossing by regula falsi (Illinois) to about 1e-8 of the value (log scale) or 1e-6 of the first
// step (linear), or to 1e-7 of the rise from the minimum to the threshold.
ProfileInterval profile_interval(const ProfileFunction& profile, const ProfileAxis& axis,
                                 double minimum, double threshold);

}  // namespace velmor
