// SPDX-License-Identifier: MIT

#pragma once

#include <functional>

#include "engine/core/global_types.h"
#include "engine/core/host.h"

// The engine's host in the windowed program: message boxes, the main window's title, the fit
// plot after each model, and the event waits, all through the toolkit on the thread that runs
// the fit (the main routine's).
namespace velmor::app {

// The two plots of a finished fit. Each shows its plot window and returns when the user has
// closed it; both read the shared data and may update the secondary-window table.
struct PlotCommands {
  std::function<void(RunState&)> xyplot;
  std::function<void(RunState&)> resplot;
};

// The plots of the plot library.
PlotCommands library_plots();

class GuiHost : public Host {
 public:
  // `state` is the program's run-wide state, the same object the driver hands to show_fit; the
  // plot needs it writable to free the secondary-window slots of the windows it closes.
  GuiHost(RunState& state, const PlotCommands& plots) : state_(state), plots_(plots) {}

  void dlgmessage(int kind, std::string_view text) override;
  void setwindowtitle(std::string_view title) override;
  // Blocks until the plot window has been closed.
  void show_fit(const RunState& state) override;
  void startidle(int milliseconds) override;

 private:
  RunState& state_;
  const PlotCommands& plots_;
};

}  // namespace velmor::app
