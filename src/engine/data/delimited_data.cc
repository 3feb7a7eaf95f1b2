// SPDX-License-Identifier: MIT

#include "engine/data/delimited_data.h"

#include <algorithm>
#include <optional>

#include "engine/core/limits.h"
#include "engine/data/data_records.h"
#include "engine/data/delimited_text.h"
#include "engine/data/import/time_text.h"

namespace velmor {
namespace {

// Where a cell of a role is found: the 0-based column and the header's text for messages.
struct Column {
  int index = -1;
  std::string name;
};

// A curve column of a wide table.
struct CurveColumn {
  Column column;
  double so = 0.0;
};

constexpr int kRoleCount = 3;  // time, [So], observation: the order of DataColumns
constexpr const char* kRoleWords[kRoleCount] = {"time", "[So]", "product or substrate"};
constexpr const char* kRoleNames[kRoleCount] = {"time or t", "S0, So or [So]",
                                                "product, P, substrate, S or y"};

std::string line_text(int line) {
  return "Data file line " + std::to_string(line);
}

std::string cell_text(int line, const Column& column) {
  std::string text = line_text(line) + ", column " + std::to_string(column.index + 1);
  if (!column.name.empty()) text += " (" + column.name + ")";
  return text;
}

bool is_table_comment(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t");
  return first != std::string_view::npos && line[first] == '#';
}

bool all_empty(const std::vector<std::string>& cells) {
  return std::all_of(cells.begin(), cells.end(), [](const std::string& c) { return c.empty(); });
}

bool ends_with_ignoring_case(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(),
                    [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; });
}

int role_index(ColumnRole role) {
  switch (role) {
    case ColumnRole::kTime:
      return 0;
    case ColumnRole::kSo:
      return 1;
    case ColumnRole::kY:
      return 2;
    case ColumnRole::kNone:
      break;
  }
  return -1;
}

// The unit in brackets after a column's name ("P (uM)" -> "uM"); empty if none.
std::string bracketed_unit(std::string_view name) {
  const std::size_t open = name.find_last_of("[(");
  if (open == std::string_view::npos) return "";
  const std::size_t close = name.find(name[open] == '[' ? ']' : ')', open);
  if (close == std::string_view::npos) return "";
  std::string unit(name.substr(open + 1, close - open - 1));
  while (!unit.empty() && unit.front() == ' ') unit.erase(unit.begin());
  while (!unit.empty() && unit.back() == ' ') unit.pop_back();
  return unit;
}

// The unit written after a wide table's [So] ("S0=50 uM", "S0=50 [uM]"); empty if none.
std::string wide_unit(std::string_view name) {
  const std::size_t equals = name.find('=');
  if (equals == std::string_view::npos) return "";
  std::string_view rest = name.substr(equals + 1);
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  const std::size_t end = rest.find_first_of(" [(");
  if (end == std::string_view::npos) return "";
  std::string bracketed = bracketed_unit(rest.substr(end));
  if (!bracketed.empty()) return bracketed;
  std::string unit(rest.substr(end));
  while (!unit.empty() && unit.front() == ' ') unit.erase(unit.begin());
  while (!unit.empty() && unit.back() == ' ') unit.pop_back();
  return unit;
}

bool is_column_number(std::string_view text) {
  return !text.empty() && text.size() <= 4 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Reads the table line by line; the first refusal ends the reading.
class TableReader {
 public:
  TableReader(std::istream& in, char separator, const DataColumns& columns)
      : in_(in), separator_(separator), columns_(columns) {}

  DataTable read() {
    std::vector<std::string> first;
    if (!next_line(first)) return std::move(table_);
    const int header_line = line_;
    double number = 0.0;
    const bool headerless = parse_decimal(first[0], decimal_comma_, number);
    if (columns_given()) {
      if (!columns_by_choice(first, headerless, header_line)) return std::move(table_);
    } else if (headerless) {
      for (int r = 0; r < kRoleCount; ++r) roles_[r].index = r;
    } else if (!columns_by_name(first, header_line)) {
      return std::move(table_);
    }
    // Only the cells of the columns read are split off a line, so that a line of many empty
    // cells costs no more than a short one.
    max_cells_ = 0;
    for (const Column& role : roles_)
      max_cells_ = std::max<std::size_t>(max_cells_, role.index + 1);
    for (const CurveColumn& curve : curves_) {
      max_cells_ = std::max<std::size_t>(max_cells_, curve.column.index + 1);
    }
    header_unit_ = headerless ? TimeUnit::kNone
                              : time_header_unit(first[roles_[0].index]).value_or(TimeUnit::kNone);
    if (!headerless) {
      const std::string& so = roles_[1].index >= 0 ? first[roles_[1].index] : std::string();
      const std::string& y = roles_[2].index >= 0 ? first[roles_[2].index] : std::string();
      table_.conc_unit = bracketed_unit(so).empty() ? bracketed_unit(y) : bracketed_unit(so);
      if (wide_ && !curves_.empty()) table_.conc_unit = wide_unit(curves_.front().column.name);
    }
    if (headerless && !read_long_row(first, header_line)) return std::move(table_);
    if (wide_) {
      read_wide();
    } else {
      read_long();
    }
    if (table_.error.empty()) set_times();
    return std::move(table_);
  }

 private:
  bool columns_given() const {
    return std::any_of(columns_.begin(), columns_.end(),
                       [](const std::string& c) { return !c.empty(); });
  }

  bool refuse(std::string message) {
    table_.error = std::move(message);
    return false;
  }

  // The next line holding something, split into cells; false at the end or on a refusal.
  bool next_line(std::vector<std::string>& cells) {
    std::string line;
    bool cut = false;
    while (read_record(in_, line, kRecordWidth, &cut)) {
      ++line_;
      if (cut) {
        return refuse(line_text(line_) + " is longer than " + std::to_string(kRecordWidth) +
                      " characters");
      }
      if (is_blank_line(line) || is_table_comment(line)) continue;
      if (separator_ == 0) {
        separator_ = guess_separator(line);
        decimal_comma_ = separator_ == ';';
      }
      int bad = 0;
      auto split = split_first_cells(line, separator_, max_cells_, nullptr, &bad);
      if (!split) {
        return refuse(cell_text(line_, Column{bad - 1, {}}) +
                      " has a quoted text that is not closed properly");
      }
      if (all_empty(*split)) continue;
      cells = std::move(*split);
      return true;
    }
    return false;
  }

  // --columns: names looked up in the header, or column numbers.
  bool columns_by_choice(const std::vector<std::string>& header, bool headerless, int line) {
    for (int r = 0; r < kRoleCount; ++r) {
      const std::string& wanted = columns_[r];
      if (is_column_number(wanted)) {
        const int number = std::stoi(wanted);
        if (number < 1 || number > static_cast<int>(header.size())) {
          return refuse(line_text(line) + " has no column " + wanted + " (--columns)");
        }
        roles_[r] = {number - 1, headerless ? std::string() : header[number - 1]};
        continue;
      }
      const std::string key = normalised_column_name(wanted);
      int found = -1;
      for (int c = 0; !headerless && c < static_cast<int>(header.size()); ++c) {
        if (normalised_column_name(header[c]) == key && found < 0) found = c;
      }
      if (found < 0) {
        return refuse(line_text(line) + " has no column named \"" + wanted + "\" (--columns)");
      }
      roles_[r] = {found, header[found]};
    }
    return true;
  }

  // The header's names: a long table's three roles, or a wide table's time and curves.
  bool columns_by_name(const std::vector<std::string>& header, int line) {
    for (int c = 0; c < static_cast<int>(header.size()); ++c) {
      const int r = role_index(column_role(header[c]));
      if (r >= 0) {
        if (roles_[r].index >= 0) {
          return refuse(line_text(line) + ", columns " + std::to_string(roles_[r].index + 1) +
                        " and " + std::to_string(c + 1) + " both name the " + kRoleWords[r]);
        }
        roles_[r] = {c, header[c]};
        continue;
      }
      if (const auto so = wide_column_so(header[c], decimal_comma_)) {
        curves_.push_back({{c, header[c]}, *so});
      }
    }
    if (roles_[0].index < 0) return missing(line, 0);
    // Curve columns without an [So] or observation column make the table a wide one.
    wide_ = roles_[1].index < 0 && roles_[2].index < 0 && !curves_.empty();
    if (wide_) {
      for (const CurveColumn& curve : curves_) {
        if (!(curve.so > 0.0)) {
          return refuse(cell_text(line, curve.column) + " has an [So] of zero or below");
        }
      }
      return true;
    }
    if (roles_[1].index < 0) return missing(line, 1);
    if (roles_[2].index < 0) return missing(line, 2);
    return true;
  }

  bool missing(int line, int role) {
    std::string text =
        line_text(line) + " has no " + kRoleWords[role] + " column (" + kRoleNames[role] + ")";
    if (role == 2) text += " and no curve column such as S0=50";
    return refuse(text);
  }

  // The cell of `column` as a number; false (refused) when it is empty or not a number.
  // `file_column` names the cell's column in messages when `cells` holds a selection of the
  // line's cells (-1: column.index).
  bool cell_value(const std::vector<std::string>& cells, const Column& column, int line,
                  double& value, int file_column = -1) {
    const std::string empty;
    const std::string& cell =
        column.index < static_cast<int>(cells.size()) ? cells[column.index] : empty;
    const Column named{file_column >= 0 ? file_column : column.index, column.name};
    if (cell.empty()) return refuse(cell_text(line, named) + " is empty");
    if (!parse_decimal(cell, decimal_comma_, value)) {
      return refuse(cell_text(line, named) + ": \"" + cell + "\" is not a number");
    }
    return true;
  }

  // The time cell, written in any form time_text.h reads; its unit is settled by set_times.
  bool cell_time(const std::vector<std::string>& cells, const Column& column, int line,
                 TimeText& time) {
    const std::string empty;
    const std::string& cell =
        column.index < static_cast<int>(cells.size()) ? cells[column.index] : empty;
    if (cell.empty()) return refuse(cell_text(line, column) + " is empty");
    const auto parsed = parse_time_text(cell, decimal_comma_);
    if (!parsed) return refuse(cell_text(line, column) + ": \"" + cell + "\" is not a number");
    time = *parsed;
    return true;
  }

  bool add_row(const TableRow& row, const TimeText& time) {
    if (static_cast<int>(table_.rows.size()) >= kMaxRows) {
      table_.too_many_rows = true;
      return false;
    }
    table_.rows.push_back(row);
    row_times_.push_back(time);
    return true;
  }

  // Every row's time in the one unit of the column.
  void set_times() {
    const TimeColumn column = resolve_time_column(row_times_, header_unit_);
    for (std::size_t i = 0; i < table_.rows.size(); ++i) table_.rows[i].time = column.values[i];
    table_.time_unit = time_unit_name(column.unit);
  }

  bool read_long_row(const std::vector<std::string>& cells, int line) {
    TableRow row;
    row.line = line;
    TimeText time;
    return cell_time(cells, roles_[0], line, time) && cell_value(cells, roles_[1], line, row.so) &&
           cell_value(cells, roles_[2], line, row.y) && add_row(row, time);
  }

  void read_long() {
    std::vector<std::string> cells;
    while (next_line(cells)) {
      if (!read_long_row(cells, line_)) return;
    }
  }

  // The lines first (each curve's observations are spread over all of them), then the rows
  // curve by curve.
  void read_wide() {
    // Only lines holding an observation are kept, and of them only the curves' cells: at most
    // kMaxRows + 1 lines of the header's width, whatever the file.
    struct Line {
      int number;
      TimeText time;
      std::vector<std::string> cells;  // the curves' cells, in the order of curves_
    };
    std::vector<Line> lines;
    std::size_t observations = 0;
    std::vector<std::string> cells;
    while (next_line(cells)) {
      Line line{line_, {}, {}};
      if (!cell_time(cells, roles_[0], line_, line.time)) return;
      std::size_t present = 0;
      for (const CurveColumn& curve : curves_) {
        const int c = curve.column.index;
        line.cells.push_back(c < static_cast<int>(cells.size()) ? std::move(cells[c]) : "");
        if (!line.cells.back().empty()) ++present;
      }
      if (present == 0) continue;
      observations += present;
      lines.push_back(std::move(line));
      // Enough to know the limit is exceeded; the rest need not be held.
      if (observations > static_cast<std::size_t>(kMaxRows)) break;
    }
    for (std::size_t k = 0; k < curves_.size(); ++k) {
      const CurveColumn& curve = curves_[k];
      const Column at{static_cast<int>(k), curve.column.name};
      for (const Line& line : lines) {
        if (line.cells[k].empty()) continue;
        TableRow row{line.number, 0.0, curve.so, 0.0};
        double value = 0.0;
        if (!cell_value(line.cells, at, line.number, value, curve.column.index)) return;
        row.y = value;
        if (!add_row(row, line.time)) return;
      }
    }
  }

  std::istream& in_;
  char separator_;
  std::size_t max_cells_ = static_cast<std::size_t>(-1);  // cells split off each line
  TimeUnit header_unit_ = TimeUnit::kNone;
  std::vector<TimeText> row_times_;  // the time of each row of table_.rows, as written
  bool decimal_comma_ = false;
  const DataColumns& columns_;
  int line_ = 0;
  std::array<Column, kRoleCount> roles_{};
  std::vector<CurveColumn> curves_;
  bool wide_ = false;
  DataTable table_;
};

}  // namespace

bool parse_data_columns(std::string_view text, DataColumns& columns) {
  DataColumns parsed;
  std::size_t start = 0;
  for (int r = 0; r < kRoleCount; ++r) {
    const std::size_t comma = text.find(',', start);
    if ((r < kRoleCount - 1) != (comma != std::string_view::npos)) return false;
    const auto cell =
        split_cells(text.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                       : comma - start),
                    ',');
    if (!cell || cell->size() != 1 || (*cell)[0].empty()) return false;
    parsed[r] = (*cell)[0];
    start = comma + 1;
  }
  columns = parsed;
  return true;
}

bool is_table_file(std::string_view file_name, std::string_view first_line) {
  return ends_with_ignoring_case(file_name, ".csv") || ends_with_ignoring_case(file_name, ".tsv") ||
         looks_like_table_header(first_line);
}

char table_separator_for(std::string_view file_name) {
  return ends_with_ignoring_case(file_name, ".tsv") ? '\t' : 0;
}

DataTable read_data_table(std::istream& in, char separator, const DataColumns& columns) {
  return TableReader(in, separator, columns).read();
}

}  // namespace velmor
