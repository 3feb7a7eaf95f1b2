// SPDX-License-Identifier: MIT

#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "engine/core/limits.h"

namespace velmor {

// The data set of one run, rows in file order (row r of the report is index r - 1).
// Invariant: X1, X2, Y and Ycalc each hold exactly nRows values; resize_rows keeps them so.
struct ProgressCurveData {
  std::vector<double> X1;     // time
  std::vector<double> X2;     // initial substrate concentration [So] of the row's curve
  std::vector<double> Y;      // observed product or substrate
  std::vector<double> Ycalc;  // fitted value of the current model
  int nRows = 0;              // 3..1000 once accepted
  int nCols = 0;              // columns counted in the file (must be 3)
  int nCurves = 0;            // 1..10 once accepted
  std::array<int, kMaxCurves> curveCount{};  // points per curve, in file order
  // Units of the columns where the data file names them (a header such as "Time [min]", a
  // layout's "S0 [uM]", an EnzymeML unit); empty when unknown. time_unit is "s", "min" or "h";
  // conc_unit the text written ("uM", "mmol/l"). The numbers are in these units as read.
  std::string time_unit;
  std::string conc_unit;

  // Sets nRows to n (a negative n counts as 0) and gives each row column n values: the rows
  // kept keep their values, new rows are 0.0.
  void resize_rows(int n) {
    nRows = std::max(n, 0);
    const auto rows = static_cast<std::size_t>(nRows);
    X1.resize(rows);
    X2.resize(rows);
    Y.resize(rows);
    Ycalc.resize(rows);
  }
};

}  // namespace velmor
