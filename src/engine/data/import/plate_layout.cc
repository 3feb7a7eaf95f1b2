// SPDX-License-Identifier: MIT
#include "engine/data/import/plate_layout.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "engine/data/data_records.h"
#include "engine/data/delimited_text.h"
#include "engine/data/import/raw_curves.h"
#include "engine/data/import/text_decoding.h"
#include "engine/data/import/well_names.h"

namespace velmor {
namespace {

constexpr const char* kLayoutSuffix = ".layout.csv";

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return out;
}

std::string at_line(int line) {
  return kMsgLayoutLine + std::to_string(line);
}

std::string at_cell(int line, int column, const std::string& name) {
  return at_line(line) + ", column " + std::to_string(column + 1) + " (" + name + ")";
}

bool names_curve(const std::string& normalised) {
  return normalised == "well" || normalised == "id" || normalised == "curve" ||
         normalised == "measurement" || normalised == "well id" || normalised == "curve id" ||
         normalised == "measurement id";
}

std::string bracket_unit(std::string_view name) {
  const std::size_t open = name.find_first_of("[(");
  const std::size_t close = name.find_first_of("])", open);
  if (open == std::string_view::npos || close == std::string_view::npos) return "";
  std::string unit(name.substr(open + 1, close - open - 1));
  while (!unit.empty() && unit.front() == ' ') unit.erase(unit.begin());
  while (!unit.empty() && unit.back() == ' ') unit.pop_back();
  return unit;
}

class LayoutReader {
 public:
  LayoutReader(std::istream& in, const std::string& file) : in_(in) { layout_.file = file; }

  PlateLayout read() {
    std::vector<std::string> cells;
    if (!next(cells)) {
      if (layout_.error.empty()) layout_.error = kMsgLayoutEmpty + layout_.file;
      return std::move(layout_);
    }
    if (!header(cells)) return std::move(layout_);
    std::map<std::string, int> seen;
    while (next(cells)) {
      LayoutEntry entry;
      if (!row(cells, entry)) return std::move(layout_);
      const auto [at, fresh] = seen.emplace(entry.key, line_);
      if (!fresh) {
        refuse(at_line(line_) + " names " + entry.id + " again (line " +
               std::to_string(at->second) + ")");
        return std::move(layout_);
      }
      if (layout_.entries.size() >= static_cast<std::size_t>(kMaxImportCurves)) {
        refuse(at_line(line_) + " names more than " + std::to_string(kMaxImportCurves) +
               " wells, more than the program reads");
        return std::move(layout_);
      }
      layout_.entries.push_back(std::move(entry));
    }
    if (!layout_.error.empty()) return std::move(layout_);
    if (layout_.entries.empty()) {
      layout_.error = kMsgLayoutEmpty + layout_.file;
    }
    return std::move(layout_);
  }

 private:
  void refuse(std::string message) {
    if (layout_.error.empty()) layout_.error = std::move(message);
    layout_.entries.clear();
  }

  bool next(std::vector<std::string>& cells) {
    std::string raw;
    bool cut = false;
    while (read_record(in_, raw, kRecordWidth, &cut)) {
      ++line_;
      if (cut) {
        refuse(at_line(line_) + " is longer than " + std::to_string(kRecordWidth) + " characters");
        return false;
      }
      if (is_blank_line(raw)) continue;
      if (raw[raw.find_first_not_of(" \t")] == '#') continue;
      const std::string text = utf8_line(raw);
      if (separator_ == 0) separator_ = guess_separator(text);
      int bad = 0;
      auto split = split_first_cells(text, separator_, 64, nullptr, &bad);
      if (!split) {
        refuse(at_cell(line_, bad - 1, "") + " has a quoted text that is not closed properly");
        return false;
      }
      if (std::all_of(split->begin(), split->end(),
                      [](const std::string& c) { return c.empty(); })) {
        continue;
      }
      cells = std::move(*split);
      return true;
    }
    return false;
  }

  bool header(const std::vector<std::string>& cells) {
    for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
      const std::string n = normalised_column_name(cells[c]);
      if (names_curve(n) && well_ < 0) {
        well_ = c;
      } else if (column_role(cells[c]) == ColumnRole::kSo && so_ < 0) {
        so_ = c;
        layout_.conc_unit = bracket_unit(cells[c]);
      } else if (n == "role" && role_ < 0) {
        role_ = c;
      } else if (n == "group" && group_ < 0) {
        group_ = c;
      }
    }
    names_ = cells;
    if (well_ < 0) {
      refuse(at_line(line_) + " has no well column (well)");
      return false;
    }
    return true;
  }

  const std::string& cell(const std::vector<std::string>& cells, int column) const {
    static const std::string kEmpty;
    return column >= 0 && column < static_cast<int>(cells.size()) ? cells[column] : kEmpty;
  }

  bool row(const std::vector<std::string>& cells, LayoutEntry& entry) {
    entry.line = line_;
    entry.id = cell(cells, well_);
    if (entry.id.empty()) {
      refuse(at_cell(line_, well_, names_[well_]) + " is empty");
      return false;
    }
    entry.key = curve_key(entry.id);
    const std::string role = lower(cell(cells, role_));
    if (role == "blank") {
      entry.blank = true;
    } else if (!role.empty() && role != "sample") {
      refuse(at_cell(line_, role_, names_[role_]) + ": \"" + cell(cells, role_) +
             "\" is not a role (sample or blank)");
      return false;
    }
    const std::string& so = cell(cells, so_);
    if (!so.empty()) {
      double value = 0.0;
      if (!parse_decimal(so, separator_ != ',', value)) {
        refuse(at_cell(line_, so_, names_[so_]) + ": \"" + so + "\" is not a number");
        return false;
      }
      if (!(value > 0.0) && !entry.blank) {
        refuse(at_line(line_) + " has an [So] of zero or below");
        return false;
      }
      entry.so = value;
    }
    entry.group = cell(cells, group_);
    return true;
  }

  std::istream& in_;
  PlateLayout layout_;
  int line_ = 0;
  char separator_ = 0;
  int well_ = -1;
  int so_ = -1;
  int role_ = -1;
  int group_ = -1;
  std::vector<std::string> names_;
};

}  // namespace

PlateLayout read_layout(std::istream& in, const std::string& file_name) {
  return LayoutReader(in, file_name).read();
}

PlateLayout read_layout_file(const std::string& file_name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  PlateLayout refused;
  refused.file = file_name;
  if (!fs::exists(file_name, ec)) {
    refused.error = kMsgLayoutMissing + file_name;
    return refused;
  }
  // A pipe or device could block the reading or never end.
  if (!fs::is_regular_file(file_name, ec)) {
    refused.error = kMsgLayoutUnreadable + file_name;
    return refused;
  }
  std::ifstream in(file_name, std::ios::binary);
  if (!in) {
    refused.error = kMsgLayoutUnreadable + file_name;
    return refused;
  }
  skip_byte_order_mark(in);
  return read_layout(in, file_name);
}

std::string layout_beside(const std::string& data_file) {
  namespace fs = std::filesystem;
  const fs::path path(data_file);
  if (is_layout_file_name(path.filename().string())) return "";
  const fs::path beside = path.parent_path() / (path.stem().string() + kLayoutSuffix);
  std::error_code ec;
  return fs::is_regular_file(beside, ec) ? beside.string() : "";
}

bool is_layout_file_name(std::string_view file_name) {
  const std::string name = lower(file_name);
  const std::string suffix = kLayoutSuffix;
  return name.size() > suffix.size() &&
         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace velmor
