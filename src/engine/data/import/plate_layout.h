// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

// The plate layout (--layout): which well, curve id or EnzymeML measurement holds which [So],
// which are blanks, and which belong together in one fit.
//
// A delimited table (tabs, semicolons or commas, as the header line holds them; '#' comment
// and blank lines skipped) with a header naming the columns in any order and case: `well` (or
// id, curve, measurement), `S0` (a unit in brackets allowed, "S0 [uM]"), optional `role`
// (sample, the default, or blank) and optional `group` (free text). Other columns are ignored.
namespace velmor {

struct LayoutEntry {
  int line = 0;              // the layout file's line
  std::string id;            // as written
  std::string key;           // as curves are matched (well_names.h: curve_key)
  double so = std::nan("");  // NaN: none given
  bool blank = false;
  std::string group;
};

struct PlateLayout {
  std::string file;                  // the layout file's name
  std::vector<LayoutEntry> entries;  // in the file's order
  std::string conc_unit;             // the unit the S0 header names, empty if none
  std::string error;                 // why the layout is refused, naming its line
};

inline constexpr const char* kMsgLayoutMissing = "The layout file does not exist: ";
inline constexpr const char* kMsgLayoutUnreadable = "The layout file cannot be read: ";
inline constexpr const char* kMsgLayoutEmpty = "The layout file names no wells: ";
// "Layout file line " <number> and what is wrong.
inline constexpr const char* kMsgLayoutLine = "Layout file line ";

PlateLayout read_layout(std::istream& in, const std::string& file_name);

// Opens and reads the layout file; a missing or unreadable file is refused with the messages
// above.
PlateLayout read_layout_file(const std::string& file_name);

// The layout a data file has beside it: "<folder>/<stem>.layout.csv" for "<folder>/<stem>.<ext>"
// when such a regular file exists, else empty.
std::string layout_beside(const std::string& data_file);

// True for a file name of that form ("plate.layout.csv", any case), which a folder's data files
// leave out.
bool is_layout_file_name(std::string_view file_name);

}  // namespace velmor
