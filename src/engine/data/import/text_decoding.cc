// SPDX-License-Identifier: MIT
#include "engine/data/import/text_decoding.h"

#include "util/utf8.h"

namespace velmor {

bool is_utf8(std::string_view bytes) {
  for (std::size_t pos = 0; pos < bytes.size();) {
    const std::size_t length = util::utf8_sequence_length(bytes, pos);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

std::string utf8_line(std::string_view line) {
  if (is_utf8(line)) return std::string(line);
  std::string out;
  out.reserve(line.size() + line.size() / 4);
  for (const char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

}  // namespace velmor
