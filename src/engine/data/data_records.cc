// SPDX-License-Identifier: MIT

#include "engine/data/data_records.h"

#include <string>
#include <string_view>

namespace velmor {
namespace {

bool is_blank_char(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

bool read_record(std::istream& in, std::string& line, std::size_t width, bool* cut) {
  using traits = std::char_traits<char>;
  line.clear();
  if (cut != nullptr) *cut = false;
  bool any = false;
  std::streambuf* buffer = in.rdbuf();
  if (buffer == nullptr || !in.good()) return false;
  for (;;) {
    const auto next = buffer->sbumpc();
    if (next == traits::eof()) {
      in.setstate(std::ios::eofbit);
      break;
    }
    any = true;
    const char c = traits::to_char_type(next);
    if (c == '\n') break;
    if (c == '\r') {
      // CR LF (Windows) or a CR alone (old Mac files) ends the line.
      if (buffer->sgetc() == traits::to_int_type('\n')) buffer->sbumpc();
      break;
    }
    if (line.size() < width) {
      line += c;
    } else if (cut != nullptr && !is_blank_char(c)) {
      *cut = true;
    }
  }
  return any;
}

void skip_byte_order_mark(std::istream& in) {
  static constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
  // Nearly every file starts without the mark: its first byte is only looked at, so the file is
  // not read a second time from its start.
  if (in.peek() != std::char_traits<char>::to_int_type(kUtf8Mark[0])) {
    in.clear();  // an empty file: no end of file yet for the reader
    return;
  }
  char start[3] = {};
  in.read(start, 3);
  if (in.gcount() == 3 && std::string_view(start, 3) == kUtf8Mark) return;
  in.clear();
  in.seekg(0);
}

bool open_data_file(FileUnits& units, int unit, const std::string& name) {
  if (!units.open(unit, name, FileMode::kRead)) return false;
  skip_byte_order_mark(*units.stream(unit));
  return true;
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
