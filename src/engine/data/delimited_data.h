// SPDX-License-Identifier: MIT

#pragma once

#include <array>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

// Progress-curve data in the tables instruments and spreadsheets write: comma-, semicolon- or
// tab-separated text with a header line of column names.
//
// Long tables have one row per observation, its columns found by their names: the time ("time",
// "t", written in any form time_text.h reads, "0:01:00", "1 min", and kept in one unit), the
// initial substrate concentration ("S0", "So", "[So]") and the observation ("product", "P",
// "substrate", "S", "y"); case does not matter, a unit in brackets may follow a name
// ("time [min]", "P (uM)"), other columns are ignored. Wide tables have the time column and one
// column per curve with its [So] in the header ("t, S0=50, S0=100"); they are read as curves in
// column order, each curve's rows in line order, an empty cell being no observation. A file
// whose first line holds numbers has no header: its columns are time, [So] and the observation,
// in that order.
//
// Blank lines, lines of empty cells and comment lines (first non-blank character '#') are
// skipped anywhere; a UTF-8 byte order mark is the caller's to skip. With ';' as the separator
// the decimal mark may be a comma as well as a point. Lines are numbered as in the file, counting
// every line.
namespace velmor {

// Which columns hold time, [So] and the observation, as given on the command line (--columns
// T,SO,Y): each a header name (compared as normalised_column_name does) or a 1-based column
// number. All three empty: found by their header names.
using DataColumns = std::array<std::string, 3>;

// Parses "T,SO,Y": three non-empty names or numbers separated by commas. False otherwise.
bool parse_data_columns(std::string_view text, DataColumns& columns);

// One observation and the file line it came from.
struct TableRow {
  int line = 0;
  double time = 0.0;
  double so = 0.0;
  double y = 0.0;
};

struct DataTable {
  std::vector<TableRow> rows;  // in file order (wide tables: curve by curve)
  bool too_many_rows = false;  // more than kMaxRows observations; reading stopped there
  std::string error;           // why the table was refused, naming its line and column
  std::string time_unit;       // "s", "min" or "h" as the header or the times name it, else empty
  std::string conc_unit;       // the unit in brackets after the [So] (else the observation's) name
};

// True if the file is read as a table: its name ends in ".csv" or ".tsv" (any case), or
// `first_line` (the file's first line, past a byte order mark) looks_like_table_header.
bool is_table_file(std::string_view file_name, std::string_view first_line);

// Reads the table from the stream (positioned past a byte order mark). `separator` is '\t' for
// ".tsv" files, 0 to take it from the first line that is neither blank nor a comment.
// Refusals (an empty table, a missing or doubly named column, a cell that is not a number, an
// unclosed quote, a line too long to read) set `error` and may leave `rows` incomplete.
DataTable read_data_table(std::istream& in, char separator, const DataColumns& columns);

// The separator to read `file_name` with: '\t' for ".tsv", else 0 (taken from the file).
char table_separator_for(std::string_view file_name);

}  // namespace velmor
