// SPDX-License-Identifier: MIT

#pragma once

// The program's two plot windows: the data with the fitted curves (xyplot) and the residuals
// (resplot) of a fitted model. Each builds a plot, shows it in a window of its own and returns
// only after the user has closed that window; then it destroys the plot, closes the secondary
// windows listed in windows.child_windows (freeing their slots) and makes the main window
// (windows.idactivewin) current again.
//
// Runs on the application's main routine thread (or the fit driver's, which is the same).

#include <string_view>

#include "engine/core/run_result.h"
#include "plot/fit_charts.h"
#include "plot/plot_windows.h"

namespace velmor::plot {

// The data and fitted curves of fitted.data (the curves of the model fitted.imdlno at
// fitted.fitted_params), titled with fitted.strmdl and the name of the data file the data came
// from; the Y axis is labelled for the model.
void xyplot(const FittedData& fitted, std::string_view data_file, PlotWindows& windows);

// Lets the current window process events for 500 ms, then shows the residuals Ycalc - Y of all
// rows against the row number (resplot) or against the chosen X (the row number or the time).
// The window's "View" menu switches between the two ("Residuals Against Row Number",
// "Residuals Against Time").
void resplot(const FittedData& fitted, std::string_view data_file, PlotWindows& windows);
void resplot_against(const FittedData& fitted, std::string_view data_file, PlotWindows& windows,
                     ResidualX x);

// Shows a plot of that content with the plot defaults and waits for its window to close, then
// cleans up as above. xyplot and resplot are this with their contents.
void show_plot_window(PlotWindows& windows, const PlotContents& contents);

}  // namespace velmor::plot
