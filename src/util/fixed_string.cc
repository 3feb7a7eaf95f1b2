// SPDX-License-Identifier: MIT

#include "util/fixed_string.h"

namespace velmor::util {
namespace {

bool is_blank_or_tab(char c) {
  return c == ' ' || c == '\t';
}

// Blank-pads `text` to `length` characters; text is never longer than length here.
void assign_padded(std::string& field, const std::string& text) {
  const size_t length = field.size();
  field = text;
  field.resize(length, ' ');
}

}  // namespace

int s_len_trim(std::string_view s) {
  for (size_t i = s.size(); i > 0; --i) {
    if (s[i - 1] != ' ') return static_cast<int>(i);
  }
  return 0;
}

std::string_view trimmed(std::string_view s) {
  return s.substr(0, static_cast<size_t>(s_len_trim(s)));
}

void s_adjustl(std::string& s) {
  size_t first = 0;
  while (first < s.size() && is_blank_or_tab(s[first])) ++first;
  if (first == 0) return;
  assign_padded(s, s.substr(first));
}

void s_blank_delete(std::string& s) {
  std::string kept;
  kept.reserve(s.size());
  for (char c : s) {
    if (!is_blank_or_tab(c)) kept += c;
  }
  assign_padded(s, kept);
}

void s_cap_string(std::string_view s1, std::string& s2) {
  const size_t length = s2.size();
  s2.assign(s1.substr(0, length));
  s2.resize(length, ' ');
  const size_t limit = s1.size() < length ? s1.size() : length;
  for (size_t i = 0; i < limit; ++i) {
    if (s2[i] >= 'a' && s2[i] <= 'z') s2[i] = static_cast<char>(s2[i] - 'a' + 'A');
  }
}

int ch_index(std::string_view s, char c) {
  const std::string_view used = trimmed(s);
  const size_t pos = used.find(c);
  return pos == std::string_view::npos ? 0 : static_cast<int>(pos) + 1;
}

void compact(std::string& s) {
  std::string out;
  out.reserve(s.size());
  bool in_blank_run = false;
  for (char c : s) {
    if (is_blank_or_tab(c)) {
      if (!in_blank_run) out += ' ';
      in_blank_run = true;
    } else {
      out += c;
      in_blank_run = false;
    }
  }
  assign_padded(s, out);
}

int s_word_count(std::string_view s) {
  std::string field(s);
  compact(field);
  int words = 0;
  bool previous_blank = true;  // a word at position 1 is a transition too
  for (char c : field) {
    const bool blank = c == ' ';
    if (previous_blank && !blank) ++words;
    previous_blank = blank;
  }
  return words;
}

}  // namespace velmor::util
