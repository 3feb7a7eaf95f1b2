// SPDX-License-Identifier: MIT

#pragma once

#include <span>
#include <string_view>

namespace velmor {

// Reads values.size() numbers from one line the way Fortran list-directed input reads reals:
// values separated by blanks, tabs or one comma; integer, fixed-point or exponent notation
// with E or D (either case) or with the exponent's sign alone (1.0+3, 2.5-1); repeat counts
// r*value. Values after the last one needed are ignored. Returns true only if the line itself
// supplies every value as a finite number; a short line, a slash, an empty (null) value, a word
// that is not a number or an overflow gives false (the values are then unspecified). Unlike
// Fortran, a short line never continues into the next one.
bool read_list_directed(std::string_view line, std::span<double> values);

// One real in Fortran notation, the whole text: [sign] digits [. digits] followed by nothing,
// (E|D) [sign] digits, or sign digits; at least one mantissa digit. Returns false for anything else
// and for non-finite results.
bool parse_fortran_real(std::string_view text, double& value);

}  // namespace velmor
