// SPDX-License-Identifier: MIT

#pragma once

// Fixed limits of the fitting engine. Every work array is sized by them.
namespace velmor {

inline constexpr int kMaxRows = 1000;       // data rows in one file
inline constexpr int kMinRows = 3;          // fewer rows are refused
inline constexpr int kMaxCurves = 10;       // progress curves in one file
inline constexpr int kMinCurvePoints = 5;   // a curve of 4 points or fewer is refused
inline constexpr int kRequiredColumns = 3;  // time, [So], product or substrate
inline constexpr int kMaxParams = 25;       // length of every parameter vector
inline constexpr int kMaxConstraints = 50;  // length of every constraint vector
inline constexpr int kModelCount = 8;       // models 1..8 (model_catalog.h)
inline constexpr int kMaxSecondaryWindows = 256;

}  // namespace velmor
