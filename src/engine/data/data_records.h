// SPDX-License-Identifier: MIT

#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

#include "engine/core/file_units.h"

// Line-level rules of the data file: reading one record, and telling blank and comment lines
// from data lines.
namespace velmor {

// Widths at which lines are looked at: a line is classified by its first 100 characters, the
// column count looks at the first 256, and a row's values are read from at most 64 KiB, which
// bounds memory on files that are not text (a data row with more than blanks beyond that is
// refused).
inline constexpr std::size_t kClassifyWidth = 100;
inline constexpr std::size_t kColumnCountWidth = 256;
inline constexpr std::size_t kRecordWidth = 65536;

// Reads the next line into `line`, keeping at most `width` characters and discarding the rest
// of the line. A line ends at a line feed, a carriage return followed by a line feed (Windows)
// or a carriage return alone (old Mac files). `cut` (when given) tells whether the discarded
// rest held anything but blanks and tabs. Returns false at the end of the file when no further
// line exists.
bool read_record(std::istream& in, std::string& line, std::size_t width, bool* cut = nullptr);

// Steps over a UTF-8 byte order mark at the start of the stream; any other start is left to be
// read (the stream is set back to its beginning).
void skip_byte_order_mark(std::istream& in);

// Connects `unit` to the data file for reading, past a UTF-8 byte order mark. False when the
// file cannot be opened (FileUnits::open).
bool open_data_file(FileUnits& units, int unit, const std::string& name);

// Nothing but blanks and tabs.
bool is_blank_line(std::string_view line);

// The first character that is not a blank or tab is a double quote, # or apostrophe.
bool is_comment_line(std::string_view line);

}  // namespace velmor
