// SPDX-License-Identifier: MIT
#include "engine/data/import/well_names.h"

#include <cctype>

namespace velmor {
namespace {

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string row_letters(int row) {
  if (row < 26) return std::string(1, static_cast<char>('A' + row));
  return std::string("A") + static_cast<char>('A' + row - 26);
}

}  // namespace

std::optional<std::string> normal_well_name(std::string_view text) {
  text = trim(text);
  std::size_t letters = 0;
  while (letters < text.size() && std::isalpha(static_cast<unsigned char>(text[letters]))) {
    ++letters;
  }
  if (letters == 0 || letters > 2 || letters == text.size() || text.size() - letters > 3) {
    return std::nullopt;
  }
  int row = 0;
  const auto upper = [](char c) { return std::toupper(static_cast<unsigned char>(c)) - 'A'; };
  if (letters == 1) {
    row = upper(text[0]);
  } else {
    if (upper(text[0]) != 0) return std::nullopt;  // AA .. AF follow Z
    row = 26 + upper(text[1]);
  }
  int column = 0;
  for (std::size_t i = letters; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
    column = column * 10 + (text[i] - '0');
  }
  if (row >= kMaxPlateRows || column < 1 || column > kMaxPlateColumns) return std::nullopt;
  return well_name(row, column);
}

std::string well_name(int row, int column) {
  return row_letters(row) + std::to_string(column);
}

std::string curve_key(std::string_view id) {
  if (auto well = normal_well_name(id)) return *well;
  return std::string(trim(id));
}

}  // namespace velmor
