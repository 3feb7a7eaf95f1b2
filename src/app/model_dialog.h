// SPDX-License-Identifier: MIT

#pragma once

#include <vector>

#include "app/shell_state.h"
#include "engine/core/global_types.h"
#include "engine/core/model_catalog.h"
#include "gui/wintk.h"

// The "Select Models" window in which the user picks the models the next run fits.
namespace velmor::app {

// The models the dialog offers: every model, 1..8.
inline constexpr int kDialogModels = kModelCount;

// Control ids of the dialog, in creation order (ids count from 0 in a new window), which is
// also the order of the rows from top to bottom and so the Tab order: the models' radio
// buttons, the check boxes below them, then the buttons from left to right.
inline constexpr int kModelRadio[kDialogModels] = {0, 1, 2, 3, 4, 5, 6, 7};
// The fit method of the next run (checked: the fast method).
inline constexpr int kFastMethodCheckbox = kDialogModels;
// The baseline of models 2 and 4 in the next run (checked: of either sign).
inline constexpr int kBaselineFreeCheckbox = kFastMethodCheckbox + 1;
inline constexpr int kProductButton = kBaselineFreeCheckbox + 1;
inline constexpr int kSubstrateButton = kProductButton + 1;
inline constexpr int kClearButton = kSubstrateButton + 1;
inline constexpr int kCloseButton = kClearButton + 1;

struct ControlBox {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
};

// The sizes the dialog's controls need for their captions in the dialog's font.
struct ModelDialogSizes {
  std::vector<wintk::ControlSize> rows;     // radio buttons, then check boxes, top to bottom
  std::vector<wintk::ControlSize> buttons;  // left to right
};

// Where everything goes: the window's place and client size from the screen's usable size, as
// on the screens the layout was made for, grown where a caption needs more room, so that no
// caption is cut and every control lies inside the window.
struct ModelDialogLayout {
  int width = 0;  // client area
  int height = 0;
  int left = 0;
  int top = 0;
  std::vector<ControlBox> rows;
  std::vector<ControlBox> buttons;
};
ModelDialogLayout model_dialog_layout(int screen_width, int screen_height,
                                      const ModelDialogSizes& sizes);

// Runs the dialog to completion on the main routine's thread: closes open secondary windows,
// disables the main window, shows the radio groups with the current selection and the check
// boxes of the fit method and the baseline's sign, waits for Close (the button, Return or
// Escape) and reads the selection back into shell.model_flags, shell.fit_method,
// shell.baseline_free and shell.shown.imdlno (the lowest selected model; unchanged if none). The
// dialog holds a slot of shell.windows while it is open. The main window is current and enabled
// again on return.
void model_lib(ShellState& shell);

// Closes every window registered in slots 1..255 of the secondary-window table and frees the
// slots.
void close_secondary_windows(plot::PlotWindows& windows);

}  // namespace velmor::app
