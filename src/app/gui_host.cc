// SPDX-License-Identifier: MIT

#include "app/gui_host.h"

#include "gui/wintk.h"
#ifdef VELMOR_WITH_PLOTS
#include "plot/fit_plots.h"
#endif

namespace velmor::app {

PlotCommands library_plots() {
#ifdef VELMOR_WITH_PLOTS
  return {&plot::xyplot, &plot::resplot};
#else
  // A build without the plot windows fits and reports, but shows no plots.
  return {};
#endif
}

void GuiHost::dlgmessage(int kind, std::string_view text) {
  wintk::dlgmessage(kind, text);
}

void GuiHost::setwindowtitle(std::string_view title) {
  wintk::setwindowtitle(title);
}

void GuiHost::show_fit(const RunState& state) {
  // The driver passes the run-wide state it was given, which is state_.
  if (&state != &state_) return;
  if (plots_.xyplot) plots_.xyplot(state_);
}

void GuiHost::startidle(int milliseconds) {
  wintk::startidle(milliseconds);
}

}  // namespace velmor::app
