// SPDX-License-Identifier: MIT

#pragma once

// The plot window: creation, the display loop, its handlers, saving, printing and drawing in
// place. Internal to plotlib.

#include <optional>
#include <string_view>

#include "plot/plot_record.h"

namespace velmor::plot {

// The display loop on the calling thread: opens the window if the plot has none, draws it and
// redraws after resizes until a close is requested, then closes the window, sets the window id
// to -1 and signals the closed event.
void run_display_loop(PlotRecord& record);

// Signals the window's idle event, if the window still exists; the current window is left as
// it is.
void wake_display_loop(int window);

// save_plot's work on a live record.
int save_plot_image(PlotRecord& record, std::optional<std::string_view> file_name);

// embed_plot's work on a live record.
void embed_plot_into(PlotRecord& record, int window, int x, int y, int w, int h);

}  // namespace velmor::plot
