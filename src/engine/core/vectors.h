// SPDX-License-Identifier: MIT

#pragma once

#include <array>

#include "engine/core/limits.h"

// The fixed-size vectors every optimiser hands to the objective. All are 0-based: the
// parameter the report numbers P1 (Km) is p[0], P2 (Vm) is p[1], P3 (baseline) is p[2].
namespace velmor {

using ParamVector = std::array<double, kMaxParams>;
using ConstraintVector = std::array<double, kMaxConstraints>;

// Constraint normals, column-major with leading dimension kMaxParams: entry (i, k), the
// derivative of constraint k with respect to parameter i (both 0-based), is at
// [i + kMaxParams * k].
using ConstraintNormals = std::array<double, kMaxParams * kMaxConstraints>;

inline constexpr int normal_index(int i, int k) {
  return i + kMaxParams * k;
}

}  // namespace velmor
