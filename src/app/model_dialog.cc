// SPDX-License-Identifier: MIT

#include "app/model_dialog.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "gui/wintk.h"

namespace velmor::app {
namespace {

// The layout the dialog was drawn for: rows of 700 x 25 pixels at x = 60, H/15 apart, four
// buttons of 100 x 45 with gaps of 20 centred below them, the window W wide and H/2 high.
constexpr int kRowLeft = 60;
constexpr int kRowWidth = 700;
constexpr int kRowHeight = 25;
constexpr int kRowGap = 5;  // at least this much between two rows
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 45;
constexpr int kButtonGap = 20;
constexpr int kMargin = 20;       // right of the widest caption and beside the buttons
constexpr int kBottomMargin = 5;  // below the buttons

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
int free_slot(const plot::PlotWindows& windows) {
  for (int slot = 1; slot < kMaxSecondaryWindows; ++slot) {
    if (windows.child_windows[slot] < 0) return slot;
  }
  return -1;
}

// Creates the controls in the order of their ids, at the places of the layout's first guess,
// and returns what their captions need. The dialog is the current window.
ModelDialogSizes create_controls(ShellState& shell, int dialog,
                                 const std::shared_ptr<ButtonRequests>& requests) {
  // Two groups: a click checks one Michaelis-Menten model (Product and Substrate check a pair)
  // and one model of a mechanism beside it, so that both are ranked in one table.
  for (int k = 0; k < kDialogModels; ++k) {
    if (k == 0 || k == kClassicModelCount) wintk::beginradiogroup();
    wintk::createradiobutton(kRowLeft, 0, kRowWidth, kRowHeight, kRadioLabels[k]);
  }
  wintk::createcheckbox(kRowLeft, 0, kRowWidth, kRowHeight, kFastMethodLabel);
  wintk::createcheckbox(kRowLeft, 0, kRowWidth, kRowHeight, kBaselineFreeLabel);
  // The buttons wake the dialog's own idle event, whichever window is current when they run.
  const auto ask_pair = [requests, dialog](int first_model) {
    return [requests, dialog, first_model] {
      requests->pair = first_model;
      wintk::signalidle(dialog);
    };
  };
  wintk::createbutton(0, 0, kButtonWidth, kButtonHeight, "Product", ask_pair(1));
  wintk::createbutton(0, 0, kButtonWidth, kButtonHeight, "Substrate", ask_pair(3));
  wintk::createbutton(0, 0, kButtonWidth, kButtonHeight, "Clear", ask_pair(0));
  wintk::createbutton(0, 0, kButtonWidth, kButtonHeight, "Close", [requests, dialog] {
    requests->close = true;
    wintk::signalidle(dialog);
  });
  for (int k = 0; k < kDialogModels; ++k) {
    wintk::radiobuttonsetchecked(kModelRadio[k], shell.model_flags[k] > 0);
    wintk::setradiobuttonvisible(kModelRadio[k], true);
  }
  wintk::checkboxsetchecked(kFastMethodCheckbox, shell.fit_method == kFastMethod);
  wintk::setcheckboxvisible(kFastMethodCheckbox, true);
  wintk::checkboxsetchecked(kBaselineFreeCheckbox, shell.baseline_free.load());
  wintk::setcheckboxvisible(kBaselineFreeCheckbox, true);
  // Return and Escape close the dialog, as its Close button does.
  wintk::setdefaultbutton(kCloseButton);
  wintk::setcancelbutton(kCloseButton);

  ModelDialogSizes sizes;
  for (int id = 0; id <= kBaselineFreeCheckbox; ++id) {
    sizes.rows.push_back(wintk::getcontrolpreferredsize(id));
  }
  for (int id = kProductButton; id <= kCloseButton; ++id) {
    sizes.buttons.push_back(wintk::getcontrolpreferredsize(id));
  }
  return sizes;
}

void place_controls(const ModelDialogLayout& layout) {
  for (std::size_t i = 0; i < layout.rows.size(); ++i) {
    const ControlBox& r = layout.rows[i];
    wintk::setcontrolbounds(static_cast<int>(i), r.x, r.y, r.w, r.h);
  }
  for (std::size_t i = 0; i < layout.buttons.size(); ++i) {
    const ControlBox& b = layout.buttons[i];
    wintk::setcontrolbounds(kProductButton + static_cast<int>(i), b.x, b.y, b.w, b.h);
  }
}

}  // namespace

ModelDialogLayout model_dialog_layout(int screen_width, int screen_height,
                                      const ModelDialogSizes& sizes) {
  const int w = static_cast<int>(screen_width / 3.7);
  const int h = static_cast<int>(0.5 * screen_height);
  int row_height = kRowHeight;
  int widest_row = 0;
  for (const wintk::ControlSize& row : sizes.rows) {
    row_height = std::max(row_height, row.height);
    widest_row = std::max(widest_row, row.width);
  }
  int button_width = kButtonWidth;
  int button_height = kButtonHeight;
  for (const wintk::ControlSize& button : sizes.buttons) {
    button_width = std::max(button_width, button.width);
    button_height = std::max(button_height, button.height);
  }
  const int count = static_cast<int>(sizes.buttons.size());
  const int buttons_width = count * button_width + std::max(count - 1, 0) * kButtonGap;
  const int step = std::max(h / 15, row_height + kRowGap);
  const int row_count = static_cast<int>(sizes.rows.size());

  ModelDialogLayout layout;
  layout.width = std::max({w, kRowLeft + widest_row + kMargin, buttons_width + 2 * kMargin});
  const int buttons_top = (row_count + 1) * step;
  layout.height = std::max(h / 2, buttons_top + button_height + kBottomMargin);
  layout.width = std::min(layout.width, std::max(screen_width, 1));
  layout.left = std::max(0, std::min(w, screen_width - layout.width));
  layout.top = std::max(0, std::min(h, screen_height - layout.height));
  const int row_width = std::max(kRowWidth, widest_row);
  for (int k = 0; k < row_count; ++k) {
    // No wider than the window: a caption is never drawn beyond the window's edge.
    layout.rows.push_back(
        {kRowLeft, (k + 1) * step, std::min(row_width, layout.width - kRowLeft), row_height});
  }
  // Centred 10 pixels right of the middle, as drawn (W/2 - 220 for four buttons of 100).
  const int first_button = std::max(
      0, std::min(layout.width / 2 - buttons_width / 2 + 10, layout.width - buttons_width));
  for (int b = 0; b < count; ++b) {
    layout.buttons.push_back(
        {first_button + b * (button_width + kButtonGap), buttons_top, button_width, button_height});
  }
  return layout;
}

void close_secondary_windows(plot::PlotWindows& windows) {
  for (int slot = 1; slot < kMaxSecondaryWindows; ++slot) {
    if (windows.child_windows[slot] < 0) continue;
    wintk::closewindow(windows.child_windows[slot]);
    windows.child_windows[slot] = -1;
  }
}

void model_lib(ShellState& shell) {
  close_secondary_windows(shell.windows);
  wintk::enablewindow(shell.main_window, 0);

  const int screen_width = wintk::getmaxwidth();
  const int screen_height = wintk::getmaxheight();
  const ModelDialogLayout first_guess = model_dialog_layout(screen_width, screen_height, {});
  // The main window's dialog: it stays above the (disabled) main window. It is shown only once
  // it is laid out and its close box refused.
  const int dialog =
      wintk::initwindow(first_guess.width, first_guess.height, "Select Models", first_guess.left,
                        first_guess.top, false, false, shell.main_window, false);
  if (dialog < 0) {
    wintk::setcurrentwindow(shell.main_window);
    wintk::enablewindow(shell.main_window, 1);
    return;
  }
  // Only Close (the button, Return or Escape) ends the dialog.
  wintk::setwindowsystemclosecallback([] { return 0; });
  wintk::setcolor(wintk::creatergb(0, 0, 0));
  wintk::setbkcolor(wintk::creatergb(242, 245, 250));
  wintk::settextstyle(7, 0, wintk::scaledpi(14));

  const auto requests = std::make_shared<ButtonRequests>();
  const ModelDialogLayout layout =
      model_dialog_layout(screen_width, screen_height, create_controls(shell, dialog, requests));
  place_controls(layout);
  wintk::setclientsize(layout.width, layout.height);
  wintk::resetviewport();
  wintk::clearviewport();
  wintk::showwindow(dialog);

  const int slot = free_slot(shell.windows);
  if (slot > 0) shell.windows.child_windows[slot] = dialog;
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
  if (lowest > 0) shell.shown.imdlno = lowest;
  shell.fit_method = wintk::checkboxischecked(kFastMethodCheckbox) ? kFastMethod : kClassicMethod;
  shell.baseline_free = wintk::checkboxischecked(kBaselineFreeCheckbox);
  wintk::refreshall();
  wintk::settextstyle(1, 0, 14);

  wintk::setcurrentwindow(shell.main_window);
  wintk::closewindow(dialog);
  if (slot > 0) shell.windows.child_windows[slot] = -1;
  wintk::signalidle(shell.main_window);
  wintk::enablewindow(shell.main_window, 1);
  wintk::refreshall();
  close_secondary_windows(shell.windows);
}

}  // namespace velmor::app
