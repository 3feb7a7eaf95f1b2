// SPDX-License-Identifier: MIT

#pragma once

#include <array>

#include "engine/core/limits.h"

namespace velmor::plot {

// The program's windows a plot window works with: the main window (idactivewin; -1 when there is
// none), made current again when the plot closes, and the table of the secondary windows
// (dialogs) open beside it by slot, -1 for a free slot, which a closing plot closes with it.
// The shell keeps one for the whole session; a plot shown on its own takes an empty one.
struct PlotWindows {
  int idactivewin = -1;
  std::array<int, kMaxSecondaryWindows> child_windows = free_window_table();

  static std::array<int, kMaxSecondaryWindows> free_window_table() {
    std::array<int, kMaxSecondaryWindows> table;
    table.fill(-1);
    return table;
  }
};

}  // namespace velmor::plot
