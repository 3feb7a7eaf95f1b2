// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

// What the test seam (test_input.h) asks of the toolkit's windows. GUI thread.
namespace wintk::platform {

// Called when a toolkit window is shown: asks it to close at once if a test wants that.
void on_window_shown(QWidget& window);

}  // namespace wintk::platform
