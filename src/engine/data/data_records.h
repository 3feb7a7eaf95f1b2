#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

// Line-level rules of the data file: reading one record, and telling blank and comment lines
// from data lines.
namespace velmor {

// Widths at which lines are looked at: a line is classified by its first 100 characters, the
// column count looks at the first 256, and a row's values are read from at most 64 KiB (a
// longer line is cut, which bounds memory on files that are not text).
inline constexpr std::size_t kClassifyWidth = 100;
inline constexpr std::size_t kColumnCountWidth = 256;
inline constexpr std::size_t kRecordWidth = 65536;

// Reads the next line into `line`, keeping at most `width` characters and discarding the rest
// of the line. A carriage return ending the line (files written on Windows) becomes a blank.
// Returns false at the end of the file when no further line exists.
bool read_record(std::istream& in, std::string& line, std::size_t width);

// Nothing but blanks and tabs.
bool is_blank_line(std::string_view line);

// The first character that is not a blank or tab is a double quote, # or apostrophe.
bool is_comment_line(std::string_view line);

}  // namespace velmor
