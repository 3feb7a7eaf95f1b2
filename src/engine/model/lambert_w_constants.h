// SPDX-License-Identifier: MIT

#pragma once

// The constants of the Lambert W iterations, shared by the scalar solvers (lambert_w.cc, the
// polish in kinetic_models.cc) and their four-lane copies (model_rows.cc), which must give the
// same bits.

namespace velmor::lambert_w_constants {

// omegw's Halley iteration starts no further out than +-65 (exp(65) is taken as a constant).
inline constexpr double kStartClamp = 65.0;
inline constexpr double kExpStartClamp = 1.6948892444103338e28;     // exp(65)
inline constexpr double kExpNegStartClamp = 5.900090541597061e-29;  // exp(-65)
// Converged when |w e^w - x| <= kResidualTol (1 + x), at most kMaxCorrections corrections.
inline constexpr double kResidualTol = 1e-7;
inline constexpr int kMaxCorrections = 10;

// From the clamped start 65 each Halley correction raises w by less than 2, so a start above
// this can never be reached within kMaxCorrections: those arguments go straight to the
// logarithmic solver (the start overestimates W by about 0.5 there).
inline constexpr double kUnreachableStart = 86.0;
// Logarithms below this (z below e^2) are ordinary arguments; ln L would not start Newton there.
inline constexpr double kSmallLog = 2.0;

// Newton on w + ln w = L: at most kLogSolverSteps steps, done at a relative change of
// kLogSolverTolerance.
inline constexpr int kLogSolverSteps = 8;
inline constexpr double kLogSolverTolerance = 4e-16;
// The same Newton step polishing omegw's W to full precision in the model values.
inline constexpr int kPolishSteps = 4;

}  // namespace velmor::lambert_w_constants
