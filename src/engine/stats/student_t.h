// SPDX-License-Identifier: MIT

#pragma once

namespace velmor {

// Two-sided 95 % point of Student's t distribution for dof degrees of freedom, in single
// precision: a table for 1..20, a three-piece exponential fit (rounded down to 0.01) beyond,
// 0 for dof <= 0.
float tvalue(int dof);

}  // namespace velmor
