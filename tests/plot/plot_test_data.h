#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "engine/core/global_types.h"

namespace velmor::plot::testing {

// Reads the three columns of examples/DATA.IN (up to the first blank line) into state.data and
// gives every row a fitted value a little off the observed one, so residuals are not all zero.
inline bool load_example(RunState& state) {
  std::ifstream in(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN");
  std::string line;
  int n = 0;
  while (n < kMaxRows && std::getline(in, line)) {
    std::istringstream fields(line);
    double t, so, y;
    if (!(fields >> t >> so >> y)) break;
    state.data.X1[n] = t;
    state.data.X2[n] = so;
    state.data.Y[n] = y;
    state.data.Ycalc[n] = y + ((n % 3) - 1) * 0.5;
    ++n;
  }
  state.data.nRows = n;
  state.imdlno = 1;
  state.strmdl = "  1- [Pt] vs time Michaelis-Menten          ";
  return n > 0;
}

}  // namespace velmor::plot::testing
