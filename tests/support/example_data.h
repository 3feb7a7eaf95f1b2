// SPDX-License-Identifier: MIT
#pragma once

#include <fstream>
#include <string>

#include "engine/core/progress_curve_data.h"

namespace velmor::testing {

// examples/DATA.IN: 27 rows, three curves of 9 points with [So] 50, 100, 500.
inline ProgressCurveData example_data() {
  ProgressCurveData d;
  std::ifstream in(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN");
  double t = 0.0, so = 0.0, y = 0.0;
  while (d.nRows < kMaxRows && in >> t >> so >> y) {
    d.resize_rows(d.nRows + 1);
    d.X1.back() = t;
    d.X2.back() = so;
    d.Y.back() = y;
  }
  d.nCols = 3;
  d.nCurves = 3;
  d.curveCount = {9, 9, 9};
  return d;
}

// The example with each fitted value a little off the observed one, so residuals are not zero.
inline ProgressCurveData example_with_residuals() {
  ProgressCurveData d = example_data();
  for (int n = 0; n < d.nRows; ++n) d.Ycalc[n] = d.Y[n] + ((n % 3) - 1) * 0.5;
  return d;
}

}  // namespace velmor::testing
