// SPDX-License-Identifier: MIT
#include "engine/data/run_data.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "engine/data/data_file_names.h"
#include "engine/data/data_records.h"
#include "engine/data/delimited_text.h"
#include "engine/data/import/enzymeml.h"
#include "engine/data/import/export_table.h"
#include "engine/data/import/plate_layout.h"
#include "engine/data/import/text_decoding.h"
#include "engine/data/import/well_names.h"
#include "engine/data/read_data.h"

namespace velmor {
namespace {

constexpr std::size_t kMaxGroupFilePart = 64;

bool ends_with_ignoring_case(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(),
                    [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; });
}

bool is_json_name(std::string_view name) {
  return ends_with_ignoring_case(name, ".json");
}

// The file's first line holding something that is not a '#' comment, past a byte order mark;
// empty when there is none (or the file cannot be read).
std::string first_content_line(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return "";
  skip_byte_order_mark(in);
  std::string line;
  for (int searched = 0; searched < 1000 && read_record(in, line, kRecordWidth); ++searched) {
    if (is_blank_line(line)) continue;
    if (line[line.find_first_not_of(" \t")] == '#') continue;
    return utf8_line(line);
  }
  return "";
}

bool begins_with_number(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t\"");
  if (first == std::string_view::npos) return false;
  const char c = line[first];
  return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+';
}

// A header the table reader takes as it stands: time, [So] and an observation, or time and
// [So]= columns, without a well or id column.
bool is_plain_table_header(std::string_view line) {
  if (line.find_first_of(",;\t") == std::string_view::npos) return false;
  const auto cells = split_cells(line, guess_separator(line));
  if (!cells) return false;
  bool time = false;
  bool so = false;
  bool y = false;
  bool so_columns = false;
  for (const std::string& cell : *cells) {
    if (is_curve_id_column(cell) || normal_well_name(cell)) return false;
    switch (column_role(cell)) {
      case ColumnRole::kTime:
        time = true;
        break;
      case ColumnRole::kSo:
        so = true;
        break;
      case ColumnRole::kY:
        y = true;
        break;
      case ColumnRole::kNone:
        if (wide_column_so(cell, guess_separator(line) == ';')) so_columns = true;
        break;
    }
  }
  return time && ((so && y) || so_columns);
}

bool holds_table(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return false;
  skip_byte_order_mark(in);
  return holds_export_table(in, table_separator_for(name));
}

int abort_run(FitObserver& observer, const std::string& why) {
  observer.message(kWarning, why);
  observer.message(kError, kMsgRunAborted);
  return kDataError;
}

void show(FitObserver& observer, const std::vector<ReadMessage>& messages) {
  for (const ReadMessage& m : messages) observer.message(m.kind, m.text);
}

std::string shown(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6g", value);
  return buffer;
}

// The whole file, past a UTF-8 byte order mark; false when it cannot be read or is larger than
// an EnzymeML document may be.
bool read_whole(const std::string& name, std::string& bytes) {
  std::ifstream in(name, std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::size_t>(size) > kMaxEnzymeMlBytes) return false;
  bytes.resize(static_cast<std::size_t>(size));
  in.seekg(0);
  if (!in.read(bytes.data(), size)) return false;
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  return true;
}

// The curves of an import file, or why it is refused.
RawCurves read_import(const std::string& name, const ImportOptions& options) {
  RawCurves refused;
  if (is_json_name(name)) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(name, ec);
    if (!ec && size > kMaxEnzymeMlBytes) {
      refused.error = "The EnzymeML document is larger than " +
                      std::to_string(kMaxEnzymeMlBytes >> 20) + " MB: " + name;
      return refused;
    }
    std::string bytes;
    if (!read_whole(name, bytes)) {
      refused.error = kMsgUnreadable + name;
      return refused;
    }
    return read_enzymeml(bytes, options.species, options.substrate);
  }
  std::ifstream in(name, std::ios::binary);
  if (!in) {
    refused.error = kMsgUnreadable + name;
    return refused;
  }
  skip_byte_order_mark(in);
  return read_export_table(in, table_separator_for(name));
}

PreparedRun prepare_import(const std::string& name, const ImportOptions& options,
                           FitObserver& observer) {
  PreparedRun run;
  run.imported = true;
  const std::string report = report_name_for(name);
  run.status = check_data_file(name, report, observer);
  if (run.status != kDataOk) return run;

  PlateLayout layout;
  const std::string layout_file = layout_for(name, options);
  if (!layout_file.empty()) {
    layout = read_layout_file(layout_file);
    if (!layout.error.empty()) {
      run.status = abort_run(observer, layout.error);
      return run;
    }
  }
  const RawCurves raw = read_import(name, options);
  if (!raw.error.empty()) {
    run.status = abort_run(observer, raw.error);
    return run;
  }
  show(observer, raw.messages);
  PreparedGroups groups = prepare_groups(raw, layout_file.empty() ? nullptr : &layout, options);
  if (!groups.error.empty()) {
    run.status = abort_run(observer, groups.error);
    return run;
  }
  show(observer, groups.messages);
  std::map<std::string, std::string> reports;  // report -> group
  for (PreparedData& set : groups.groups) {
    if (!layout_file.empty()) {
      set.description.notes.insert(set.description.notes.begin(), "LAYOUT: " + layout_file);
    }
    set.report_name = group_report_name(name, set.description.group);
    const auto [at, fresh] = reports.emplace(set.report_name, set.description.group);
    if (!fresh && set.refusal.empty()) {
      set.refusal = "Group " + set.description.group + " writes the same report as group " +
                    at->second + ": " + set.report_name;
    }
    if (same_file(name, set.report_name) && set.refusal.empty()) {
      set.refusal = kMsgReportIsData + name;
    }
    run.sets.push_back(std::move(set));
  }
  return run;
}

// A file read by the table reader or as the program's own: one set, with the conversion the
// options ask for.
PreparedRun prepare_plain(const std::string& data_file_name, const ImportOptions& options,
                          FitObserver& observer, FileUnits& units, std::ostream& log,
                          const DataColumns& columns) {
  PreparedRun run;
  PreparedData set;
  run.status = read_progress_curve_data(data_file_name, observer, units, set.data, set.report_name,
                                        log, columns);
  if (run.status != kDataOk) return run;
  if (options.blank == BlankMode::kAuto) {
    run.status =
        abort_run(observer, "--blank auto needs blank wells, which a layout names (role blank)");
    return run;
  }
  DataDescription& d = set.description;
  const bool convert = options.signal_per_conc != 0.0;
  const double blank = options.blank == BlankMode::kValue ? options.blank_value : 0.0;
  if (convert || options.blank != BlankMode::kDefault) {
    for (int i = 0; i < set.data.nRows; ++i) {
      set.data.Y[i] = (set.data.Y[i] - blank) / (convert ? options.signal_per_conc : 1.0);
      if (!std::isfinite(set.data.Y[i])) {
        run.sets.clear();
        run.status = abort_run(observer, "Data row " + std::to_string(i + 1) +
                                             " becomes too large to fit by the conversion of the "
                                             "signal (--signal-per-conc, --blank)");
        return run;
      }
    }
    d.blank = options.blank == BlankMode::kValue ? shown(blank) : "none";
    if (options.blank == BlankMode::kValue) {
      d.notes.push_back("BLANK: " + d.blank + " SUBTRACTED FROM EVERY OBSERVATION");
    }
    if (convert) {
      d.signal_per_conc = options.signal_per_conc;
      d.notes.push_back("OBSERVATION: (SIGNAL - BLANK) / " + shown(options.signal_per_conc) +
                        " SIGNAL UNITS PER CONCENTRATION UNIT");
    }
  }
  // The program's own format stays as it always was; tables are checked.
  const std::string name = resolve_input_name(data_file_name);
  std::ifstream in(name, std::ios::binary);
  std::string first;
  if (in) {
    skip_byte_order_mark(in);
    read_record(in, first, kRecordWidth);
  }
  if (is_table_file(name, first) || convert) {
    d.warning = observation_scale_warning(set.data, {}, convert);
  }
  run.sets.push_back(std::move(set));
  return run;
}

}  // namespace

bool is_recognised_table(const std::string& file_name) {
  const std::string line = first_content_line(file_name);
  return !line.empty() && (is_plain_table_header(line) || holds_table(file_name));
}

bool is_enzymeml_file(const std::string& file_name) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(file_name, ec);
  if (ec || size > kMaxEnzymeMlBytes) return false;
  std::string bytes;
  return read_whole(file_name, bytes) && is_enzymeml_document(bytes);
}

std::string layout_for(const std::string& data_file_name, const ImportOptions& options) {
  return !options.layout_file.empty() ? options.layout_file : layout_beside(data_file_name);
}

bool reads_as_import(const std::string& data_file_name, const ImportOptions& options,
                     const DataColumns& columns) {
  const std::string name = resolve_input_name(data_file_name);
  if (is_json_name(name)) return true;
  if (!layout_for(name, options).empty() || !options.species.empty() ||
      !options.substrate.empty()) {
    return true;
  }
  if (std::any_of(columns.begin(), columns.end(),
                  [](const std::string& c) { return !c.empty(); })) {
    return false;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(name, ec)) return false;
  const std::string line = first_content_line(name);
  if (line.empty() || begins_with_number(line) || is_plain_table_header(line)) return false;
  return holds_table(name);
}

PreparedRun prepare_run(const std::string& data_file_name, const ImportOptions& options,
                        FitObserver& observer, FileUnits& units, std::ostream& log,
                        const DataColumns& columns) {
  if (!reads_as_import(data_file_name, options, columns)) {
    return prepare_plain(data_file_name, options, observer, units, log, columns);
  }
  return prepare_import(resolve_input_name(data_file_name), options, observer);
}

std::string group_file_part(const std::string& group) {
  std::string part;
  for (const char c : group) {
    if (part.size() >= kMaxGroupFilePart) break;
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_' || c == '.';
    part += keep ? c : '_';
  }
  // Dots alone would make "plate...out" or a hidden-looking name.
  if (part.find_first_not_of("._") == std::string::npos) part = "group";
  return part;
}

std::string group_report_name(const std::string& data_file_name, const std::string& group) {
  std::string report = report_name_for(data_file_name);
  if (group.empty()) return report;
  report.erase(report.size() - 3);  // "out"
  return report + group_file_part(group) + ".out";
}

}  // namespace velmor
