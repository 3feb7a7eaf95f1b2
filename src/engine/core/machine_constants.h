// SPDX-License-Identifier: MIT

#pragma once

// Machine constants of a run: eps is the smallest x = 1e-60 * 2^k with 1 + 0.1x > 1 and
// 1 + 0.1x < 1 + 0.2x in 80-bit extended precision. In plain double arithmetic that search
// would stop near 2.85e-15, so the extended-precision results are fixed here, and every report
// depends on them (compute_machine_epsilon() reproduces them where long double is the x87
// format).
namespace velmor {

inline constexpr double kEps = 1.393796574908164e-18;  // 1e-60 * 2^140
inline constexpr double kBig = 7.174648137343064e18;   // 10 / kEps
// Optimiser tolerance 20 * sqrt(eps) * (1 + sqrt(eps)).
inline constexpr double kTol = 2.3611832442224155e-08;

// Runs the doubling search in long double and returns the eps it finds.
double compute_machine_epsilon();

}  // namespace velmor
