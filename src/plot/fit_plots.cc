// SPDX-License-Identifier: MIT

#include "plot/fit_plots.h"

#include "gui/wintk.h"
#include "plot/plotlib.h"

namespace velmor::plot {
namespace {

constexpr int kToolkitWhite = 0xFFFFFF;  // red + green * 256 + blue * 65536
constexpr int kToolkitBlack = 0;
constexpr int kGuiFont = 7;  // the platform's default GUI font
constexpr int kHorizontal = 0;
constexpr int kTextSize = 16;
constexpr int kResidualPauseMs = 500;

// The main window's look while the plot is built: white, black text in the GUI font. Nothing
// when the program has no main window (tests, a plot shown on its own).
void prepare_main_window(const RunState& state) {
  if (!wintk::isvalidwindow(state.idactivewin)) return;
  wintk::setcurrentwindow(state.idactivewin);
  wintk::setcolor(kToolkitBlack);
  wintk::setbkcolor(kToolkitWhite);
  wintk::settextstyle(kGuiFont, kHorizontal, kTextSize);
  wintk::clearviewport();
}

void theme_main_window(const RunState& state) {
  if (!wintk::isvalidwindow(state.idactivewin)) return;
  wintk::setcurrentwindow(state.idactivewin);
  wintk::setmatchthemetextstyle();
  wintk::refreshall();
  wintk::setrefreshing(true);
}

// After the plot window closed: the plot goes, and so do the secondary windows (a dialog left
// open must not outlive the picture it belonged to); the main window is current and redrawn.
void aftermath(RunState& state, plot_t& plot) {
  const bool has_main = wintk::isvalidwindow(state.idactivewin);
  if (has_main) wintk::setcurrentwindow(state.idactivewin);
  destroy_plot(plot);
  for (int& window : state.child_windows) {
    if (window < 0) continue;
    // By id: closewindow(-1) on a window that no longer exists would close the current one.
    wintk::closewindow(window);
    window = -1;
  }
  if (has_main && wintk::isvalidwindow(state.idactivewin)) {
    wintk::setcurrentwindow(state.idactivewin);
    wintk::refreshall();
  }
}

}  // namespace

void show_plot_window(RunState& state, const PlotContents& contents) {
  plot_t plot = initialize_plot();
  set_xlinear(plot);
  set_ylinear(plot);
  prepare_main_window(state);
  apply_plot_contents(contents, *plot_chart(plot));
  theme_main_window(state);
  display_plot(plot);
  aftermath(state, plot);
}

void xyplot(RunState& state) {
  PlotContents contents = fit_plot_of(state);
  contents.title = title_with_data_file(contents.title, state.filenamedata);
  show_plot_window(state, contents);
}

void resplot(RunState& state) {
  resplot_against(state, ResidualX::kRowNumber);
}

void resplot_against(RunState& state, ResidualX x) {
  if (wintk::isvalidwindow(wintk::getcurrentwindow())) wintk::startidle(kResidualPauseMs);
  PlotContents contents = residual_plot_of(state, x);
  contents.title = title_with_data_file(contents.title, state.filenamedata);
  show_plot_window(state, contents);
}

}  // namespace velmor::plot
