#include "engine/data/data_records.h"

namespace velmor {
namespace {

bool is_blank_char(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

bool read_record(std::istream& in, std::string& line, std::size_t width) {
  line.clear();
  bool any = false;
  std::streambuf* buffer = in.rdbuf();
  if (buffer == nullptr || !in.good()) return false;
  for (;;) {
    const auto next = buffer->sbumpc();
    if (next == std::char_traits<char>::eof()) {
      in.setstate(std::ios::eofbit);
      break;
    }
    any = true;
    const char c = std::char_traits<char>::to_char_type(next);
    if (c == '\n') break;
    if (line.size() < width) line += c;
  }
  if (!line.empty() && line.back() == '\r') line.back() = ' ';
  return any;
}

bool is_blank_line(std::string_view line) {
  for (char c : line) {
    if (!is_blank_char(c)) return false;
  }
  return true;
}

bool is_comment_line(std::string_view line) {
  for (char c : line) {
    if (is_blank_char(c)) continue;
    return c == '"' || c == '#' || c == '\'';
  }
  return false;
}

}  // namespace velmor
