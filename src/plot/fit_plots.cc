// SPDX-License-Identifier: MIT

#include "plot/fit_plots.h"

#include <utility>
#include <vector>

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
void prepare_main_window(const PlotWindows& windows) {
  if (!wintk::isvalidwindow(windows.idactivewin)) return;
  wintk::setcurrentwindow(windows.idactivewin);
  wintk::setcolor(kToolkitBlack);
  wintk::setbkcolor(kToolkitWhite);
  wintk::settextstyle(kGuiFont, kHorizontal, kTextSize);
  wintk::clearviewport();
}

void theme_main_window(const PlotWindows& windows) {
  if (!wintk::isvalidwindow(windows.idactivewin)) return;
  wintk::setcurrentwindow(windows.idactivewin);
  wintk::setmatchthemetextstyle();
  wintk::refreshall();
  wintk::setrefreshing(true);
}

// After the plot window closed: the plot goes, and so do the secondary windows (a dialog left
// open must not outlive the picture it belonged to); the main window is current and redrawn.
void aftermath(PlotWindows& windows, plot_t& plot) {
  const bool has_main = wintk::isvalidwindow(windows.idactivewin);
  if (has_main) wintk::setcurrentwindow(windows.idactivewin);
  destroy_plot(plot);
  for (int& window : windows.child_windows) {
    if (window < 0) continue;
    // By id: closewindow(-1) on a window that no longer exists would close the current one.
    wintk::closewindow(window);
    window = -1;
  }
  if (has_main && wintk::isvalidwindow(windows.idactivewin)) {
    wintk::setcurrentwindow(windows.idactivewin);
    wintk::refreshall();
  }
}

// The other contents a plot window offers in its "View" menu, with the menu item's label.
using ContentViews = std::vector<std::pair<const char*, PlotContents>>;

// Shows views[shown] (or `contents` alone when there are no views) as show_plot_window does.
void show_contents(PlotWindows& windows, const PlotContents& contents, const ContentViews& views,
                   int shown) {
  plot_t plot = initialize_plot();
  set_xlinear(plot);
  set_ylinear(plot);
  prepare_main_window(windows);
  apply_plot_contents(contents, *plot_chart(plot));
  for (int v = 0; v < static_cast<int>(views.size()); ++v) {
    add_plot_view(
        plot, views[v].first,
        [view = views[v].second](Chart& chart) { apply_plot_contents(view, chart); }, v == shown);
  }
  theme_main_window(windows);
  display_plot(plot);
  aftermath(windows, plot);
}

PlotContents titled_residual_plot(const FittedData& fitted, std::string_view data_file,
                                  ResidualX x) {
  PlotContents contents = residual_plot_of(fitted, x);
  contents.title = title_with_data_file(contents.title, data_file);
  return contents;
}

}  // namespace

void show_plot_window(PlotWindows& windows, const PlotContents& contents) {
  show_contents(windows, contents, {}, -1);
}

void xyplot(const FittedData& fitted, std::string_view data_file, PlotWindows& windows) {
  PlotContents contents = fit_plot_of(fitted);
  contents.title = title_with_data_file(contents.title, data_file);
  show_plot_window(windows, contents);
}

void resplot(const FittedData& fitted, std::string_view data_file, PlotWindows& windows) {
  resplot_against(fitted, data_file, windows, ResidualX::kRowNumber);
}

void resplot_against(const FittedData& fitted, std::string_view data_file, PlotWindows& windows,
                     ResidualX x) {
  if (wintk::isvalidwindow(wintk::getcurrentwindow())) wintk::startidle(kResidualPauseMs);
  const ContentViews views = {
      {"Residuals Against Row Number",
       titled_residual_plot(fitted, data_file, ResidualX::kRowNumber)},
      {"Residuals Against Time", titled_residual_plot(fitted, data_file, ResidualX::kTime)}};
  const int shown = x == ResidualX::kTime ? 1 : 0;
  show_contents(windows, views[shown].second, views, shown);
}

}  // namespace velmor::plot
