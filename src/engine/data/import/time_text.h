// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reaction times as instruments and people write them: a clock ("0:01:00", "01:30"), a number
// with its unit ("1 min", "30 s", "1.5 h", "1 min 30 s"), or a plain number whose unit the
// column's header names ("Time [s]", "time_min", "Time (min)").
namespace velmor {

enum class TimeUnit { kNone, kSeconds, kMinutes, kHours };

// "s", "min", "h"; empty for kNone.
std::string time_unit_name(TimeUnit unit);

// Seconds in one unit; 1 for kNone.
double seconds_in(TimeUnit unit);

struct TimeText {
  double value = 0.0;
  TimeUnit unit = TimeUnit::kNone;  // kNone: a plain number
  bool clock = false;               // written as a clock; value in seconds
};

// One written time. A clock is h:mm:ss or mm:ss (the first field of any size, the others below
// 60, the seconds with a fraction allowed) and is read in seconds; a number with a unit (s, sec,
// second(s), ms, min, minute(s), h, hr, hour(s), and the German Sek., Min., Std.) keeps that unit,
// several of them ("1 min 30 s", "1h30min") are added up in seconds; a plain number has no
// unit. With `decimal_comma` a comma may be the decimal mark. std::nullopt for anything else
// (a time of day "10:34:12 AM", a negative clock, text).
std::optional<TimeText> parse_time_text(std::string_view text, bool decimal_comma);

// Whether a header names the time column, and the unit it names: "Time", "t", "Zeit" (any
// case), followed by a unit in brackets or parentheses ("Time [s]", "Zeit (min)", "t/h") or
// after '_' ("time_min"). A clock format named in brackets ("Time (hh:mm:ss)") names no unit.
// std::nullopt: not a time column.
std::optional<TimeUnit> time_header_unit(std::string_view header);

// A column of times made one: every value in one unit. Clocks, and numbers written with
// different units, are made seconds; numbers written with one unit keep it (plain numbers among
// them are taken in it too); plain numbers alone take `header_unit`.
struct TimeColumn {
  std::vector<double> values;
  TimeUnit unit = TimeUnit::kNone;
};
TimeColumn resolve_time_column(const std::vector<TimeText>& times, TimeUnit header_unit);

}  // namespace velmor
