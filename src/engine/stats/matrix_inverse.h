// SPDX-License-Identifier: MIT

#pragma once

#include <span>

namespace velmor {

// Both routines invert the n-by-n matrix a in place; a is column-major with leading dimension
// n, entry (i, j) (0-based) at a[i + n * j].

// LU factorisation with partial pivoting (the first entry of largest magnitude in the column;
// a later one replaces it only when strictly larger), multipliers stored negated, then the
// inverse from the factors. Returns 0 on success, or k > 0 when the pivot of column k (1-based)
// is exactly 0.0; a is then partly transformed and must not be used.
int lumatinv(int n, std::span<double> a);

// Gauss-Jordan elimination with full pivoting over the rows and columns not yet used, row
// exchanges undone as column exchanges at the end. For n = 1 the entry becomes 1/a unless it is
// 0.0. When no non-zero pivot is left (a pivot column would be chosen twice) it stops silently
// with a partly transformed.
void invertmat(std::span<double> a, int n);

}  // namespace velmor
