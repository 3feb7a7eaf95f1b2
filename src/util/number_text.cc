// SPDX-License-Identifier: MIT

#include "util/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>

#include "util/fortran_format.h"

namespace velmor::util {
namespace {

constexpr int kMaxIntstrDigits = 30;  // intstr's limit on requested digits
constexpr int kMaxRealDecimals = 18;  // 10^18 still fits the 64-bit fraction digits

std::string zero_padded(unsigned long long magnitude, int digits) {
  std::string text = std::to_string(magnitude);
  if (digits == 0 && magnitude == 0) text.clear();
  if (text.size() < static_cast<std::size_t>(digits)) {
    text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
  }
  return text;
}

// The single record written by "(" + descriptor + ")" for one value, left-justified and trimmed.
std::string write_one(const FortranValue& value, std::string_view descriptor) {
  const std::size_t last = descriptor.find_last_not_of(' ');
  const std::string_view used =
      last == std::string_view::npos ? std::string_view() : descriptor.substr(0, last + 1);
  const FortranFormat format(std::string("(").append(used).append(")"));
  std::string text = format.write({value}, {.integers_in_full = true});
  text.pop_back();  // the record's '\n'
  if (text.find('\n') != std::string::npos) {
    throw std::invalid_argument("edit descriptor \"" + std::string(used) +
                                "\" writes more than one record");
  }
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string write_di(int value, std::string_view edit_descriptor) {
  return write_one(value, edit_descriptor);
}

std::string write_dr(double value, std::string_view edit_descriptor) {
  return write_one(value, edit_descriptor);
}

std::string intstr(int value, int digits) {
  if (digits < 0 || digits > kMaxIntstrDigits) {
    throw std::invalid_argument("intstr: " + std::to_string(digits) +
                                " digits requested, at most 30 are possible");
  }
  const unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                 : static_cast<unsigned long long>(value);
  return std::string(value < 0 ? "-" : "").append(zero_padded(magnitude, digits));
}

std::string real2strng(double x, int decimals, int length) {
  if (decimals < 0 || decimals > kMaxRealDecimals || length < 0) {
    throw std::invalid_argument("real2strng: decimals must lie in 0..18 and length be >= 0");
  }
  std::string text;
  const double magnitude = std::fabs(x);
  if (std::isnan(x)) {
    text = "NaN";
  } else if (std::isinf(x)) {
    text = "Infinity";
  } else {
    // Integer digits of |x| (truncated toward zero), a point, then the fraction's first
    // `decimals` digits: m = trunc(f * 10^d), so 0.0123456789 gives 012345, not 012346.
    const double whole = std::trunc(magnitude);
    std::array<char, 320> digits;
    const auto r = std::to_chars(digits.data(), digits.data() + digits.size(), whole,
                                 std::chars_format::fixed, 0);
    text.assign(digits.data(), r.ptr);
    text.push_back('.');
    double scale = 1.0;
    for (int i = 0; i < decimals; ++i) scale *= 10.0;  // exact up to 10^22
    const double fraction = magnitude - whole;
    auto m = static_cast<unsigned long long>(std::trunc(fraction * scale));
    // A fraction a hair below 1 may round up to 10^d in the product; keep d digits.
    const auto limit = static_cast<unsigned long long>(scale);
    if (decimals > 0 && m >= limit) m = limit - 1;
    text += zero_padded(m, decimals);
  }
  text.resize(static_cast<std::size_t>(length), ' ');
  return text;
}

bool parse_finite_number(const std::string& text, double& value) {
  if (text.empty() || text.size() > 64) return false;
  std::size_t used = 0;
  try {
    value = std::stod(text, &used);
  } catch (...) {
    return false;
  }
  return used == text.size() && std::isfinite(value) &&
         text.find_first_of("xXnNiI") == std::string::npos;
}

}  // namespace velmor::util
