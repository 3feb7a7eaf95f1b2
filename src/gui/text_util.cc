// SPDX-License-Identifier: MIT

#include "gui/text_util.h"

#include <algorithm>

namespace wintk::text {

std::string_view trim_trailing_blanks(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string trimmed_and_cut(std::string_view text, std::size_t max_length) {
  return std::string(trim_trailing_blanks(text).substr(0, max_length));
}

std::vector<std::string> split_lines(std::string_view text) {
  std::vector<std::string> lines;
  std::string current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(current);
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty() || lines.empty()) lines.push_back(current);
  return lines;
}

std::string to_lf(std::string_view crlf_text) {
  std::string out;
  out.reserve(crlf_text.size());
  for (std::size_t i = 0; i < crlf_text.size(); ++i) {
    if (crlf_text[i] == '\r') {
      out.push_back('\n');
      if (i + 1 < crlf_text.size() && crlf_text[i + 1] == '\n') ++i;
    } else {
      out.push_back(crlf_text[i]);
    }
  }
  return out;
}

std::string to_crlf(std::string_view lf_text) {
  std::string out;
  out.reserve(lf_text.size() + lf_text.size() / 16);
  for (const char c : lf_text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

std::vector<FileFilter> build_file_filters(std::string_view pattern, std::string_view description) {
  std::vector<FileFilter> filters;
  if (!pattern.empty()) {
    std::string name = description.empty() ? std::string(pattern.substr(0, 32)) + "files"
                                           : std::string(description.substr(0, 128));
    filters.push_back({std::move(name), std::string(pattern.substr(0, 128))});
  }
  filters.push_back({"All Files", "*.*"});
  return filters;
}

InitialFile split_initial_file(std::string_view buffer) {
  if (!buffer.empty() && (buffer.back() == '/' || buffer.back() == '\\')) {
    return {std::string(buffer), ""};
  }
  return {"", std::string(buffer)};
}

bool has_three_letter_extension(std::string_view file_name) {
  const std::size_t slash = file_name.find_last_of("/\\");
  const std::string_view base =
      slash == std::string_view::npos ? file_name : file_name.substr(slash + 1);
  const std::size_t dot = base.find_last_of('.');
  return dot != std::string_view::npos && base.size() - dot - 1 == 3;
}

}  // namespace wintk::text
