// SPDX-License-Identifier: MIT

#pragma once

#include <QPoint>
#include <QRect>
#include <optional>

class QScreen;
class QWidget;

// Where windows go on the screens: the screen a window belongs to, the area usable on it, and
// placing windows so that the whole window, frame included, stays on that screen. GUI thread.
namespace wintk::platform {

// The screen of the current window, or the primary screen when there is none; may be null
// (no screen at all).
QScreen* current_screen();

// The screen's area not taken by panels; empty without a screen.
QRect usable_area(const QScreen* screen);

// Moves a new window to `requested` (its frame's top-left corner), or centres it on the current
// window's screen when no position is requested, and then pulls it inside that screen's usable
// area as far as it fits.
void place_new_window(QWidget& window, std::optional<QPoint> requested);

// Moves the window back inside the usable area of its screen (after it grew, or once the window
// manager has framed it). A window larger than the area keeps its top-left corner on the area.
void keep_on_screen(QWidget& window);

}  // namespace wintk::platform
