// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

// What the test seam (test_input.h, in the test-only library) asks of the toolkit's windows. The
// program installs no hook, so the toolkit's own code never depends on the seam.
namespace wintk::platform {

// Called on the GUI thread whenever a toolkit window is shown.
using WindowShownHook = void (*)(QWidget& window);

// Installs (or with nullptr removes) the hook; any thread.
void set_window_shown_hook(WindowShownHook hook);

// Called by a toolkit window when it is shown: runs the installed hook, if any. GUI thread.
void on_window_shown(QWidget& window);

}  // namespace wintk::platform
