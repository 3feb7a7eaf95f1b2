// SPDX-License-Identifier: MIT

#include "util/printable_name.h"

#include <algorithm>

namespace velmor::util {
namespace {

bool is_control(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code < 0x20 || code == 0x7F;
}

}  // namespace

bool has_control_character(std::string_view name) {
  return std::any_of(name.begin(), name.end(), is_control);
}

std::string printable_name(std::string_view name) {
  if (!has_control_character(name)) return std::string(name);
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text = "\"";
  for (const char c : name) {
    switch (c) {
      case '\n':
        text += "\\n";
        break;
      case '\r':
        text += "\\r";
        break;
      case '\t':
        text += "\\t";
        break;
      case '"':
      case '\\':
        text += '\\';
        text += c;
        break;
      default:
        if (is_control(c)) {
          const auto code = static_cast<unsigned char>(c);
          text += "\\x";
          text += kHex[code >> 4];
          text += kHex[code & 0xF];
        } else {
          text += c;
        }
    }
  }
  return text + "\"";
}

}  // namespace velmor::util
