// SPDX-License-Identifier: MIT

#pragma once

#include <array>

#include "engine/core/limits.h"

namespace velmor {

// A square matrix over the parameters, column-major with leading dimension kMaxParams: entry
// (i, j), both 0-based (parameter P1 is index 0), is at [param_index(i, j)]. Only the leading
// p-by-p block is meaningful.
using ParamMatrix = std::array<double, kMaxParams * kMaxParams>;

inline constexpr int param_index(int i, int j) {
  return i + kMaxParams * j;
}

}  // namespace velmor
