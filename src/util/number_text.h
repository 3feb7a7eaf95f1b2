#pragma once

#include <string>
#include <string_view>

namespace velmor::util {

// The value written with one edit descriptor (for example "I3" or "F8.3"), left-justified, with
// trailing blanks removed. An integer always appears in full, also when it has more digits than
// the descriptor's width.
std::string write_di(int value, std::string_view edit_descriptor);
std::string write_dr(double value, std::string_view edit_descriptor);

// v with exactly `digits` digits (leading zeros), a leading minus sign when negative.
std::string intstr(int value, int digits);

// Decimal text of |x| with `decimals` truncated decimals, blank-padded to `length` characters.
std::string real2strng(double x, int decimals, int length);

}  // namespace velmor::util
