// SPDX-License-Identifier: MIT

#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "engine/core/fit_observer.h"
#include "engine/core/run_result.h"
#include "plot/plot_windows.h"

// The engine's host in the windowed program: message boxes, the main window's title during a
// fit, the fit plot after each model with the event waits around it, all through the toolkit on
// the thread that runs the fit (the main routine's).
namespace velmor::app {

// The two plots of a finished fit, with the data file's name for the title. Each shows its plot
// window and returns when the user has closed it; both may update the secondary-window table.
struct PlotCommands {
  using Show = std::function<void(const FittedData&, std::string_view, plot::PlotWindows&)>;
  Show xyplot;
  Show resplot;
  // true: every plot display ends now, and every later one at once, until called with false
  // (the program is quitting). Any thread.
  std::function<void(bool ended)> set_displays_ended;
};

// The plots of the plot library.
PlotCommands library_plots();

class GuiHost : public FitObserver {
 public:
  // `filenamedata` names the data file of the run in the plots' titles; `windows` is the
  // session's window table, which a plot updates as it closes the secondary windows.
  GuiHost(const std::string& filenamedata, plot::PlotWindows& windows, const PlotCommands& plots)
      : filenamedata_(filenamedata), windows_(windows), plots_(plots) {}

  // A message box of the kind; returns when the user has dismissed it.
  void message(int kind, std::string_view text) override;
  // The main window's title says which model is being computed.
  void progress(const FitProgress& progress) override;
  // Lets the window process events, shows the fit plot, and lets it process events again;
  // blocks until the plot window has been closed.
  void model_fitted(const FittedData& fitted) override;

 private:
  const std::string& filenamedata_;
  plot::PlotWindows& windows_;
  const PlotCommands& plots_;
};

}  // namespace velmor::app
