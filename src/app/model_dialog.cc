// SPDX-License-Identifier: MIT

#include "app/model_dialog.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "gui/wintk.h"

namespace velmor::app {
namespace {

// The four buttons (4 x 100 pixels and three gaps of 20) start at W/2 - 220; below this width
// the first of them would lie left of the window and could not be clicked.
constexpr int kMinDialogWidth = 480;
// A radio button is 25 pixels high; closer rows would overlap.
constexpr int kMinRowStep = 30;
constexpr int kButtonHeight = 45;
constexpr int kMargin = 5;  // below the buttons when the window had to be made taller

constexpr const char* kFastMethodLabel =
    "Fast method: multi-start Levenberg-Marquardt (fits without weights)";

constexpr const char* kBaselineFreeLabel = "Baseline of either sign (models 2 and 4)";

constexpr const char* kRadioLabels[kDialogModels] = {
    "1- Product vs time Integrated Michaelis-Menten",
    "2- Product vs time Integrated Michaelis-Menten - basline",
    "3- Substrate vs time Integrated Michaelis-Menten",
    "4- Substrate vs time Integrated Michaelis-Menten - basline",
    "5- Product vs time Integrated Michaelis-Menten - product inhibition",
    "6- Substrate vs time Integrated Michaelis-Menten - product inhibition",
    "7- Product vs time Integrated Michaelis-Menten - enzyme inactivation",
    "8- Substrate vs time Integrated Michaelis-Menten - enzyme inactivation",
};

// What the buttons ask for. The callbacks run on their own threads and may still run after
// the dialog has gone, so they only leave their request here (shared, so it outlives the
// dialog) and wake the dialog's wait; the main routine carries the request out on the controls.
struct ButtonRequests {
  std::atomic<int> pair{-1};  // 1: Product, 3: Substrate, 0: Clear, -1: none pending
  std::atomic<bool> close{false};
};

// Product, Substrate and Clear: every radio button unchecked and its flag cleared, then the
// pair from first_model checked and flagged (Clear: none). The dialog is the current window.
void select_pair(ShellState& shell, int first_model) {
  for (int k = 0; k < kDialogModels; ++k) {
    wintk::radiobuttonsetchecked(kModelRadio[k], false);
    shell.model_flags[k] = 0;
  }
  if (first_model < 1) return;
  for (int k = first_model - 1; k <= first_model; ++k) {
    wintk::radiobuttonsetchecked(kModelRadio[k], true);
    shell.model_flags[k] = 1;
  }
}

// The first free slot from 1 on; -1 if the table is full.
int free_slot(const RunState& state) {
  for (int slot = 1; slot < kMaxSecondaryWindows; ++slot) {
    if (state.child_windows[slot] < 0) return slot;
  }
  return -1;
}

}  // namespace

ModelDialogLayout model_dialog_layout(int screen_width, int screen_height) {
  const int w = static_cast<int>(screen_width / 3.7);
  const int h = static_cast<int>(0.5 * screen_height);
  ModelDialogLayout layout;
  layout.width = std::max(w, kMinDialogWidth);
  layout.step = std::max(h / 15, kMinRowStep);
  layout.height = std::max(h / 2, (kDialogRows + 1) * layout.step + kButtonHeight + kMargin);
  layout.left = std::max(0, std::min(w, screen_width - layout.width));
  layout.top = std::max(0, std::min(h, screen_height - layout.height));
  return layout;
}

void close_secondary_windows(RunState& state) {
  for (int slot = 1; slot < kMaxSecondaryWindows; ++slot) {
    if (state.child_windows[slot] < 0) continue;
    wintk::closewindow(state.child_windows[slot]);
    state.child_windows[slot] = -1;
  }
}

void model_lib(ShellState& shell, RunState& state) {
  close_secondary_windows(state);
  wintk::enablewindow(shell.main_window, 0);

  const ModelDialogLayout layout = model_dialog_layout(wintk::getmaxwidth(), wintk::getmaxheight());
  // The main window's dialog: it stays above the (disabled) main window, whose close box waits
  // for it.
  const int dialog = wintk::initwindow(layout.width, layout.height, "Select Models", layout.left,
                                       layout.top, false, false, shell.main_window);
  if (dialog < 0) {
    wintk::setcurrentwindow(shell.main_window);
    wintk::enablewindow(shell.main_window, 1);
    return;
  }
  // Only the Close button ends the dialog.
  wintk::setwindowsystemclosecallback([] { return 0; });
  wintk::setcolor(wintk::creatergb(0, 0, 0));
  wintk::setbkcolor(wintk::creatergb(242, 245, 250));
  wintk::clearviewport();
  wintk::settextstyle(7, 0, wintk::scaledpi(14));

  const int step = layout.step;
  const int half = layout.width / 2;
  // Two groups: a click checks one Michaelis-Menten model (Product and Substrate check a pair)
  // and one model of a mechanism beside it, so that both are ranked in one table.
  for (int k = 0; k < kDialogModels; ++k) {
    if (k == 0 || k == kClassicModelCount) wintk::beginradiogroup();
    wintk::createradiobutton(60, (k + 1) * step, 700, 25, kRadioLabels[k]);
  }
  // The rows between the models and the buttons.
  wintk::createcheckbox(60, (kFastMethodCheckbox + 1) * step, 700, 25, kFastMethodLabel);
  wintk::createcheckbox(60, (kBaselineFreeCheckbox + 1) * step, 700, 25, kBaselineFreeLabel);
  const int buttons_top = (kDialogRows + 1) * step;
  const auto requests = std::make_shared<ButtonRequests>();
  // The buttons wake the dialog's own idle event, whichever window is current when they run.
  const auto ask_pair = [requests, dialog](int first_model) {
    return [requests, dialog, first_model] {
      requests->pair = first_model;
      wintk::signalidle(dialog);
    };
  };
  wintk::createbutton(half - 220, buttons_top, 100, kButtonHeight, "Product", ask_pair(1));
  wintk::createbutton(half - 100, buttons_top, 100, kButtonHeight, "Substrate", ask_pair(3));
  wintk::createbutton(half + 20, buttons_top, 100, kButtonHeight, "Clear", ask_pair(0));
  wintk::createbutton(half + 140, buttons_top, 100, kButtonHeight, "Close", [requests, dialog] {
    requests->close = true;
    wintk::signalidle(dialog);
  });
  for (int k = 0; k < kDialogModels; ++k) {
    wintk::radiobuttonsetchecked(kModelRadio[k], shell.model_flags[k] > 0);
    wintk::setradiobuttonvisible(kModelRadio[k], true);
  }
  wintk::checkboxsetchecked(kFastMethodCheckbox, shell.fit_method == kFastMethod);
  wintk::setcheckboxvisible(kFastMethodCheckbox, true);
  wintk::checkboxsetchecked(kBaselineFreeCheckbox, shell.baseline_free);
  wintk::setcheckboxvisible(kBaselineFreeCheckbox, true);

  const int slot = free_slot(state);
  if (slot > 0) state.child_windows[slot] = dialog;
  shell.model_dialog_window = dialog;
  // Until Close: each wake carries out the button pressed meanwhile.
  for (;;) {
    wintk::waitidle(dialog, -1);
    const int pair = requests->pair.exchange(-1);
    if (pair >= 0) select_pair(shell, pair);
    if (requests->close || !wintk::isvalidwindow(dialog)) break;
  }
  shell.model_dialog_window = -1;

  ModelId lowest = 0;
  for (int k = kDialogModels - 1; k >= 0; --k) {
    const bool checked = wintk::radiobuttonischecked(kModelRadio[k]);
    shell.model_flags[k] = checked ? 1 : 0;
    if (checked) lowest = k + 1;
  }
  if (lowest > 0) state.imdlno = lowest;
  shell.fit_method = wintk::checkboxischecked(kFastMethodCheckbox) ? kFastMethod : kClassicMethod;
  shell.baseline_free = wintk::checkboxischecked(kBaselineFreeCheckbox);
  wintk::refreshall();
  wintk::settextstyle(1, 0, 14);

  // The main window becomes current before the dialog goes, so that a late button callback
  // always finds a current window to wake.
  wintk::setcurrentwindow(shell.main_window);
  wintk::closewindow(dialog);
  if (slot > 0) state.child_windows[slot] = -1;
  wintk::signalidle(shell.main_window);
  wintk::enablewindow(shell.main_window, 1);
  wintk::refreshall();
  close_secondary_windows(state);
}

}  // namespace velmor::app
