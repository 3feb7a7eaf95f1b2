// SPDX-License-Identifier: MIT

#pragma once

// Dense kernels of the fitting engine. Matrices are column-major with an explicit leading
// dimension; entry (i, j), 0-based, of a matrix with leading dimension ld is a[i + ld * j].
namespace velmor {

// Sum of n products x[i*incx] * y[i*incy] (BLAS conventions for the strides, a negative stride
// walking from the far end). 0 for n < 1.
double sdotm(int n, const double* x, int incx, const double* y, int incy);
// sb plus the same sum; sb for n < 1.
double sdsdot(int n, double sb, const double* x, int incx, const double* y, int incy);

// In-place inverse of the n-by-n matrix a by LU factorisation with row pivoting. A zero pivot
// is not detected (non-finite entries result).
void inv_lu(double* a, int n, int lda);
// The same, but returns as soon as a pivot is exactly 0, leaving a partly transformed.
void inv_lu_stop(double* a, int n, int lda);
// Replaces the n-by-n matrix a (leading dimension n) by a balanced similar matrix, scaling by
// powers of 2 only; a symmetric matrix passes unchanged.
void balance(double* a, int n);

}  // namespace velmor
