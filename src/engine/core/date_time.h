// SPDX-License-Identifier: MIT

#pragma once

#include <ctime>
#include <string>

namespace velmor {

// Length of the report's date field: the 24-character date and time, blank-padded.
inline constexpr int kTimeTextLength = 30;

// The local date and time as "Mon Jan  8 09:05:07 2024" (English names, day of the month
// blank-padded to two columns), padded with blanks to 30 characters.
std::string time();

// The same text for a given broken-down time (fields as std::tm defines them).
std::string format_time(const std::tm& when);

}  // namespace velmor
