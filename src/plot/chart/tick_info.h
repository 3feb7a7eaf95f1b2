// SPDX-License-Identifier: MIT

#pragma once

#include <string>

namespace velmor::plot {

// Tick layout of one axis. The spacing fields are filled by the axis' tick iterator when
// `auto_tick` is on, the lengths when `auto_tick_size` is on.
struct TickInfo {
  bool auto_tick = true;
  bool auto_tick_size = true;
  bool ticks_on = true;
  int minor_ticks_per_major = 1;       // 5 after an automatic computation
  float major_tick_span = 1.0f;        // data units between major ticks
  int major_tick_screen_size = 1;      // pixels
  int minor_tick_screen_size = 1;      // pixels
  std::string format_string = "%.0f";  // printf-style format of the tick labels

  // Error value of RoundSpan.
  static constexpr double kRoundSpanError = -1.234567;

  // v rounded to 1, 2 or 5 times a power of ten; kRoundSpanError for v <= 0, infinite or NaN.
  static double RoundSpan(double v);
  // Label format for ticks `s` apart: "%.1e" outside [0.001, 10000], "%.0f" from 1 on, else
  // "%.Nf" with just enough decimals N to show the span.
  static std::string MakeFormatString(double s);
};

// The tick value printed with `format`. The format is checked first: it may hold at most one
// conversion, which must be a floating-point one (f, e, g, E, G with flags, width, precision);
// anything else is printed with "%g", so a bad format can never read a missing argument.
std::string FormatTickLabel(const std::string& format, double value);

}  // namespace velmor::plot
