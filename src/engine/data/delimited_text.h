// SPDX-License-Identifier: MIT

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text level of comma-, semicolon- and tab-separated data files (the tables instruments and
// spreadsheets export): splitting a line into cells, reading a cell as a number, and the names
// of the columns.
namespace velmor {

// The cells of one line separated by `separator`. A cell may be quoted ("a;b", "say ""x"""), as
// RFC 4180 writes them; a quoted cell ends at its closing quote, blanks after it are ignored.
// Unquoted cells lose their surrounding blanks (and tabs, unless tabs separate). A quoted cell
// that is not closed on the line, or text after a closing quote, gives std::nullopt with the
// 1-based number of the offending cell in `bad_cell`.
std::optional<std::vector<std::string>> split_cells(std::string_view line, char separator,
                                                    int* bad_cell = nullptr);

// As split_cells, keeping the first `max_cells` cells only, so that a line of many empty cells
// costs no more than the cells a reader uses. `more` (when given) tells whether anything but
// separators, blanks and quotes follows them; what follows is not checked further.
std::optional<std::vector<std::string>> split_first_cells(std::string_view line, char separator,
                                                          std::size_t max_cells, bool* more,
                                                          int* bad_cell = nullptr);

// A number as spreadsheets write it: [sign] digits [. digits] [(e|E) [sign] digits], at least
// one digit before the exponent, surrounding blanks allowed. With `decimal_comma` the decimal
// mark may be a comma as well ("0,5"); a cell holding both marks (a thousands separator) is
// refused.
// Read the same whatever the process's locale. False for anything else and for values that do
// not fit a double.
bool parse_decimal(std::string_view text, bool decimal_comma, double& value);

// The separator of a file's first line: a tab if it holds one, else a semicolon if it holds
// one, else a comma.
char guess_separator(std::string_view line);

// The meaning of a column, from its header name.
enum class ColumnRole {
  kNone,  // any other column; ignored
  kTime,  // "time" or "t", or a header time_header_unit reads ("time_min", "Zeit [s]")
  kSo,    // "S0", "So" or "[So]": the initial substrate concentration of the row's curve
  kY,     // "product", "P", "substrate", "S" or "y": the observed concentration
};

// A header name reduced to what names the column: blanks trimmed, ASCII letters in lower case,
// trailing units in brackets or parentheses removed ("Time [min]" -> "time", "P (uM)" -> "p"),
// and a name that is wholly in brackets taken from inside them ("[So]" -> "so").
std::string normalised_column_name(std::string_view name);

ColumnRole column_role(std::string_view name);

// The [So] of a wide table's curve column, from a header such as "S0=50", "[So] = 0.5" or
// "So=50 [uM]"; std::nullopt if the name is not of that form (a number must follow the '=').
std::optional<double> wide_column_so(std::string_view name, bool decimal_comma);

// True if the line reads as the header of a delimited table: it holds a comma, semicolon or tab,
// and its first cell is neither empty nor a number. A data line of the program's own format
// always begins with a number, so no such file is taken for a table.
bool looks_like_table_header(std::string_view line);

}  // namespace velmor
