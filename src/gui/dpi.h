// SPDX-License-Identifier: MIT

#pragma once

#include <cmath>

namespace wintk {

// Screen metrics are given for 96 dots per inch; n * dpi / 96 rounded to nearest
// (14 becomes 18 at 120 dpi and 21 at 144 dpi).
inline int scale_for_dpi(int n, int dpi) {
  return static_cast<int>(std::lround(static_cast<double>(n) * dpi / 96.0));
}

}  // namespace wintk
