// SPDX-License-Identifier: MIT

#include "util/printable_name.h"

#include <algorithm>

namespace velmor::util {
namespace {

bool is_control(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code < 0x20 || code == 0x7F;
}

// Appends the character, a control character escaped; with `quoted`, a quote or backslash too.
void append_escaped(std::string& text, char c, bool quoted) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  switch (c) {
    case '\n':
      text += "\\n";
      return;
    case '\r':
      text += "\\r";
      return;
    case '\t':
      text += "\\t";
      return;
    case '"':
    case '\\':
      if (quoted) text += '\\';
      text += c;
      return;
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

std::string escaped(std::string_view text, bool quoted) {
  std::string out;
  out.reserve(text.size() + 2);
  for (const char c : text) append_escaped(out, c, quoted);
  return out;
}

}  // namespace

bool has_control_character(std::string_view name) {
  return std::any_of(name.begin(), name.end(), is_control);
}

std::string printable_name(std::string_view name) {
  if (!has_control_character(name)) return std::string(name);
  return std::string("\"").append(escaped(name, true)).append("\"");
}

std::string printable_line(std::string_view text) {
  if (!has_control_character(text)) return std::string(text);
  return escaped(text, false);
}

}  // namespace velmor::util
