// SPDX-License-Identifier: MIT

#include "engine/data/list_directed.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

namespace velmor {
namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool is_space(char c) {
  return c == ' ' || c == '\t';
}

// The "C" locale, made once and never changed.
locale_t c_locale() {
  static const locale_t locale = ::newlocale(LC_ALL_MASK, "C", locale_t{});
  return locale;
}

}  // namespace

bool parse_fortran_real(std::string_view text, double& value) {
  size_t pos = 0;
  const size_t n = text.size();
  std::string normal;  // the same number in the C library's notation
  if (pos < n && (text[pos] == '+' || text[pos] == '-')) normal += text[pos++];
  int mantissa_digits = 0;
  while (pos < n && is_digit(text[pos])) {
    normal += text[pos++];
    ++mantissa_digits;
  }
  if (pos < n && text[pos] == '.') {
    normal += text[pos++];
    while (pos < n && is_digit(text[pos])) {
      normal += text[pos++];
      ++mantissa_digits;
    }
  }
  if (mantissa_digits == 0) return false;
  if (pos < n) {
    // The exponent's letter may be left out when its sign is written: 1.0+3 is 1000.
    const char letter = text[pos];
    const bool sign_only = letter == '+' || letter == '-';
    if (!sign_only && letter != 'e' && letter != 'E' && letter != 'd' && letter != 'D') {
      return false;
    }
    normal += 'e';
    if (!sign_only) ++pos;
    if (pos < n && (text[pos] == '+' || text[pos] == '-')) normal += text[pos++];
    int exponent_digits = 0;
    while (pos < n && is_digit(text[pos])) {
      normal += text[pos++];
      ++exponent_digits;
    }
    if (exponent_digits == 0 || pos != n) return false;
  }
  // Read in the C locale: plain strtod would follow the LC_NUMERIC that a Qt application sets
  // from the environment (a decimal comma in many countries) and stop at the '.'. Values too
  // small for a double become 0 or a subnormal, as Fortran reads them.
  char* end = nullptr;
  const double parsed = ::strtod_l(normal.c_str(), &end, c_locale());
  if (end != normal.c_str() + normal.size() || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

bool read_list_directed(std::string_view line, std::span<double> values) {
  size_t filled = 0;
  size_t pos = 0;
  const size_t n = line.size();
  bool after_value = false;  // a comma right after a value only separates it from the next
  while (filled < values.size()) {
    while (pos < n && is_space(line[pos])) ++pos;
    if (pos >= n || line[pos] == '/') return false;
    if (line[pos] == ',') {
      ++pos;
      if (!after_value) return false;  // two commas, or a leading one: a null value
      after_value = false;
      continue;
    }
    size_t end = pos;
    while (end < n && !is_space(line[end]) && line[end] != ',' && line[end] != '/') ++end;
    std::string_view item = line.substr(pos, end - pos);
    pos = end;

    long repeat = 1;
    const size_t star = item.find('*');
    if (star != std::string_view::npos) {
      const std::string_view count = item.substr(0, star);
      if (count.empty() || count.size() > 9) return false;
      repeat = 0;
      for (char c : count) {
        if (!is_digit(c)) return false;
        repeat = repeat * 10 + (c - '0');
      }
      if (repeat < 1) return false;
      item = item.substr(star + 1);
      if (item.empty()) return false;  // r* alone stands for r null values
    }
    double value = 0.0;
    if (!parse_fortran_real(item, value)) return false;
    for (long r = 0; r < repeat && filled < values.size(); ++r) values[filled++] = value;
    after_value = true;
  }
  return true;
}

}  // namespace velmor
