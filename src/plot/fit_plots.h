// SPDX-License-Identifier: MIT

#pragma once

// The program's two plot windows: the data with the fitted curves (xyplot) and the residuals
// (resplot) of the current model in the run-wide state. Each builds a plot, shows it in a window
// of its own and returns only after the user has closed that window; then it destroys the plot,
// closes the secondary windows listed in state.child_windows (freeing their slots) and makes the
// main window (state.idactivewin) current again.
//
// Runs on the application's main routine thread (or the fit driver's, which is the same).

#include "engine/core/global_types.h"
#include "plot/fit_charts.h"

namespace velmor::plot {

// The data and fitted curves of state.data (the curves of the model state.imdlno at
// state.fitted_params), titled with state.strmdl and the name of state.filenamedata; the Y axis
// is labelled for the model.
void xyplot(RunState& state);

// Lets the current window process events for 500 ms, then shows the residuals Ycalc - Y of all
// rows against the row number (resplot) or against the chosen X (the row number or the time).
void resplot(RunState& state);
void resplot_against(RunState& state, ResidualX x);

// Shows a plot of that content with the plot defaults and waits for its window to close, then
// cleans up as above. xyplot and resplot are this with their contents.
void show_plot_window(RunState& state, const PlotContents& contents);

}  // namespace velmor::plot
