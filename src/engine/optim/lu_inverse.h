// SPDX-License-Identifier: MIT

#pragma once

// The LU inverter behind inv_lu and inv_lu_stop, for callers inside the optimiser that must
// know whether the inversion completed.
namespace velmor::detail {

enum class LuPivotRule {
  kIgnoreZeroPivot,  // inv_lu: divides by the pivot; a zero pivot gives non-finite entries
  kStopAtZeroPivot,  // inv_lu_stop: multiplies by 1/pivot; stops at an exactly zero pivot
};

// In-place inverse of the n-by-n matrix a (leading dimension lda). Returns false only under
// kStopAtZeroPivot when a pivot was exactly 0, a then being partly transformed.
bool lu_invert(double* a, int n, int lda, LuPivotRule rule);

}  // namespace velmor::detail
