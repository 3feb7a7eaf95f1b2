#include "engine/data/read_data.h"

#include <array>
#include <filesystem>
#include <span>
#include <system_error>

#include "engine/core/limits.h"
#include "engine/data/data_file.h"
#include "engine/data/data_file_names.h"
#include "engine/data/data_records.h"
#include "engine/data/list_directed.h"
#include "util/number_text.h"

namespace velmor {
namespace {

// How much of a file is searched for NUL bytes to tell text from other files.
constexpr std::size_t kTextProbeBytes = 1 << 20;

std::string number(int value) {
  return util::write_di(value, "I3");
}

int refuse_name(Host& host, const std::string& text) {
  host.dlgmessage(kWarning, text);
  host.dlgmessage(kError, kMsgOpenAnother);
  return kDataFileMissing;
}

int abort_run(Host& host, int kind, const std::string& text) {
  host.dlgmessage(kind, text);
  host.dlgmessage(kError, kMsgRunAborted);
  return kDataError;
}

// A NUL byte near the start marks a file that is not text; a text file never holds one.
bool looks_like_text(std::fstream& in) {
  std::array<char, 4096> block{};
  std::size_t seen = 0;
  while (seen < kTextProbeBytes && in) {
    in.read(block.data(), block.size());
    const auto got = static_cast<std::size_t>(in.gcount());
    for (std::size_t i = 0; i < got; ++i) {
      if (block[i] == '\0') return false;
    }
    seen += got;
  }
  return true;
}

void close_units_holding(const std::string& name, FileUnits& units) {
  for (int unit = units.unit_of(name); unit != -1; unit = units.unit_of(name)) units.close(unit);
}

}  // namespace

int read_progress_curve_data(const std::string& data_file_name, Host& host, FileUnits& units,
                             ProgressCurveData& data, std::string& report_file_name,
                             std::ostream& log) {
  namespace fs = std::filesystem;
  const std::string name = resolve_input_name(data_file_name);
  report_file_name = report_name_for(name);

  if (!file_name_exists(name)) return refuse_name(host, kMsgFileDoesNotExist + name);
  std::error_code ec;
  if (fs::is_directory(name, ec)) return refuse_name(host, kMsgIsFolder + name);
  // A pipe or device is never a data file, and opening a pipe could wait forever.
  if (!fs::is_regular_file(name, ec)) return abort_run(host, kWarning, kMsgUnreadable + name);
  if (same_file(name, report_file_name)) return refuse_name(host, kMsgReportIsData + name);

  close_units_holding(name, units);
  close_units_holding(report_file_name, units);
  const int unit = get_unit(kDriverInputUnit, units);
  // get_unit hands back its start value when every unit is taken; never reuse an open one.
  if (units.is_connected(unit)) return abort_run(host, kError, kMsgInputOpenError);

  // The first open only proves the file readable; the counts reopen it.
  if (!units.open(unit, name, FileMode::kRead)) {
    return abort_run(host, kWarning, kMsgUnreadable + name);
  }
  const bool text = looks_like_text(*units.stream(unit));
  units.close(unit);
  if (!text) return abort_run(host, kWarning, kMsgNotText + name);

  const int n_cols = file_column_count(unit, name, units, log);
  const int n_rows = data_row_count(unit, name, units);

  if (!units.open(unit, name, FileMode::kRead)) {
    return abort_run(host, kError, kMsgInputOpenError);
  }
  // The input unit is released on every path from here on; the rows live on in `data` only.
  struct UnitCloser {
    FileUnits& units;
    int unit;
    ~UnitCloser() { units.close(unit); }
  } closer{units, unit};

  if (n_rows < kMinRows || n_rows > kMaxRows) {
    return abort_run(host, kWarning, kMsgRowLimit + number(kMaxRows));
  }
  if (n_cols != kRequiredColumns) {
    return abort_run(host, kWarning, kMsgColumns + number(kRequiredColumns));
  }

  ProgressCurveData read;
  std::fstream& in = *units.stream(unit);
  std::string line;
  for (int row = 0; row < n_rows; ++row) {
    std::array<double, 3> values{};
    if (!read_record(in, line, kRecordWidth) || !read_list_directed(line, values)) {
      return abort_run(host, kWarning, kMsgBadRowPrefix + number(row + 1) + kMsgBadRowSuffix);
    }
    read.X1[row] = values[0];
    read.X2[row] = values[1];
    read.Y[row] = values[2];
  }

  const CurveGroups groups = ycurves(std::span<const double>(read.X2.data(), n_rows));
  if (groups.smallest < kMinCurvePoints) {
    return abort_run(host, kWarning, kMsgCurvePoints + number(kMinCurvePoints));
  }
  if (groups.n_curves > kMaxCurves) {
    return abort_run(host, kWarning, kMsgCurveLimit + number(groups.n_curves));
  }

  read.nRows = n_rows;
  read.nCols = n_cols;
  read.nCurves = groups.n_curves;
  read.curveCount = groups.counts;
  data = read;
  return kDataOk;
}

int open_report_file(const std::string& report_file_name, Host& host, FileUnits& units, int& unit) {
  close_units_holding(report_file_name, units);
  const int chosen = get_unit(unit, units);
  if (units.is_connected(chosen) || !units.open(chosen, report_file_name, FileMode::kWrite)) {
    return abort_run(host, kError, kMsgOutputOpenError);
  }
  unit = chosen;
  return kDataOk;
}

}  // namespace velmor
