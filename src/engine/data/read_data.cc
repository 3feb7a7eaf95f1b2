// SPDX-License-Identifier: MIT

#include "engine/data/read_data.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <span>
#include <system_error>
#include <utility>

#include "engine/core/limits.h"
#include "engine/data/data_file.h"
#include "engine/data/data_file_names.h"
#include "engine/data/data_records.h"
#include "engine/data/delimited_data.h"
#include "engine/data/list_directed.h"
#include "util/number_text.h"
#include "util/printable_name.h"

namespace velmor {
namespace {

// How much of a file is searched for NUL bytes to tell text from other files.
constexpr std::size_t kTextProbeBytes = 1 << 20;

std::string number(int value) {
  return util::write_di(value, "I3");
}

int refuse_name(FitObserver& observer, const std::string& text) {
  observer.message(kWarning, text);
  observer.message(kError, kMsgOpenAnother);
  return kDataFileMissing;
}

int abort_run(FitObserver& observer, int kind, const std::string& text) {
  observer.message(kind, text);
  observer.message(kError, kMsgRunAborted);
  return kDataError;
}

enum class Encoding { kText, kUtf16, kBinary };

// UTF-16 text starts with its byte order mark, or shows a NUL beside every ASCII character.
bool looks_like_utf16(std::string_view start) {
  if (start.size() < 2) return false;
  if (start.substr(0, 2) == "\xFF\xFE" || start.substr(0, 2) == "\xFE\xFF") return true;
  if (start.size() < 4) return false;
  const auto nul = [&](std::size_t i) { return start[i] == '\0'; };
  return (!nul(0) && nul(1) && !nul(2) && nul(3)) || (nul(0) && !nul(1) && nul(2) && !nul(3));
}

// A NUL byte near the start marks a file that is not text; a text file never holds one.
Encoding text_encoding(std::istream& in) {
  std::array<char, 4096> block{};
  std::size_t seen = 0;
  while (seen < kTextProbeBytes && in) {
    in.read(block.data(), block.size());
    const auto got = static_cast<std::size_t>(in.gcount());
    if (seen == 0 && looks_like_utf16(std::string_view(block.data(), got))) {
      return Encoding::kUtf16;
    }
    for (std::size_t i = 0; i < got; ++i) {
      if (block[i] == '\0') return Encoding::kBinary;
    }
    seen += got;
  }
  return Encoding::kText;
}

void close_units_holding(const std::string& name, FileUnits& units) {
  for (int unit = units.unit_of(name); unit != -1; unit = units.unit_of(name)) units.close(unit);
}

// The curve rules, the same for every format: `read` holds rows 1..n_rows, sized so. A negative
// time on the file's line first_negative_line (0: none) is warned about. On acceptance `data`
// receives the rows with their counts and grouping.
int accept_curves(FitObserver& observer, ProgressCurveData& read, int n_rows, int n_cols,
                  int first_negative_line, ProgressCurveData& data) {
  const CurveGroups groups = ycurves(std::span<const double>(read.X2.data(), n_rows));
  if (groups.smallest < kMinCurvePoints) {
    return abort_run(observer, kWarning, kMsgCurvePoints + number(kMinCurvePoints));
  }
  if (groups.n_curves > kMaxCurves) {
    return abort_run(observer, kWarning, kMsgCurveLimit + number(groups.n_curves));
  }

  // Times before the start of the reaction are unusual but can be meant (a shifted clock).
  if (first_negative_line != 0) {
    observer.message(kWarning,
                     kMsgLinePrefix + number(first_negative_line) + kMsgNegativeTimeSuffix);
  }

  read.nCols = n_cols;
  read.nCurves = groups.n_curves;
  read.curveCount = groups.counts;
  data = std::move(read);
  return kDataOk;
}

// The file's first line, past a byte order mark; empty if it cannot be read.
std::string first_line_of(FileUnits& units, int unit, const std::string& name) {
  std::string line;
  if (open_data_file(units, unit, name)) read_record(*units.stream(unit), line, kRecordWidth);
  units.close(unit);
  return line;
}

// True if the table file holds a line that is neither blank nor a comment (its header, when it
// gave no rows).
bool has_table_line(FileUnits& units, int unit, const std::string& name) {
  bool found = false;
  if (open_data_file(units, unit, name)) {
    std::string line;
    while (!found && read_record(*units.stream(unit), line, kRecordWidth)) {
      const std::size_t start = line.find_first_not_of(" \t\r");
      found = start != std::string::npos && line[start] != '#';
    }
  }
  units.close(unit);
  return found;
}

// A table file (delimited_data.h): the same limits and curve rules as the program's own files,
// with each refusal naming the file's line (and column).
int read_table_file(const std::string& name, int unit, FitObserver& observer, FileUnits& units,
                    const DataColumns& columns, ProgressCurveData& data) {
  if (!open_data_file(units, unit, name)) return abort_run(observer, kError, kMsgInputOpenError);
  const DataTable table = read_data_table(*units.stream(unit), table_separator_for(name), columns);
  units.close(unit);
  if (!table.error.empty()) return abort_run(observer, kWarning, table.error);
  const int n_rows = static_cast<int>(table.rows.size());
  if (n_rows == 0 && !table.too_many_rows) {
    const bool has_header = has_table_line(units, unit, name);
    return abort_run(observer, kWarning,
                     (has_header ? kMsgHeaderOnly : kMsgEmptyFile) + util::printable_name(name));
  }
  if (table.too_many_rows || n_rows < kMinRows) {
    return abort_run(observer, kWarning, kMsgRowLimit + number(kMaxRows));
  }
  ProgressCurveData read;
  read.resize_rows(n_rows);
  read.time_unit = table.time_unit;
  read.conc_unit = table.conc_unit;
  int first_negative_line = 0;
  for (int row = 0; row < n_rows; ++row) {
    const TableRow& r = table.rows[row];
    if (!(r.so > 0.0)) {
      return abort_run(observer, kWarning,
                       kMsgLinePrefix + number(r.line) + kMsgSoNotPositiveSuffix);
    }
    if (r.time < 0.0 && first_negative_line == 0) first_negative_line = r.line;
    read.X1[row] = r.time;
    read.X2[row] = r.so;
    read.Y[row] = r.y;
  }
  return accept_curves(observer, read, n_rows, kRequiredColumns, first_negative_line, data);
}

// The checks of a data file's name before it is opened: a name that can be shown, a regular file
// that exists and is not the report.
int check_data_file_name(const std::string& name, const std::string& report_file_name,
                         FitObserver& observer) {
  namespace fs = std::filesystem;
  // Such a name would break the one-line messages, the report's lines and the report's path
  // printed by the batch mode.
  if (util::has_control_character(name)) {
    return refuse_name(observer, kMsgControlCharacter + util::printable_name(name));
  }
  if (!file_name_exists(name)) return refuse_name(observer, kMsgFileDoesNotExist + name);
  std::error_code ec;
  if (fs::is_directory(name, ec)) return refuse_name(observer, kMsgIsFolder + name);
  // A pipe or device is never a data file, and opening a pipe could wait forever.
  if (!fs::is_regular_file(name, ec)) return abort_run(observer, kWarning, kMsgUnreadable + name);
  if (same_file(name, report_file_name)) return refuse_name(observer, kMsgReportIsData + name);
  return kDataOk;
}

}  // namespace

int read_progress_curve_data(const std::string& data_file_name, FitObserver& observer,
                             FileUnits& units, ProgressCurveData& data,
                             std::string& report_file_name, std::ostream& log,
                             const DataColumns& columns) {
  const std::string name = resolve_input_name(data_file_name);
  report_file_name = report_name_for(name);
  if (const int status = check_data_file_name(name, report_file_name, observer);
      status != kDataOk) {
    return status;
  }

  close_units_holding(name, units);
  close_units_holding(report_file_name, units);
  const int unit = get_unit(kDriverInputUnit, units);
  // get_unit hands back its start value when every unit is taken; never reuse an open one.
  if (units.is_connected(unit)) return abort_run(observer, kError, kMsgInputOpenError);

  // The first open only proves the file readable; the counts reopen it.
  if (!units.open(unit, name, FileMode::kRead)) {
    return abort_run(observer, kWarning, kMsgUnreadable + name);
  }
  const Encoding encoding = text_encoding(*units.stream(unit));
  units.close(unit);
  if (encoding == Encoding::kUtf16) return abort_run(observer, kWarning, kMsgUtf16 + name);
  if (encoding == Encoding::kBinary) return abort_run(observer, kWarning, kMsgNotText + name);

  if (is_table_file(name, first_line_of(units, unit, name))) {
    return read_table_file(name, unit, observer, units, columns, data);
  }
  if (std::any_of(columns.begin(), columns.end(),
                  [](const std::string& c) { return !c.empty(); })) {
    return abort_run(observer, kWarning, kMsgColumnsNotTable + util::printable_name(name));
  }

  const int n_cols = file_column_count(unit, name, units, log);
  const int n_rows = data_row_count(unit, name, units);
  // Nothing but blanks: say so rather than count the rows of a file that has none.
  if (n_cols == -1)
    return abort_run(observer, kWarning, kMsgEmptyFile + util::printable_name(name));

  if (!open_data_file(units, unit, name)) {
    return abort_run(observer, kError, kMsgInputOpenError);
  }
  // The input unit is released on every path from here on; the rows live on in `data` only.
  struct UnitCloser {
    FileUnits& units;
    int unit;
    ~UnitCloser() { units.close(unit); }
  } closer{units, unit};

  if (n_rows < kMinRows || n_rows > kMaxRows) {
    return abort_run(observer, kWarning, kMsgRowLimit + number(kMaxRows));
  }
  if (n_cols != kRequiredColumns) {
    return abort_run(observer, kWarning, kMsgColumns + number(kRequiredColumns));
  }

  ProgressCurveData read;
  read.resize_rows(n_rows);
  std::fstream& in = *units.stream(unit);
  std::string line;
  int first_negative_time = 0;  // line number, 0: none
  for (int row = 0; row < n_rows; ++row) {
    const std::string line_text = kMsgLinePrefix + number(row + 1);
    std::array<double, 3> values{};
    bool cut = false;
    const bool got = read_record(in, line, kRecordWidth, &cut);
    if (cut) {
      return abort_run(
          observer, kWarning,
          line_text + kMsgLongRowSuffix + number(static_cast<int>(kRecordWidth)) + kMsgLongRowUnit);
    }
    if (!got || !read_list_directed(line, values)) {
      return abort_run(observer, kWarning, line_text + kMsgBadRowSuffix);
    }
    if (!(values[1] > 0.0))
      return abort_run(observer, kWarning, line_text + kMsgSoNotPositiveSuffix);
    if (values[0] < 0.0 && first_negative_time == 0) first_negative_time = row + 1;
    read.X1[row] = values[0];
    read.X2[row] = values[1];
    read.Y[row] = values[2];
  }

  return accept_curves(observer, read, n_rows, n_cols, first_negative_time, data);
}

int check_data_file(const std::string& name, const std::string& report_file_name,
                    FitObserver& observer) {
  if (const int status = check_data_file_name(name, report_file_name, observer);
      status != kDataOk) {
    return status;
  }
  std::ifstream in(name, std::ios::binary);
  if (!in) return abort_run(observer, kWarning, kMsgUnreadable + name);
  const Encoding encoding = text_encoding(in);
  if (encoding == Encoding::kUtf16) return abort_run(observer, kWarning, kMsgUtf16 + name);
  if (encoding == Encoding::kBinary) return abort_run(observer, kWarning, kMsgNotText + name);
  return kDataOk;
}

int open_pending_report(const std::string& report_file_name, FitObserver& observer,
                        PendingReport& report) {
  if (report.open(report_file_name)) return kDataOk;
  observer.message(kWarning, report.error());
  return abort_run(observer, kError, kMsgOutputOpenError);
}

}  // namespace velmor
