// SPDX-License-Identifier: MIT

#pragma once

// Field editing of single values as a Fortran runtime (gfortran) writes them: the building blocks
// of the report formatter. Every function returns the complete field: exactly `width` characters
// (right-justified, or `width` asterisks when the value does not fit), or the shortest text when
// `width` is 0.

#include <string>
#include <string_view>

namespace velmor::util {

// Iw and Iw.m. `min_digits` < 0 means no m; with m = 0 a zero value gives an all-blank field.
std::string edit_integer(long long value, int width, int min_digits = -1);

// Fw.d, rounded to nearest (ties to even on the exact binary value, as the C library does). A
// negative value, negative zero included, keeps its minus sign even when it rounds to zero; the
// leading "0" before the point is dropped when the field is too narrow for it.
std::string edit_fixed(double value, int width, int decimals);

// Ew.d[Ee] (or Dw.d[Ee] with letter 'D'): 0.ddddE+xx with d significant digits. `exponent_digits`
// 0 means the default form: two digits after the letter, or three digits without the letter for
// exponents 100..999.
std::string edit_exponential(double value, int width, int decimals, int exponent_digits = 0,
                             char letter = 'E');

// A (width < 0: the text as it stands) and Aw: a shorter text is right-justified, a longer one
// cut to its first w characters.
std::string edit_text(std::string_view text, int width);

// The G0 edit of a REAL(4) value: 9 significant digits, fixed form for values from 0.1 up to
// 10^9 and the 0.dddE-x form with the shortest exponent outside it, no blanks. Example: 50.0f
// gives "50.0000000", 1e-5f gives "0.999999975E-5".
std::string g0_real4(float value);

}  // namespace velmor::util
