// SPDX-License-Identifier: MIT

#pragma once

#include <functional>

#include "engine/core/fit_observer.h"
#include "engine/core/global_types.h"

// The engine's host in the windowed program: message boxes, the main window's title during a
// fit, the fit plot after each model with the event waits around it, all through the toolkit on
// the thread that runs the fit (the main routine's).
namespace velmor::app {

// The two plots of a finished fit. Each shows its plot window and returns when the user has
// closed it; both read the shared data and may update the secondary-window table.
struct PlotCommands {
  std::function<void(RunState&)> xyplot;
  std::function<void(RunState&)> resplot;
};

// The plots of the plot library.
PlotCommands library_plots();

class GuiHost : public FitObserver {
 public:
  // `state` is the program's run-wide state, the same object the driver hands to model_fitted;
  // the plot needs it writable to free the secondary-window slots of the windows it closes.
  GuiHost(RunState& state, const PlotCommands& plots) : state_(state), plots_(plots) {}

  // A message box of the kind; returns when the user has dismissed it.
  void message(int kind, std::string_view text) override;
  // The main window's title says which model is being computed.
  void progress(const FitProgress& progress) override;
  // Lets the window process events, shows the fit plot, and lets it process events again;
  // blocks until the plot window has been closed.
  void model_fitted(const RunState& state) override;

 private:
  RunState& state_;
  const PlotCommands& plots_;
};

}  // namespace velmor::app
