// SPDX-License-Identifier: MIT

#pragma once

#include <span>

namespace velmor {

// Robust weights of the residuals r: an M-estimate of the location of |r| with a sine weight
// function, scaled by the mean absolute deviation from the binned median. Rows beyond the
// sine's first zero are outliers and get the floor 1e-6 (the sine's later lobes give no weight
// back). Every w[i] is written and lies in [1e-6, 1]; a spread of 1e-8 or less gives unit
// weights. w must be at least as long as r.
void robust_wt(std::span<const double> r, std::span<double> w);

// Approximate median of v from a histogram of 1001 bins over [mean - sd, mean + sd): the
// midpoint of the bin that holds the middle value (the mean of two such midpoints for even n).
// Falls back to the mean when no bin reaches the middle (all values equal, for instance).
// For even n where the lower middle value closes the last occupied bin, the upper middle value
// is taken at mean + sd (bin 1000): every remaining value lies at or above it.
// An empty v gives 0.
double binmedian(std::span<const double> v);

}  // namespace velmor
