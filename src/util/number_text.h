// SPDX-License-Identifier: MIT

#pragma once

#include <string>
#include <string_view>

namespace velmor::util {

// The value written with one edit descriptor (for example "I3" or "F8.3"), left-justified, with
// trailing blanks removed: write_dr(2.5, "F8.3") == "2.500". An integer always appears in full,
// also when it has more digits than the descriptor's width (write_di(1000, "I3") == "1000"); a
// real too wide for its field gives the field's asterisks, as the runtime writes it. Throws
// std::invalid_argument for a descriptor that is not a valid single-record format item of the
// value's type.
std::string write_di(int value, std::string_view edit_descriptor);
std::string write_dr(double value, std::string_view edit_descriptor);

// v with at least `digits` digits (leading zeros), a leading minus sign when negative:
// intstr(42, 6) == "000042", intstr(-7, 3) == "-007". A value with more digits than asked for is
// written in full rather than cut. Throws std::invalid_argument for digits outside 0..30.
std::string intstr(int value, int digits);

// Decimal text of |x| with `decimals` decimals, cut (never rounded) after the last one, then
// blank-padded (or cut) to `length` characters: real2strng(0.0123456789, 6, 25) starts
// "0.012345", real2strng(-1.0, 6, 25) starts "1.000000". The caller writes the sign. NaN and
// infinities give "NaN" and "Infinity". Throws std::invalid_argument for decimals outside 0..18
// or a negative length.
std::string real2strng(double x, int decimals, int length);

// A finite decimal number as people and the summary write them ("0.01008", "1e-2", "-3"), the
// whole text and nothing else: false for empty or overlong text, hexadecimal, NaN and infinities.
// `value` is meaningful only when true is returned.
bool parse_finite_number(const std::string& text, double& value);

}  // namespace velmor::util
