// SPDX-License-Identifier: MIT

#include "engine/data/data_file.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/core/data_scale.h"
#include "engine/data/data_records.h"
#include "util/fixed_string.h"

namespace velmor {

int file_column_count(int unit, const std::string& file_name, FileUnits& units, std::ostream& log) {
  int columns = -1;
  if (open_data_file(units, unit, file_name)) {
    std::fstream& in = *units.stream(unit);
    std::string line;
    std::string first_non_blank;
    bool have_non_blank = false;
    bool found = false;
    while (read_record(in, line, kColumnCountWidth)) {
      if (is_blank_line(line)) continue;
      if (!is_comment_line(line)) {
        columns = util::s_word_count(line);
        found = true;
        break;
      }
      if (!have_non_blank) {
        first_non_blank = line;
        have_non_blank = true;
      }
    }
    if (!found && have_non_blank) columns = util::s_word_count(first_non_blank);
    units.close(unit);
  }
  if (columns == -1) {
    log << "FILE_COLUMN_COUNT - Warning.\n"
        << "  The file does not contain any data.\n";
    log.flush();
  }
  return columns;
}

int data_row_count(int unit, const std::string& file_name, FileUnits& units) {
  if (!open_data_file(units, unit, file_name)) return 0;
  std::fstream& in = *units.stream(unit);
  std::string line;
  int rows = 0;
  while (read_record(in, line, kClassifyWidth)) {
    if (is_blank_line(line) || is_comment_line(line)) break;
    ++rows;
  }
  units.close(unit);
  return rows;
}

CurveGroups ycurves(std::span<const double> so) {
  CurveGroups groups;
  if (so.size() <= 1) {
    groups.n_curves = 1;
    groups.counts[0] = 1;
    groups.smallest = 1;
    return groups;
  }
  auto close_curve = [&groups](int points) {
    if (groups.n_curves < kMaxCurves) groups.counts[groups.n_curves] = points;
    if (groups.n_curves == 0 || points < groups.smallest) groups.smallest = points;
    ++groups.n_curves;
  };
  // The tolerance holds in the units the fit works in (see data_scale.h), so that the same
  // curves are found whatever units the file is written in.
  double largest_so = 0.0;
  for (const double v : so) largest_so = std::max(largest_so, std::abs(v));
  const DataScale units{unit_exponent(largest_so), 0};
  const double tolerance = units.to_user(kSoTolerance, 1, 0);
  double first_so = so[0];
  int points = 1;
  for (size_t row = 1; row < so.size(); ++row) {
    if (std::abs(so[row] - first_so) > tolerance) {
      close_curve(points);
      first_so = so[row];
      points = 1;
    } else {
      ++points;
    }
  }
  close_curve(points);
  return groups;
}

int ncolmdl(int n_columns, int model, std::ostream& log) {
  if ((n_columns == 2 || n_columns == 3) && model > kModelCount) {
    log << "NCOLMDL - Model " << model << " cannot be fitted to data with " << n_columns
        << " columns.\n"
        << "  Choose one of the models 1 to " << kModelCount << ".\n";
    log.flush();
    return kModelColumnMismatch;
  }
  return 0;
}

}  // namespace velmor
