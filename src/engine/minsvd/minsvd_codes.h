// SPDX-License-Identifier: MIT

#pragma once

// Error codes and tolerances of the SVD-based minimiser (nminsvd, nminf, linmnf).
namespace velmor {

// Error codes ierr of nminf and nminsvd.
// Normal end: after a cycle |f - f0| < max(|f| rtol, atol), f0 the value at the cycle's start.
inline constexpr int kMinsvdOk = 0;
// The decomposition of the direction matrix left a singular value unconverged after 30 sweeps.
inline constexpr int kMinsvdSvdNoConvergence = 12;
// Some line search of the run used up its 25 iterations (the run still finishes its cycle).
inline constexpr int kMinsvdLineSearchLimit = 56;
// n > kMaxParams (checked before anything is touched), or the decomposition refused the shape.
inline constexpr int kMinsvdDimension = 105;
// n < 2.
inline constexpr int kMinsvdTooFewParams = 504;
// maxit < 1, or maxit cycles done without meeting the convergence test.
inline constexpr int kMinsvdCycleLimit = 529;

// Tolerances nminsvd hands to nminf.
inline constexpr double kMinsvdRtol = 1e-8;
inline constexpr double kMinsvdAtol = 2.2e-16;
// Restarts of nminf allowed by nminsvd.
inline constexpr int kMinsvdMaxRestarts = 10;

}  // namespace velmor
