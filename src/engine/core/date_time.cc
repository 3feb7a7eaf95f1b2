// SPDX-License-Identifier: MIT

#include "engine/core/date_time.h"

#include <array>
#include <cstdio>

namespace velmor {
namespace {

constexpr std::array<const char*, 7> kWeekdays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

std::string format_time(const std::tm& when) {
  // Out-of-range fields are folded into range so the text keeps its 24 columns.
  const int weekday = ((when.tm_wday % 7) + 7) % 7;
  const int month = ((when.tm_mon % 12) + 12) % 12;
  std::array<char, 64> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%s %s %2d %02d:%02d:%02d %04d", kWeekdays[weekday],
                kMonths[month], when.tm_mday % 100, when.tm_hour % 100, when.tm_min % 100,
                when.tm_sec % 100, (when.tm_year + 1900) % 10000);
  std::string text(buffer.data());
  text.resize(kTimeTextLength, ' ');
  return text;
}

std::string time() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return format_time(local);
}

}  // namespace velmor
