// SPDX-License-Identifier: MIT

#include "util/edit_descriptors.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace velmor::util {
namespace {

// Decimal digits needed for the integer part of the largest double, plus point and sign.
constexpr int kMaxIntegerDigits = 312;

// The text itself when width is 0, else the text right-justified in `width` columns, or
// `width` asterisks when it does not fit.
std::string justify(std::string text, int width) {
  if (width <= 0) return text;
  const auto w = static_cast<std::size_t>(width);
  if (text.size() > w) return std::string(w, '*');
  if (text.size() < w) text.insert(0, w - text.size(), ' ');
  return text;
}

// Exact decimal text of a finite, non-negative value rounded to `decimals` places after the
// point (no point at all when decimals is 0). Rounding is the C library's: to nearest, ties to
// even on the exact binary value, which is what the Fortran runtime delegates to.
std::string fixed_digits(double magnitude, int decimals) {
  std::array<char, kMaxIntegerDigits + 96> small;
  if (decimals < 90) {
    const auto r = std::to_chars(small.data(), small.data() + small.size(), magnitude,
                                 std::chars_format::fixed, decimals);
    return std::string(small.data(), r.ptr);
  }
  std::string big(kMaxIntegerDigits + 2 + static_cast<std::size_t>(decimals), '\0');
  const auto r = std::to_chars(big.data(), big.data() + big.size(), magnitude,
                               std::chars_format::fixed, decimals);
  big.resize(static_cast<std::size_t>(r.ptr - big.data()));
  return big;
}

// `significant` rounded significant digits of a finite, non-zero magnitude, and the decimal
// exponent k of the form 0.ddd x 10^k.
struct ScaledDigits {
  std::string digits;
  int exponent = 0;
};

ScaledDigits scaled_digits(double magnitude, int significant) {
  std::string sci(static_cast<std::size_t>(significant) + 16, '\0');
  const auto r = std::to_chars(sci.data(), sci.data() + sci.size(), magnitude,
                               std::chars_format::scientific, significant - 1);
  sci.resize(static_cast<std::size_t>(r.ptr - sci.data()));
  const std::size_t e = sci.find('e');
  ScaledDigits out;
  out.digits.reserve(static_cast<std::size_t>(significant));
  for (std::size_t i = 0; i < e; ++i) {
    if (sci[i] != '.') out.digits.push_back(sci[i]);
  }
  out.exponent = std::atoi(sci.c_str() + e + 1) + 1;
  return out;
}

// Infinity and NaN as gfortran writes them: "Infinity" when the field has room, else "Inf";
// NaN as "NaN"; asterisks in fields narrower than that.
std::string edit_non_finite(double value, int width) {
  if (std::isnan(value)) {
    if (width > 0 && width < 3) return std::string(static_cast<std::size_t>(width), '*');
    return justify("NaN", width);
  }
  const std::string sign = value < 0 ? "-" : "";
  const auto sign_size = static_cast<int>(sign.size());
  if (width == 0) return sign + "Inf";
  if (width >= sign_size + 8) return justify(sign + "Infinity", width);
  if (width >= sign_size + 3) return justify(sign + "Inf", width);
  return std::string(static_cast<std::size_t>(width), '*');
}

}  // namespace

std::string edit_integer(long long value, int width, int min_digits) {
  const unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                 : static_cast<unsigned long long>(value);
  std::string text = (min_digits == 0 && value == 0) ? std::string() : std::to_string(magnitude);
  if (min_digits > 0 && text.size() < static_cast<std::size_t>(min_digits)) {
    text.insert(0, static_cast<std::size_t>(min_digits) - text.size(), '0');
  }
  if (value < 0) text.insert(0, 1, '-');
  return justify(std::move(text), width);
}

std::string edit_fixed(double value, int width, int decimals) {
  if (!std::isfinite(value)) return edit_non_finite(value, width);
  const bool negative = std::signbit(value);
  std::string digits = fixed_digits(std::fabs(value), decimals);
  if (decimals == 0) digits.push_back('.');
  // "0.5" may lose its zero ("0" is optional before the point), "0." may not.
  const bool optional_zero = decimals > 0 && digits[0] == '0' && digits[1] == '.';
  const std::size_t needed = digits.size() + (negative ? 1 : 0);
  if (optional_zero && (width == 0 || needed > static_cast<std::size_t>(width))) {
    digits.erase(0, 1);
  }
  if (negative) digits.insert(0, 1, '-');
  return justify(std::move(digits), width);
}

std::string edit_exponential(double value, int width, int decimals, int exponent_digits,
                             char letter) {
  if (!std::isfinite(value)) return edit_non_finite(value, width);
  ScaledDigits scaled;
  if (value == 0.0) {
    scaled.digits.assign(static_cast<std::size_t>(decimals), '0');
  } else {
    scaled = scaled_digits(std::fabs(value), decimals);
  }
  const int magnitude = std::abs(scaled.exponent);
  const char sign = scaled.exponent < 0 ? '-' : '+';
  std::string exponent;
  if (exponent_digits == 0) {
    // Exponents 100..999 take the letter's place; beyond that no form exists.
    if (magnitude <= 99) {
      exponent = {letter, sign, static_cast<char>('0' + magnitude / 10),
                  static_cast<char>('0' + magnitude % 10)};
    } else if (magnitude <= 999) {
      exponent = sign + std::to_string(magnitude);
    } else {
      return std::string(static_cast<std::size_t>(width), '*');
    }
  } else {
    std::string digits = std::to_string(magnitude);
    if (digits.size() > static_cast<std::size_t>(exponent_digits)) {
      return std::string(static_cast<std::size_t>(width), '*');
    }
    digits.insert(0, static_cast<std::size_t>(exponent_digits) - digits.size(), '0');
    exponent = std::string{letter, sign} + digits;
  }
  std::string text = std::signbit(value) ? "-0." : "0.";
  text += scaled.digits;
  text += exponent;
  if (width > 0 && text.size() > static_cast<std::size_t>(width)) {
    text.erase(text.find('0'), 1);
  }
  return justify(std::move(text), width);
}

std::string edit_text(std::string_view text, int width) {
  if (width < 0) return std::string(text);
  const auto w = static_cast<std::size_t>(width);
  if (text.size() >= w) return std::string(text.substr(0, w));
  std::string out(w - text.size(), ' ');
  out += text;
  return out;
}

std::string g0_real4(float value) {
  constexpr int kDigits = 9;  // significant digits of the G0 edit for REAL(4)
  const double v = value;     // exact: every float is a double
  if (!std::isfinite(v)) return edit_non_finite(v, 0);
  const std::string sign = std::signbit(v) ? "-" : "";
  if (v == 0.0) return sign + fixed_digits(0.0, kDigits - 1);
  const ScaledDigits scaled = scaled_digits(std::fabs(v), kDigits);
  const int k = scaled.exponent;
  if (k >= 0 && k <= kDigits) {
    std::string text = fixed_digits(std::fabs(v), kDigits - k);
    if (k == kDigits) text.push_back('.');
    return sign + text;
  }
  return sign + "0." + scaled.digits + 'E' + (k < 0 ? '-' : '+') + std::to_string(std::abs(k));
}

}  // namespace velmor::util
