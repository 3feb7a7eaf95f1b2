// SPDX-License-Identifier: MIT

#pragma once

#include <string>
#include <string_view>
#include <vector>

// Plain text helpers of the toolkit: the wrapper's trimming, line splitting for multi-line text,
// the carriage-return/line-feed convention of text boxes and the file dialog's filter list.
namespace wintk::text {

// The text without its trailing blanks (only ' ' counts as a blank, as in fixed-length fields).
std::string_view trim_trailing_blanks(std::string_view text);

// Trimmed and then cut to at most max_length bytes.
std::string trimmed_and_cut(std::string_view text, std::size_t max_length);

// Lines of a text block. CR+LF, a lone CR and a lone LF each end a line; a final line break does
// not open an empty last line, but an empty text is one empty line.
std::vector<std::string> split_lines(std::string_view text);

// Text boxes hold lines separated by CR+LF. Qt documents use a single LF; these convert.
std::string to_lf(std::string_view crlf_text);
std::string to_crlf(std::string_view lf_text);

// A caret position counted in the CR+LF convention (a line break counts two) turned into a
// position in the same text with single LF breaks. lf_text uses single LF breaks; positions are
// counted in elements of the string (the caller uses UTF-16 units). A position inside a CR+LF
// pair or beyond the end lands on the following valid position.
template <typename String>
int crlf_position_to_lf(const String& lf_text, int crlf_position) {
  int counted = 0;
  int index = 0;
  const int size = static_cast<int>(lf_text.size());
  while (index < size && counted < crlf_position) {
    counted += (lf_text[index] == '\n') ? 2 : 1;
    ++index;
  }
  return index;
}

// One entry of a file dialog's filter list.
struct FileFilter {
  std::string name;
  std::string pattern;
};

// The filter list: the given pattern (if not empty) under its description, or, without one,
// under the pattern followed by "files"; then always "All Files" with "*.*". The description is
// cut to 128 characters, a name made from the pattern to 32, the pattern to 128.
std::vector<FileFilter> build_file_filters(std::string_view pattern, std::string_view description);

// The initial state of a file dialog from the caller's buffer: a buffer ending in '/' or '\'
// names the folder to open in, with an empty file name; otherwise it is the file name.
struct InitialFile {
  std::string folder;
  std::string name;
};
InitialFile split_initial_file(std::string_view buffer);

// True when the file name ends in a dot and three characters after the last path separator.
bool has_three_letter_extension(std::string_view file_name);

}  // namespace wintk::text
