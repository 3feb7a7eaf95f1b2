// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Names of microplate wells: a row letter and a column number, "A1" .. "P24" on a 384-well
// plate, "AF48" on a 1536-well one, written with or without a leading zero ("A01").
namespace velmor {

inline constexpr int kMaxPlateRows = 32;  // A .. Z, AA .. AF
inline constexpr int kMaxPlateColumns = 48;

// The well's name in one form ("A01", "a1", " A1 " -> "A1"); std::nullopt if the text is not a
// well name.
std::optional<std::string> normal_well_name(std::string_view text);

// The name of the well in 0-based row `row` and 1-based column `column` ("A1").
std::string well_name(int row, int column);

// Curve ids compare as wells when both are well names ("A01" = "A1"), else as written (blanks
// around them aside).
std::string curve_key(std::string_view id);

}  // namespace velmor
