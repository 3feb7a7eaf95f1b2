// SPDX-License-Identifier: MIT

#pragma once

#include <array>
#include <iostream>
#include <span>
#include <string>

#include "engine/core/file_units.h"
#include "engine/core/limits.h"

// The counting and grouping rules of the progress-curve data file.
//
// A data file holds one observation per line: time, [So] and the observed product or
// substrate. The data block is the run of lines from the top up to, not including, the first
// blank line, the first comment line (first non-blank character ", # or ') or the end of the
// file. Adjacent rows with the same [So] form one curve.
namespace velmor {

// [So] difference above which a row starts a new curve, in the fit's internal units (see
// data_scale.h): absolute for data whose largest [So] lies in [1, 1000), scaled with the
// units otherwise.
inline constexpr double kSoTolerance = 1e-7;

// Flag of ncolmdl for a model number the column count does not support.
inline constexpr int kModelColumnMismatch = 99;

// The number of blank-separated words (blanks and tabs separate, commas do not) in the first
// 256 characters of the first line that is neither blank nor a comment; if there is none, of
// the first non-blank line. An empty or all-blank file gives -1 and writes the lines
// "FILE_COLUMN_COUNT - Warning." and "  The file does not contain any data." to `log`, as does
// a file that cannot be opened. The file is opened on `unit` and closed again.
int file_column_count(int unit, const std::string& file_name, FileUnits& units,
                      std::ostream& log = std::clog);

// The number of lines in the data block (each classified by its first 100 characters); 0 if
// the file cannot be opened. Opened on `unit` and closed again.
int data_row_count(int unit, const std::string& file_name, FileUnits& units);

struct CurveGroups {
  int n_curves = 0;                      // every curve found, also beyond the tenth
  std::array<int, kMaxCurves> counts{};  // points of curves 1..10 in file order
  int smallest = 0;                      // points of the smallest curve, over all curves
};

// Groups the [So] column of the rows: a new curve starts at every row whose [So] differs from
// the first [So] of the current curve by more than kSoTolerance in internal units (1e-7 where
// the largest |[So]| lies in [1, 1000), 1e-13 for [So] of order 1e-5, and so on). Zero or one
// row gives one curve of one point.
CurveGroups ycurves(std::span<const double> so);

// 99 if the model number cannot be fitted to data of that many columns (2 or 3 columns with a
// model number beyond the program's models, 9 or more; a prompt naming the model goes to
// `log`), else 0. With the models 1..8 on 3-column data it is always 0.
int ncolmdl(int n_columns, int model, std::ostream& log = std::clog);

}  // namespace velmor
