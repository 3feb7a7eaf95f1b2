// SPDX-License-Identifier: MIT

#pragma once

#include <QRect>
#include <memory>

#include "gui/platform/window_record.h"

namespace wintk::platform {

// Asks the GUI thread to repaint the rectangle (client coordinates) from the visual page.
// Does not wait; callable from any thread, but never while holding the draw lock is required.
void request_repaint(const std::shared_ptr<WindowRecord>& window, const QRect& rect);
void request_full_repaint(const std::shared_ptr<WindowRecord>& window);

}  // namespace wintk::platform
