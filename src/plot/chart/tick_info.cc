// SPDX-License-Identifier: MIT

#include "plot/chart/tick_info.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

namespace velmor::plot {

double TickInfo::RoundSpan(double v) {
  if (!(v > 0.0) || std::isinf(v)) return kRoundSpanError;
  // v = f x 10^e with f in [1, 10).
  int e = 0;
  double f = v;
  while (f >= 10.0) {
    f /= 10.0;
    ++e;
  }
  while (f < 1.0) {
    f *= 10.0;
    --e;
  }
  const double d = std::floor(f + 0.5);
  double m = 5.0;
  if (d <= 1.0) {
    m = 1.0;
  } else if (d <= 4.0) {
    m = 2.0;
  } else if (d >= 10.0) {
    return std::pow(10.0, e + 1);
  }
  return m * std::pow(10.0, e);
}

std::string TickInfo::MakeFormatString(double s) {
  // Spans arrive as single-precision values: 0.01 is stored as 0.0099999998, which must still
  // count as 0.01 (two decimals), so the comparisons allow for a float's rounding.
  constexpr double kFloatRounding = 1e-6;
  double a = std::fabs(s);
  if (a > 10000.0 || a < 0.001 * (1.0 - kFloatRounding)) return "%.1e";
  if (a >= 1.0) return "%.0f";
  int decimals = 0;
  while (a < 1.0 - kFloatRounding) {
    a *= 10.0;
    ++decimals;
  }
  return "%." + std::to_string(decimals) + "f";
}

namespace {

// Skips the digits at i; a width or precision of more than two digits is refused so that a
// label can never ask for a huge buffer.
bool skip_small_number(const std::string& format, std::size_t& i) {
  int digits = 0;
  while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) {
    ++i;
    ++digits;
  }
  return digits <= 2;
}

// True when `format` holds no conversion or exactly one floating-point conversion; "%%" is a
// literal percent sign.
bool is_safe_float_format(const std::string& format) {
  int conversions = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    ++i;
    if (i < format.size() && format[i] == '%') continue;
    while (i < format.size() && std::string_view("-+ #0").find(format[i]) != std::string::npos) ++i;
    if (!skip_small_number(format, i)) return false;
    if (i < format.size() && format[i] == '.') {
      ++i;
      if (!skip_small_number(format, i)) return false;
    }
    if (i >= format.size() || std::string_view("feEgG").find(format[i]) == std::string::npos) {
      return false;
    }
    ++conversions;
  }
  return conversions <= 1;
}

}  // namespace

std::string FormatTickLabel(const std::string& format, double value) {
  const char* used = is_safe_float_format(format) ? format.c_str() : "%g";
  const int needed = std::snprintf(nullptr, 0, used, value);
  if (needed <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
  std::snprintf(buffer.data(), buffer.size(), used, value);
  return std::string(buffer.data(), static_cast<std::size_t>(needed));
}

}  // namespace velmor::plot
