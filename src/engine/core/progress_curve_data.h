// SPDX-License-Identifier: MIT

#pragma once

#include <array>
#include <string>

#include "engine/core/limits.h"

namespace velmor {

// The data set of one run, rows in file order (row r of the report is index r - 1).
struct ProgressCurveData {
  std::array<double, kMaxRows> X1{};     // time
  std::array<double, kMaxRows> X2{};     // initial substrate concentration [So] of the row's curve
  std::array<double, kMaxRows> Y{};      // observed product or substrate
  std::array<double, kMaxRows> Ycalc{};  // fitted value of the current model
  int nRows = 0;                         // 3..1000 once accepted
  int nCols = 0;                         // columns counted in the file (must be 3)
  int nCurves = 0;                       // 1..10 once accepted
  std::array<int, kMaxCurves> curveCount{};  // points per curve, in file order
  // Units of the columns where the data file names them (a header such as "Time [min]", a
  // layout's "S0 [uM]", an EnzymeML unit); empty when unknown. time_unit is "s", "min" or "h";
  // conc_unit the text written ("uM", "mmol/l"). The numbers are in these units as read.
  std::string time_unit;
  std::string conc_unit;
};

}  // namespace velmor
