// SPDX-License-Identifier: MIT

#pragma once

#include <span>

namespace velmor {

// Return codes of svd_decompose.
inline constexpr int kSvdOk = 0;
// Some singular value was still coupled to its neighbour after 30 implicit QR sweeps.
inline constexpr int kSvdNoConvergence = 12;
// n < 1, m < n, a leading dimension below the row count, or a span too short for the shape.
inline constexpr int kSvdDimension = 105;

// Singular value decomposition a = U diag(w) V^T of the m-by-n matrix a (m >= n >= 1) by
// Householder bidiagonalisation followed by implicitly shifted QR iterations on the bidiagonal
// form. Matrices are column-major: entry (i, j), 0-based, of a is a[i + lda * j].
//
// On return a holds U (m-by-n), w[0..n-1] the singular values, all non-negative (a negative one
// is made positive together with its column of V) and in no particular order, and, when v is not
// empty, v holds V (n-by-n, leading dimension ldv). rv1 is n doubles of scratch. An empty v
// skips the accumulation of V; U is always formed.
//
// On kSvdNoConvergence the arrays hold a partly diagonalised state and must not be used; on
// kSvdDimension nothing has been touched.
int svd_decompose(int m, int n, std::span<double> a, int lda, std::span<double> w,
                  std::span<double> v, int ldv, std::span<double> rv1);

}  // namespace velmor
