// SPDX-License-Identifier: MIT

#include "app/gui_host.h"

#include <string>

#include "gui/wintk.h"
#include "util/number_text.h"
#ifdef VELMOR_WITH_PLOTS
#include "plot/fit_plots.h"
#include "plot/plotlib.h"
#endif

namespace velmor::app {
namespace {

// The events the window processes before and after each fit plot.
constexpr int kEventWaitMs = 500;

}  // namespace

PlotCommands library_plots() {
#ifdef VELMOR_WITH_PLOTS
  return {&plot::xyplot, &plot::resplot, [](bool ended) {
            if (ended) {
              plot::end_plot_displays();
            } else {
              plot::allow_plot_displays();
            }
          }};
#else
  // A build without the plot windows fits and reports, but shows no plots.
  return {};
#endif
}

void GuiHost::message(int kind, std::string_view text) {
  wintk::dlgmessage(kind, text);
}

void GuiHost::progress(const FitProgress& progress) {
  wintk::setwindowtitle("Wait, computing model #" + util::write_di(progress.model, "I3"));
}

void GuiHost::model_fitted(const FittedData& fitted) {
  wintk::startidle(kEventWaitMs);
  if (plots_.xyplot) plots_.xyplot(fitted, filenamedata_, windows_);
  wintk::startidle(kEventWaitMs);
}

}  // namespace velmor::app
