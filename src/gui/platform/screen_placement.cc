// SPDX-License-Identifier: MIT

#include "gui/platform/screen_placement.h"

#include <QApplication>
#include <QLayout>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "gui/platform/window_registry.h"
#include "gui/platform/window_widget.h"

namespace wintk::platform {
namespace {

// The frame the window manager is expected to put around a captioned window before it has
// done so: the style's caption and frame widths, but no less than a common desktop's.
QMargins expected_frame(const QWidget& window) {
  if (window.windowFlags() & Qt::FramelessWindowHint) return {};
  if (const QWindow* handle = window.windowHandle()) {
    const QMargins known = handle->frameMargins();
    if (!known.isNull()) return known;
  }
  constexpr int kMinCaption = 30;
  constexpr int kMinBorder = 4;
  const QStyle* style = QApplication::style();
  const int border = std::max(style->pixelMetric(QStyle::PM_DefaultFrameWidth), kMinBorder);
  const int caption = std::max(style->pixelMetric(QStyle::PM_TitleBarHeight), kMinCaption);
  return {border, caption + border, border, border};
}

// The window's outer size, frame included, as laid out now.
QSize outer_size(QWidget& window) {
  if (QLayout* layout = window.layout()) layout->activate();
  return window.size().grownBy(expected_frame(window));
}

// The frame's top-left corner that keeps a window of that outer size inside the area.
QPoint inside(const QRect& area, QPoint corner, QSize outer) {
  corner.setX(std::max(area.left(), std::min(corner.x(), area.right() + 1 - outer.width())));
  corner.setY(std::max(area.top(), std::min(corner.y(), area.bottom() + 1 - outer.height())));
  return corner;
}

}  // namespace

QScreen* current_screen() {
  if (const auto window = find_window(current_window_id()); window && window->widget) {
    if (QScreen* screen = window->widget->screen()) return screen;
  }
  return QGuiApplication::primaryScreen();
}

QRect usable_area(const QScreen* screen) {
  return screen ? screen->availableGeometry() : QRect();
}

void place_new_window(QWidget& window, std::optional<QPoint> requested) {
  QScreen* screen = requested ? QGuiApplication::screenAt(*requested) : nullptr;
  if (!screen) screen = current_screen();
  const QRect area = usable_area(screen);
  if (area.isEmpty()) {
    if (requested) window.move(*requested);
    return;
  }
  const QSize outer = outer_size(window);
  const QPoint corner = requested ? *requested
                                  : area.topLeft() + QPoint((area.width() - outer.width()) / 2,
                                                            (area.height() - outer.height()) / 2);
  window.move(inside(area, corner, outer));
}

void keep_on_screen(QWidget& window) {
  const QRect area = usable_area(window.screen());
  if (area.isEmpty()) return;
  // pos() is the frame's corner once the frame is known, the client's before; move() takes
  // the same corner.
  const QPoint corner = inside(area, window.pos(), outer_size(window));
  if (corner != window.pos()) window.move(corner);
}

}  // namespace wintk::platform
