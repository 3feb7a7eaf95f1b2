// SPDX-License-Identifier: MIT
#include "engine/data/import/export_table.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <optional>

#include "engine/core/fit_observer.h"
#include "engine/data/data_records.h"
#include "engine/data/delimited_text.h"
#include "engine/data/import/text_decoding.h"
#include "engine/data/import/well_names.h"

namespace velmor {
namespace {

// Lines holding something that are searched for the header.
constexpr int kHeaderSearchLines = 1000;
// Cells of a line that are read; a line holding more than blanks beyond them is refused (a
// 1536-well plate has 1536 well cells and a few more).
constexpr std::size_t kMaxCells = 4096;
// Lines of other labels a plate of one line per well may hold before its first well.
constexpr int kMaxLabelLines = 50;

enum class Shape { kNone, kWellsAcross, kWellsDown, kPlateBlocks, kLong };

// A cell's text trimmed and in lower case, for comparing names.
std::string lower_trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  std::string out(text);
  for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return out;
}

bool is_id_name(std::string_view name) {
  const std::string n = normalised_column_name(name);
  static const char* const kNames[] = {
      "well",  "well id",  "well_id",  "wellid",      "well name",      "well position", "id",
      "curve", "curve id", "curve_id", "measurement", "measurement id", "measurement_id"};
  return std::any_of(std::begin(kNames), std::end(kNames), [&](const char* k) { return n == k; });
}

// Columns a long table may hold beside its data that never are the observation.
bool is_ignored_column(std::string_view name) {
  const std::string n = lower_trimmed(name);
  static const char* const kParts[] = {"temp",      "cycle", "zyklus",    "content",
                                       "inhalt",    "t°",    "t\xC2\xB0", "read",
                                       "replicate", "group", "row",       "col"};
  return std::any_of(std::begin(kParts), std::end(kParts),
                     [&](const char* part) { return n.find(part) != std::string::npos; });
}

std::string column_text(int line, int column, const std::string& name) {
  std::string text =
      "Data file line " + std::to_string(line) + ", column " + std::to_string(column + 1);
  if (!name.empty()) text += " (" + name + ")";
  return text;
}

std::string unit_in_brackets(std::string_view name) {
  const std::size_t open = name.find_last_of("[(");
  if (open == std::string_view::npos) return "";
  const std::size_t close = name.find(name[open] == '[' ? ']' : ')', open);
  if (close == std::string_view::npos) return "";
  std::string unit(name.substr(open + 1, close - open - 1));
  const auto blank = [](char c) { return c == ' '; };
  while (!unit.empty() && blank(unit.front())) unit.erase(unit.begin());
  while (!unit.empty() && blank(unit.back())) unit.pop_back();
  return unit;
}

class ExportReader {
 public:
  ExportReader(std::istream& in, char separator) : in_(in), separator_hint_(separator) {}

  RawCurves read() {
    if (!find_header()) {
      if (out_.error.empty()) {
        out_.error =
            "Data file holds no table of progress curves: no line names a time column beside "
            "well columns (A1), a well or id column or an [So] column, nor a time label "
            "followed by times";
      }
      return std::move(out_);
    }
    if (!out_.error.empty()) return std::move(out_);
    switch (shape_) {
      case Shape::kWellsAcross:
        read_wells_across();
        break;
      case Shape::kWellsDown:
        read_wells_down();
        break;
      case Shape::kPlateBlocks:
        read_plate_blocks();
        break;
      case Shape::kLong:
        read_long();
        break;
      case Shape::kNone:
        break;
    }
    if (out_.error.empty()) finish();
    return std::move(out_);
  }

  bool header_found() { return find_header(); }

 private:
  // [SECTION] Lines and cells

  // The next line holding something (not blank, not a '#' comment), as UTF-8; false at the end
  // of the file or on a refusal.
  bool next_line(std::string& text) {
    std::string raw;
    bool cut = false;
    while (read_record(in_, raw, kRecordWidth, &cut)) {
      ++line_;
      if (cut) {
        return refuse("Data file line " + std::to_string(line_) + " is longer than " +
                      std::to_string(kRecordWidth) + " characters");
      }
      if (is_blank_line(raw)) {
        ++blank_lines_;
        continue;
      }
      const std::size_t first = raw.find_first_not_of(" \t");
      if (raw[first] == '#') continue;
      text = utf8_line(raw);
      return true;
    }
    return false;
  }

  bool refuse(std::string message) {
    if (out_.error.empty()) out_.error = std::move(message);
    return false;
  }

  std::optional<std::vector<std::string>> split(const std::string& text, char separator) {
    bool more = false;
    int bad = 0;
    auto cells = split_first_cells(text, separator, kMaxCells, &more, &bad);
    if (!cells) {
      refuse(column_text(line_, bad - 1, "") + " has a quoted text that is not closed properly");
      return std::nullopt;
    }
    if (more) {
      refuse("Data file line " + std::to_string(line_) + " holds more than " +
             std::to_string(kMaxCells) + " cells");
      return std::nullopt;
    }
    return cells;
  }

  const std::string& cell(const std::vector<std::string>& cells, int column) const {
    static const std::string kEmpty;
    return column >= 0 && column < static_cast<int>(cells.size()) ? cells[column] : kEmpty;
  }

  // [SECTION] Finding the header

  bool find_header() {
    bool plate_format_next = false;
    std::string text;
    for (int searched = 0; searched < kHeaderSearchLines && next_line(text); ++searched) {
      const char separator = separator_hint_ != 0 ? separator_hint_ : guess_separator(text);
      if (text.find(separator) == std::string::npos) {
        plate_format_next = false;
        continue;
      }
      auto cells = split(text, separator);
      if (!cells) return false;
      separator_ = separator;
      decimal_comma_ = separator != ',';
      if (plate_format_next) {
        plate_format_next = false;
        if (plate_block_header(*cells)) return true;
      }
      if (lower_trimmed(cell(*cells, 0)) == "plate:" &&
          std::find(cells->begin(), cells->end(), "PlateFormat") != cells->end()) {
        plate_format_next = true;
        continue;
      }
      if (column_header(*cells) || time_row_header(*cells)) return true;
      // A header refused (two columns of one well) is still the table's header: its message
      // says more than any other reading of the file could.
      if (!out_.error.empty()) return true;
    }
    return false;
  }

  void take_header(Shape shape, std::vector<std::string> cells) {
    shape_ = shape;
    header_ = std::move(cells);
    header_line_ = line_;
  }

  // Time and plate column numbers (SoftMax Pro's plate format).
  bool plate_block_header(const std::vector<std::string>& cells) {
    for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
      if (time_header_unit(cells[c])) {
        time_column_ = c;
        header_unit_ = *time_header_unit(cells[c]);
        break;
      }
    }
    if (time_column_ < 0) return false;
    for (int c = time_column_ + 1; c < static_cast<int>(cells.size()); ++c) {
      double number = 0.0;
      if (parse_decimal(cells[c], false, number) && number >= 1 && number <= kMaxPlateColumns &&
          number == static_cast<int>(number)) {
        plate_columns_.emplace_back(c, static_cast<int>(number));
      }
    }
    if (plate_columns_.empty()) {
      time_column_ = -1;
      return false;
    }
    take_header(Shape::kPlateBlocks, cells);
    out_.wells = true;
    out_.source = "SoftMax Pro export, plate blocks";
    return true;
  }

  // A time column beside wells, an id column or an [So] column.
  bool column_header(const std::vector<std::string>& cells) {
    int time = -1;
    for (int c = 0; c < static_cast<int>(cells.size()) && time < 0; ++c) {
      if (time_header_unit(cells[c])) time = c;
    }
    if (time < 0) return false;
    std::vector<std::pair<int, std::string>> wells;
    int id = -1;
    int so = -1;
    int y = -1;
    for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
      if (c == time) continue;
      if (auto well = normal_well_name(cells[c])) {
        wells.emplace_back(c, *well);
      } else if (is_curve_id_column(cells[c])) {
        if (id < 0) id = c;
      } else if (column_role(cells[c]) == ColumnRole::kSo) {
        if (so >= 0) {
          return refuse("Data file line " + std::to_string(line_) + ", columns " +
                        std::to_string(so + 1) + " and " + std::to_string(c + 1) +
                        " both name the [So]");
        }
        so = c;
      } else if (column_role(cells[c]) == ColumnRole::kY) {
        if (y >= 0) {
          return refuse("Data file line " + std::to_string(line_) + ", columns " +
                        std::to_string(y + 1) + " and " + std::to_string(c + 1) +
                        " both name the product or substrate");
        }
        y = c;
      }
    }
    time_column_ = time;
    header_unit_ = *time_header_unit(cells[time]);
    if (!wells.empty()) {
      // Two columns of one well (two wavelengths) would leave the choice to chance.
      std::map<std::string, int> seen;
      for (const auto& [c, well] : wells) {
        const auto [at, fresh] = seen.emplace(well, c);
        if (!fresh) {
          return refuse("Data file line " + std::to_string(line_) + ", columns " +
                        std::to_string(at->second + 1) + " and " + std::to_string(c + 1) +
                        " both name well " + well);
        }
      }
      well_columns_ = std::move(wells);
      take_header(Shape::kWellsAcross, cells);
      out_.wells = true;
      out_.source = "plate export, one column per well";
      return true;
    }
    if (id < 0 && so < 0) {
      time_column_ = -1;
      return false;
    }
    id_column_ = id;
    so_column_ = so;
    y_column_ = y;
    take_header(Shape::kLong, cells);
    out_.source = "long table";
    out_.so_unit = unit_in_brackets(cell(cells, so));
    out_.y_unit = unit_in_brackets(cell(cells, y));
    return true;
  }

  // A plate of one line per well: a time label followed by the times, or three or more times
  // written with units or as clocks.
  bool time_row_header(const std::vector<std::string>& cells) {
    const auto first =
        std::find_if(cells.begin(), cells.end(), [](const std::string& c) { return !c.empty(); });
    if (first == cells.end()) return false;
    const int first_index = static_cast<int>(first - cells.begin());
    const auto label_unit = time_header_unit(*first);
    std::vector<int> columns;
    std::vector<TimeText> times;
    int written = 0;  // times with a unit or as clocks
    for (int c = label_unit ? first_index + 1 : first_index; c < static_cast<int>(cells.size());
         ++c) {
      if (cells[c].empty()) continue;
      const auto time = parse_time_text(cells[c], decimal_comma_);
      if (!time) {
        if (!columns.empty()) break;  // times stand side by side
        continue;
      }
      if (time->unit != TimeUnit::kNone) ++written;
      columns.push_back(c);
      times.push_back(*time);
    }
    const bool labelled = label_unit && columns.size() >= 2;
    const bool written_times =
        !label_unit && written >= 3 && written == static_cast<int>(times.size());
    if (!labelled && !written_times) return false;
    const TimeColumn resolved =
        resolve_time_column(times, label_unit ? *label_unit : TimeUnit::kNone);
    time_columns_ = std::move(columns);
    row_times_ = resolved.values;
    out_.time_unit = resolved.unit;
    take_header(Shape::kWellsDown, cells);
    out_.wells = true;
    out_.source = "plate export, one line per well";
    return true;
  }

  // [SECTION] Reading each shape

  // A well's observation; false when the cell is empty or not a number (counted and warned
  // about once).
  bool well_value(const std::string& text, int column, const std::string& well, double& value) {
    if (text.empty()) return false;
    if (parse_decimal(text, decimal_comma_, value)) return true;
    if (skipped_cells_++ == 0) {
      first_skipped_ = column_text(line_, column, well) + ": \"" + text + "\" is not a number";
    }
    return false;
  }

  RawCurve& curve_of(const std::string& id, int line) {
    const auto [at, fresh] = curve_index_.emplace(id, static_cast<int>(out_.curves.size()));
    if (fresh) {
      RawCurve curve;
      curve.id = id;
      curve.line = line;
      out_.curves.push_back(std::move(curve));
    }
    return out_.curves[at->second];
  }

  bool add_point(RawCurve& curve, double t, double y) {
    if (++observations_ > kMaxImportObservations) {
      return refuse(kMsgTooManyObservations + std::to_string(kMaxImportObservations));
    }
    curve.t.push_back(t);
    curve.y.push_back(y);
    return true;
  }

  void read_wells_across() {
    for (const auto& [column, well] : well_columns_) curve_of(well, header_line_);
    std::vector<TimeText> times;
    std::string text;
    while (next_line(text)) {
      auto cells = split(text, separator_);
      if (!cells) return;
      const std::string& time_cell = cell(*cells, time_column_);
      const auto time = parse_time_text(time_cell, decimal_comma_);
      if (!time) {
        if (!times.empty()) break;  // the table's end
        refuse(column_text(line_, time_column_, header_[time_column_]) + ": \"" + time_cell +
               "\" is not a time");
        return;
      }
      times.push_back(*time);
      for (std::size_t w = 0; w < well_columns_.size(); ++w) {
        const auto& [column, well] = well_columns_[w];
        double value = 0.0;
        if (!well_value(cell(*cells, column), column, well, value)) continue;
        if (!store(w, value, static_cast<int>(times.size()) - 1)) return;
      }
    }
    if (out_.error.empty()) set_times(times);
  }

  // A point whose time is known once the whole column of times is read (its unit may change
  // with a later line's).
  bool store(std::size_t curve, double y, int read) {
    if (!add_point(out_.curves[curve], 0.0, y)) return false;
    pending_.push_back({curve, out_.curves[curve].t.size() - 1, read});
    return true;
  }

  void set_times(const std::vector<TimeText>& times) {
    const TimeColumn resolved = resolve_time_column(times, header_unit_);
    out_.time_unit = resolved.unit;
    for (const Pending& p : pending_) out_.curves[p.curve].t[p.point] = resolved.values[p.read];
    pending_.clear();
  }

  void read_wells_down() {
    std::string text;
    int label_lines = 0;
    while (next_line(text)) {
      auto cells = split(text, separator_);
      if (!cells) return;
      std::optional<std::string> well;
      for (int c = 0; c < time_columns_.front() && !well; ++c)
        well = normal_well_name(cell(*cells, c));
      if (!well) {
        if (!out_.curves.empty()) break;  // the table's end
        if (++label_lines > kMaxLabelLines) break;
        continue;  // cycle numbers, temperatures, contents
      }
      if (curve_index_.count(*well) != 0) {
        refuse("Data file line " + std::to_string(line_) + " names well " + *well +
               " again (line " + std::to_string(out_.curves[curve_index_[*well]].line) + ")");
        return;
      }
      RawCurve& curve = curve_of(*well, line_);
      for (std::size_t k = 0; k < time_columns_.size(); ++k) {
        double value = 0.0;
        if (!well_value(cell(*cells, time_columns_[k]), time_columns_[k], *well, value)) continue;
        if (!add_point(curve, row_times_[k], value)) return;
      }
    }
    if (out_.error.empty() && out_.curves.empty()) {
      refuse("Data file line " + std::to_string(header_line_) +
             " has times but no line below it names a well (A1)");
    }
  }

  void read_plate_blocks() {
    std::string text;
    std::vector<TimeText> times;
    int row = -1;
    int blanks_seen = blank_lines_;
    while (next_line(text)) {
      auto cells = split(text, separator_);
      if (!cells) return;
      const std::string& time_cell = cell(*cells, time_column_);
      const bool block_ended = blank_lines_ != blanks_seen;
      blanks_seen = blank_lines_;
      if (!time_cell.empty()) {
        const auto time = parse_time_text(time_cell, decimal_comma_);
        if (!time) {
          if (!times.empty()) break;
          refuse(column_text(line_, time_column_, header_[time_column_]) + ": \"" + time_cell +
                 "\" is not a time");
          return;
        }
        times.push_back(*time);
        row = 0;
      } else if (times.empty() || block_ended || !has_plate_value(*cells)) {
        if (times.empty()) continue;
        break;
      } else if (++row >= kMaxPlateRows) {
        refuse("Data file line " + std::to_string(line_) + " is row " + std::to_string(row + 1) +
               " of a plate block, more than a plate has");
        return;
      }
      for (const auto& [column, number] : plate_columns_) {
        const std::string well = well_name(row, number);
        double value = 0.0;
        if (!well_value(cell(*cells, column), column, well, value)) continue;
        curve_of(well, line_);
        if (!store(curve_index_[well], value, static_cast<int>(times.size()) - 1)) return;
      }
    }
    if (!out_.error.empty()) return;
    set_times(times);
    // Wells in plate order, row by row.
    std::stable_sort(
        out_.curves.begin(), out_.curves.end(),
        [](const RawCurve& a, const RawCurve& b) { return well_order(a.id) < well_order(b.id); });
  }

  static std::pair<int, int> well_order(const std::string& well) {
    const std::size_t digits = well.find_first_of("0123456789");
    const std::string letters = well.substr(0, digits);
    const int row = letters.size() == 1 ? letters[0] - 'A' : 26 + letters[1] - 'A';
    return {row, std::stoi(well.substr(digits))};
  }

  bool has_plate_value(const std::vector<std::string>& cells) const {
    return std::any_of(plate_columns_.begin(), plate_columns_.end(),
                       [&](const auto& pc) { return !cell(cells, pc.first).empty(); });
  }

  // The observation of a long table without a column of that name: the one other column whose
  // first row holds a number.
  bool choose_observation(const std::vector<std::string>& cells) {
    std::vector<int> candidates;
    for (int c = 0; c < static_cast<int>(header_.size()); ++c) {
      if (c == time_column_ || c == id_column_ || c == so_column_ ||
          is_ignored_column(header_[c])) {
        continue;
      }
      double number = 0.0;
      if (parse_decimal(cell(cells, c), decimal_comma_, number)) candidates.push_back(c);
    }
    const std::string at = "Data file line " + std::to_string(header_line_);
    if (candidates.empty()) {
      return refuse(at + " has no product or substrate column (product, P, substrate, S or y)");
    }
    if (candidates.size() > 1) {
      return refuse(at +
                    " names no product or substrate column (product, P, substrate, S or y) "
                    "and columns " +
                    std::to_string(candidates[0] + 1) + " (" + header_[candidates[0]] + ") and " +
                    std::to_string(candidates[1] + 1) + " (" + header_[candidates[1]] +
                    ") both hold numbers");
    }
    y_column_ = candidates.front();
    const std::string taken =
        "column " + std::to_string(y_column_ + 1) + " (" + header_[y_column_] + ")";
    out_.messages.push_back({kInformation, "The observation is " + taken +
                                               ", the one column of numbers that is neither "
                                               "time, curve nor [So]"});
    out_.notes.push_back("OBSERVATION: " + taken);
    out_.y_unit = unit_in_brackets(header_[y_column_]);
    return true;
  }

  bool long_number(const std::vector<std::string>& cells, int column, double& value) {
    const std::string& text = cell(cells, column);
    if (text.empty()) return refuse(column_text(line_, column, header_[column]) + " is empty");
    if (!parse_decimal(text, decimal_comma_, value)) {
      return refuse(column_text(line_, column, header_[column]) + ": \"" + text +
                    "\" is not a number");
    }
    return true;
  }

  void read_long() {
    std::string text;
    std::vector<TimeText> times;  // one per stored point, in storing order
    int curve_number = 0;
    double current_so = std::nan("");
    RawCurve* current = nullptr;
    while (next_line(text)) {
      auto cells = split(text, separator_);
      if (!cells) return;
      if (std::all_of(cells->begin(), cells->end(),
                      [](const std::string& c) { return c.empty(); })) {
        continue;
      }
      if (y_column_ < 0 && !choose_observation(*cells)) return;
      const std::string& time_cell = cell(*cells, time_column_);
      if (time_cell.empty()) {
        refuse(column_text(line_, time_column_, header_[time_column_]) + " is empty");
        return;
      }
      const auto time = parse_time_text(time_cell, decimal_comma_);
      if (!time) {
        refuse(column_text(line_, time_column_, header_[time_column_]) + ": \"" + time_cell +
               "\" is not a time");
        return;
      }
      double so = std::nan("");
      if (so_column_ >= 0) {
        if (!long_number(*cells, so_column_, so)) return;
        if (!(so > 0.0)) {
          refuse("Data file line " + std::to_string(line_) + " has an [So] of zero or below");
          return;
        }
      }
      double y = 0.0;
      if (!long_number(*cells, y_column_, y)) return;
      RawCurve* curve = nullptr;
      if (id_column_ >= 0) {
        const std::string& id = cell(*cells, id_column_);
        if (id.empty()) {
          refuse(column_text(line_, id_column_, header_[id_column_]) + " is empty");
          return;
        }
        if (curve_index_.size() >= static_cast<std::size_t>(kMaxImportCurves) &&
            curve_index_.count(curve_key(id)) == 0) {
          refuse("Data file line " + std::to_string(line_) + " starts a curve beyond " +
                 std::to_string(kMaxImportCurves) + ", more than the program reads from one file");
          return;
        }
        curve = &curve_of(curve_key(id), line_);
        if (curve->t.empty()) curve->id = id;
      } else {
        // Without ids, rows of one [So] standing together are one curve.
        if (current == nullptr || so != current_so) {
          if (curve_number >= kMaxImportCurves) {
            refuse("Data file line " + std::to_string(line_) + " starts a curve beyond " +
                   std::to_string(kMaxImportCurves) +
                   ", more than the program reads from one file");
            return;
          }
          curve = &curve_of(std::to_string(++curve_number), line_);
          current_so = so;
        } else {
          curve = current;
        }
        current = curve;
      }
      if (so_column_ >= 0) {
        if (std::isnan(curve->so)) {
          curve->so = so;
        } else if (curve->so != so) {
          refuse("Data file line " + std::to_string(line_) + " gives curve " + curve->id +
                 " an [So] of " + cell(*cells, so_column_) + ", line " +
                 std::to_string(curve->line) + " another");
          return;
        }
      }
      times.push_back(*time);
      if (!store(static_cast<std::size_t>(curve - out_.curves.data()), y,
                 static_cast<int>(times.size()) - 1)) {
        return;
      }
    }
    if (!out_.error.empty()) return;
    set_times(times);
    if (id_column_ < 0) {
      for (RawCurve& c : out_.curves) c.id.clear();
    }
    out_.wells = id_column_ >= 0 &&
                 std::all_of(out_.curves.begin(), out_.curves.end(),
                             [](const RawCurve& c) { return normal_well_name(c.id).has_value(); });
    if (id_column_ >= 0) out_.source = "long table, curves by column " + header_[id_column_];
  }

  // Each curve's points in time order; the warning for cells left out.
  void finish() {
    for (RawCurve& curve : out_.curves) {
      std::vector<std::size_t> order(curve.t.size());
      std::iota(order.begin(), order.end(), 0);
      std::stable_sort(order.begin(), order.end(),
                       [&](std::size_t a, std::size_t b) { return curve.t[a] < curve.t[b]; });
      RawCurve sorted = curve;
      for (std::size_t i = 0; i < order.size(); ++i) {
        sorted.t[i] = curve.t[order[i]];
        sorted.y[i] = curve.y[order[i]];
      }
      curve = std::move(sorted);
    }
    if (skipped_cells_ > 0) {
      out_.messages.push_back(
          {kWarning, first_skipped_ + "; " + std::to_string(skipped_cells_) +
                         (skipped_cells_ == 1 ? " cell that is" : " cells that are") +
                         " not a number left out"});
    }
  }

  std::istream& in_;
  char separator_hint_;
  char separator_ = ',';
  bool decimal_comma_ = false;
  int line_ = 0;
  int blank_lines_ = 0;
  RawCurves out_;
  std::map<std::string, int> curve_index_;
  int observations_ = 0;
  int skipped_cells_ = 0;
  std::string first_skipped_;

  Shape shape_ = Shape::kNone;
  std::vector<std::string> header_;
  int header_line_ = 0;
  int time_column_ = -1;
  TimeUnit header_unit_ = TimeUnit::kNone;
  std::vector<std::pair<int, std::string>> well_columns_;
  struct Pending {
    std::size_t curve;
    std::size_t point;
    int read;
  };
  std::vector<Pending> pending_;
  std::vector<int> time_columns_;
  std::vector<double> row_times_;
  std::vector<std::pair<int, int>> plate_columns_;  // file column, plate column number
  int id_column_ = -1;
  int so_column_ = -1;
  int y_column_ = -1;
};

}  // namespace

RawCurves read_export_table(std::istream& in, char separator) {
  return ExportReader(in, separator).read();
}

bool holds_export_table(std::istream& in, char separator) {
  return ExportReader(in, separator).header_found();
}

bool is_curve_id_column(std::string_view name) {
  return is_id_name(name);
}

}  // namespace velmor
