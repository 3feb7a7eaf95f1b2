// SPDX-License-Identifier: MIT

#include "engine/data/delimited_text.h"

#include <charconv>
#include <cmath>

#include "engine/data/import/time_text.h"

namespace velmor {
namespace {

bool is_blank(char c, char separator) {
  return c == ' ' || (c == '\t' && separator != '\t');
}

std::string_view trim(std::string_view text, char separator = ',') {
  while (!text.empty() && is_blank(text.front(), separator)) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back(), separator)) text.remove_suffix(1);
  return text;
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::optional<std::vector<std::string>> split_cells(std::string_view line, char separator,
                                                    int* bad_cell) {
  return split_first_cells(line, separator, line.size() + 1, nullptr, bad_cell);
}

std::optional<std::vector<std::string>> split_first_cells(std::string_view line, char separator,
                                                          std::size_t max_cells, bool* more,
                                                          int* bad_cell) {
  std::vector<std::string> cells;
  if (more != nullptr) *more = false;
  std::size_t pos = 0;
  const auto refuse = [&]() -> std::optional<std::vector<std::string>> {
    if (bad_cell != nullptr) *bad_cell = static_cast<int>(cells.size()) + 1;
    return std::nullopt;
  };
  for (;;) {
    while (pos < line.size() && is_blank(line[pos], separator)) ++pos;
    std::string cell;
    if (pos < line.size() && line[pos] == '"') {
      ++pos;
      bool closed = false;
      while (pos < line.size()) {
        if (line[pos] == '"') {
          if (pos + 1 < line.size() && line[pos + 1] == '"') {
            cell += '"';
            pos += 2;
            continue;
          }
          ++pos;
          closed = true;
          break;
        }
        cell += line[pos++];
      }
      if (!closed) return refuse();
      while (pos < line.size() && is_blank(line[pos], separator)) ++pos;
      if (pos < line.size() && line[pos] != separator) return refuse();
    } else {
      const std::size_t end = line.find(separator, pos);
      cell = std::string(
          trim(line.substr(pos, end == std::string_view::npos ? end : end - pos), separator));
      pos = end == std::string_view::npos ? line.size() : end;
    }
    cells.push_back(std::move(cell));
    if (pos >= line.size()) break;
    ++pos;  // the separator
    if (cells.size() == max_cells) {
      if (more != nullptr) {
        *more = line.find_first_not_of(std::string{separator, ' ', '\t', '"'}, pos) !=
                std::string_view::npos;
      }
      break;
    }
  }
  return cells;
}

bool parse_decimal(std::string_view text, bool decimal_comma, double& value) {
  text = trim(text);
  // A cell holding both marks has a thousands separator, which is not read.
  if (text.find(',') != std::string_view::npos && text.find('.') != std::string_view::npos) {
    return false;
  }
  const char mark = decimal_comma && text.find(',') != std::string_view::npos ? ',' : '.';
  std::string normal;  // the number with a '.' mark and without a leading '+', for from_chars
  std::size_t pos = 0;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    if (text[pos] == '-') normal += '-';
    ++pos;
  }
  int digits = 0;
  while (pos < text.size() && is_digit(text[pos])) normal += text[pos++], ++digits;
  if (pos < text.size() && text[pos] == mark) {
    normal += '.';
    ++pos;
    while (pos < text.size() && is_digit(text[pos])) normal += text[pos++], ++digits;
  }
  if (digits == 0) return false;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    normal += 'e';
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) normal += text[pos++];
    int exponent_digits = 0;
    while (pos < text.size() && is_digit(text[pos])) normal += text[pos++], ++exponent_digits;
    if (exponent_digits == 0) return false;
  }
  if (pos != text.size()) return false;
  double parsed = 0.0;
  const auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), parsed);
  if (error != std::errc() || end != normal.data() + normal.size() || !std::isfinite(parsed)) {
    return false;
  }
  value = parsed;
  return true;
}

char guess_separator(std::string_view line) {
  if (line.find('\t') != std::string_view::npos) return '\t';
  if (line.find(';') != std::string_view::npos) return ';';
  return ',';
}

std::string normalised_column_name(std::string_view name) {
  std::string text(name);
  for (char& c : text) c = lower(c);
  for (;;) {
    text = std::string(trim(text));
    if (text.empty()) break;
    const char close = text.back();
    if (close != ')' && close != ']') break;
    const std::size_t open = text.rfind(close == ')' ? '(' : '[');
    if (open == std::string::npos || open == 0) break;
    text.erase(open);
  }
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
    text = std::string(trim(std::string_view(text).substr(1, text.size() - 2)));
  }
  return text;
}

ColumnRole column_role(std::string_view name) {
  const std::string n = normalised_column_name(name);
  if (n == "time" || n == "t" || time_header_unit(name)) return ColumnRole::kTime;
  if (n == "s0" || n == "so") return ColumnRole::kSo;
  if (n == "product" || n == "p" || n == "substrate" || n == "s" || n == "y") {
    return ColumnRole::kY;
  }
  return ColumnRole::kNone;
}

std::optional<double> wide_column_so(std::string_view name, bool decimal_comma) {
  const std::string_view text = trim(name);
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  if (column_role(text.substr(0, equals)) != ColumnRole::kSo) return std::nullopt;
  // The value, without a unit written after it ("50 uM", "50 [uM]").
  std::string_view value = trim(text.substr(equals + 1));
  value = value.substr(0, value.find_first_of(" [("));
  double so = 0.0;
  if (!parse_decimal(value, decimal_comma, so)) return std::nullopt;
  return so;
}

bool looks_like_table_header(std::string_view line) {
  if (line.find_first_of(",;\t") == std::string_view::npos) return false;
  const auto cells = split_cells(line, guess_separator(line));
  if (!cells || cells->empty() || (*cells)[0].empty()) return false;
  double number = 0.0;
  return !parse_decimal((*cells)[0], false, number) && !parse_decimal((*cells)[0], true, number);
}

}  // namespace velmor
