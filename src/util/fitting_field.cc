// SPDX-License-Identifier: MIT

#include "util/fitting_field.h"

#include <algorithm>
#include <cmath>

#include "util/edit_descriptors.h"

namespace velmor::util {
namespace {

constexpr int kLeastSignificantDigits = 3;

// Digits from the first non-zero one on, in a fixed-form text such as "0.000075".
int significant_digits(const std::string& fixed_text) {
  int count = 0;
  bool started = false;
  for (const char c : fixed_text) {
    if (c < '0' || c > '9') continue;
    started = started || c != '0';
    if (started) ++count;
  }
  return count;
}

}  // namespace

std::string exponent_descriptor(int width) {
  const int digits = std::max(width - 8, std::min(kLeastSignificantDigits, width - 7));
  return std::string("E")
      .append(std::to_string(width))
      .append(".")
      .append(std::to_string(std::max(digits, 1)));
}

std::string fitting_descriptor(std::span<const double> values, int width, int decimals,
                               bool blank_before) {
  std::string fixed =
      std::string("F").append(std::to_string(width)).append(".").append(std::to_string(decimals));
  double largest = 0.0;
  for (const double v : values) {
    if (!std::isfinite(v)) continue;
    // A value that fills the whole field would run into the field before it, unless the layout
    // puts blanks there; asterisks are never readable.
    const char lead = edit_fixed(v, width, decimals).front();
    if (lead == '*' || (lead != ' ' && !blank_before)) return exponent_descriptor(width);
    largest = std::max(largest, std::fabs(v));
  }
  if (largest == 0.0) return fixed;
  const bool shows_enough =
      significant_digits(edit_fixed(largest, width, decimals)) >= kLeastSignificantDigits;
  return shows_enough ? fixed : exponent_descriptor(width);
}

}  // namespace velmor::util
