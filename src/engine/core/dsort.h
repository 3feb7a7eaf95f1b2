// SPDX-License-Identifier: MIT

#pragma once

#include <span>

namespace velmor {

// Sorts x[0..n-1] by Singleton's quicksort. kind 1: x increasing; 2: x increasing with y
// carried along; -1 and -2: the same in decreasing order. n < 1 or another kind leaves both
// arrays unchanged, as does a y shorter than n for kind +-2 or an x shorter than n. Ties keep
// no particular order.
void dsort(std::span<double> x, std::span<double> y, int n, int kind);

}  // namespace velmor
