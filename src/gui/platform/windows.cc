// SPDX-License-Identifier: MIT
// Window operations, pages and the idle wait.
#include <QApplication>
#include <QLayout>
#include <QScreen>
#include <QStyle>
#include <QWindow>
#include <algorithm>

#include "gui/dpi.h"
#include "gui/platform/fonts.h"
#include "gui/platform/gui_thread.h"
#include "gui/platform/platform_api.h"
#include "gui/platform/repaint.h"
#include "gui/platform/screen_placement.h"
#include "gui/platform/window_registry.h"
#include "gui/platform/window_widget.h"

namespace wintk::platform {
namespace {

// The larger of the primary screen and the virtual desktop. GUI thread.
QSize screen_extent() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {};
  return screen->size().expandedTo(screen->virtualSize());
}

// Frame metrics used for the largest client area whose window fits the screen. GUI thread.
int frame_border() {
  return QApplication::style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
}
int caption_height() {
  return QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
}

// The headless platform has no stacking order and warns on every attempt to change it.
void bring_to_front(QWidget& widget) {
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
  widget.raise();
  widget.activateWindow();
}

}  // namespace

void request_repaint(const std::shared_ptr<WindowRecord>& window, const QRect& rect) {
  post_to_gui_thread([window, rect] {
    if (window->widget) window->widget->client()->update(rect);
  });
}

void request_full_repaint(const std::shared_ptr<WindowRecord>& window) {
  post_to_gui_thread([window] {
    if (window->widget) window->widget->client()->update();
  });
}

int initwindow(int width, int height, const std::string& title, int left, int top,
               bool double_buffer, bool close_ends_program, int owner) {
  if (width < 1 || height < 1) return -1;
  auto record = std::make_shared<WindowRecord>();
  record->threads.push_back(std::this_thread::get_id());
  record->title = title;
  record->width = width;
  record->height = height;
  record->double_buffer = double_buffer;
  record->close_ends_program = close_ends_program;
  record->state.viewport = {0, 0, width, height, false};
  record->state.qfont = make_font(0, record->state.size);
  const auto owner_record = find_window(owner);

  bool created = false;
  call_on_gui_thread([&] {
    {
      const std::lock_guard lock(record->threads_mutex);
      record->threads.push_back(std::this_thread::get_id());
    }
    // Pages are as large as the screen so that they never need reallocating on resize.
    const QSize page = QSize(width, height).expandedTo(screen_extent());
    for (auto& image : record->pages) {
      image = QImage(page, QImage::Format_RGB32);
      if (image.isNull()) return;
      image.fill(Qt::black);
    }
    // Owned by the Qt object tree of no parent: destroy_window_now or the close handler deletes
    // it (deleteLater); the record only watches it.
    auto* widget = std::make_unique<WindowWidget>(record, width, height, !title.empty()).release();
    widget->setWindowTitle(QString::fromStdString(title));
    const bool explicit_position = left != kDefaultPosition && top != kDefaultPosition;
    place_new_window(*widget,
                     explicit_position ? std::optional<QPoint>(QPoint(left, top)) : std::nullopt);
    record->widget = widget;
    record->alive = true;
    // The owner must be known before the window is shown: the platform hands it to the window
    // manager when it maps the window.
    if (owner_record && owner_record->widget && owner_record->widget->windowHandle()) {
      record->owner = owner;
      widget->winId();  // creates the platform window, which takes the transient parent
      widget->windowHandle()->setTransientParent(owner_record->widget->windowHandle());
    }
    widget->show();
    bring_to_front(*widget);
    created = true;
  });
  if (!created) {
    dlgmessage(3, "The window could not be created.");
    return -1;
  }
  const int id = register_window(record);
  set_current_window_id(id);
  return id;
}

void setwindowtitle(const std::string& title) {
  const auto window = current_window();
  call_on_gui_thread([&] {
    window->title = title;
    if (window->widget) window->widget->setWindowTitle(QString::fromStdString(title));
  });
}

}  // namespace wintk::platform

namespace wintk {

using namespace platform;

void closewindow(int id) {
  if (id == -2) {
    for (const auto& window : all_windows()) closewindow(window->id);
    return;
  }
  if (id == -1) id = current_window_id();
  const auto window = take_window(id);
  if (!window) return;
  if (current_window_id() == id) set_current_window_id(kNoWindow);
  call_on_gui_thread([&] { destroy_window_now(*window); });
}

void setcurrentwindow(int id) {
  const auto window = find_window(id);
  if (!window) return;
  set_current_window_id(id);
  call_on_gui_thread([&] {
    if (window->widget) bring_to_front(*window->widget);
  });
}

int getcurrentwindow() {
  return current_window_id();
}

bool isvalidwindow(int id) {
  return find_window(id) != nullptr;
}

void enablewindow(int id, int flag) {
  const auto window = find_window(id);
  if (!window) return;
  call_on_gui_thread([&] {
    if (window->widget) window->widget->setEnabled(flag == 1);
  });
}

int getsignallingwindow() {
  const auto me = std::this_thread::get_id();
  for (const auto& window : all_windows()) {
    if (!window->alive) continue;
    const std::lock_guard lock(window->threads_mutex);
    if (std::find(window->threads.begin(), window->threads.end(), me) != window->threads.end()) {
      return window->id;
    }
  }
  return -1;
}

void setwindowclosecallback(Callback callback) {
  const auto window = current_window();
  call_on_gui_thread([&] { window->close_callback = std::move(callback); });
}

void setwindowsystemclosecallback(SystemCloseCallback callback) {
  const auto window = current_window();
  call_on_gui_thread([&] { window->system_close_callback = std::move(callback); });
}

void enableresize(Callback callback) {
  const auto window = current_window();
  call_on_gui_thread([&] {
    window->resize_callback = std::move(callback);
    if (window->resizable || !window->widget) return;
    window->resizable = true;
    window->widget->make_resizable();
  });
}

void setdialoghotkeys(bool flag) {
  const auto window = current_window();
  call_on_gui_thread([&] { window->dialog_keys = flag; });
}

int getmaxx() {
  return current_window()->width - 1;
}
int getmaxy() {
  return current_window()->height - 1;
}

int getmaxwidth() {
  int result = 0;
  call_on_gui_thread([&] { result = usable_area(current_screen()).width() - 2 * frame_border(); });
  return result;
}

int getmaxheight() {
  int result = 0;
  call_on_gui_thread([&] {
    result = usable_area(current_screen()).height() - (caption_height() + 2 * frame_border());
  });
  return result;
}

// Qt 6 applications are always DPI-aware; nothing to declare.
void setapplicationdpiaware() {}

int getdpi() {
  int dpi = 96;
  call_on_gui_thread([&] {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      dpi = static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
    }
  });
  return dpi;
}

int scaledpi(int n) {
  return scale_for_dpi(n, getdpi());
}

int getactivepage() {
  const auto window = current_window();
  const std::lock_guard lock(window->draw_mutex);
  return window->active_page;
}

void setactivepage(int page) {
  const auto window = current_window();
  if (page < 0 || page > 3) return;
  const std::lock_guard lock(window->draw_mutex);
  window->active_page = page;
}

int getvisualpage() {
  const auto window = current_window();
  const std::lock_guard lock(window->draw_mutex);
  return window->visual_page;
}

void setvisualpage(int page) {
  const auto window = current_window();
  if (page < 0 || page > 3) return;
  {
    const std::lock_guard lock(window->draw_mutex);
    window->visual_page = page;
    window->unshown = QRect();  // the whole page is shown now
  }
  request_full_repaint(window);
}

void swapbuffers() {
  const auto window = current_window();
  {
    const std::lock_guard lock(window->draw_mutex);
    if (!window->double_buffer) return;
    window->visual_page = window->active_page;
    window->active_page = window->active_page == 0 ? 1 : 0;
    window->unshown = QRect();
  }
  request_full_repaint(window);
}

void setrefreshing(bool flag) {
  const auto window = current_window();
  const std::lock_guard lock(window->draw_mutex);
  window->refreshing = flag;
}

// Puts on the screen what was drawn on the visual page and not shown yet. The rest of the
// screen shows the page already (the platform repaints it by itself when it was covered), so a
// refresh with nothing new costs nothing: the command loop refreshes several hundred times a
// second while it waits.
void refreshall() {
  const auto window = current_window();
  QRect unshown;
  {
    const std::lock_guard lock(window->draw_mutex);
    if (window->active_page != window->visual_page) return;
    unshown = std::exchange(window->unshown, QRect());
  }
  if (!unshown.isEmpty()) request_repaint(window, unshown);
}

void startidle(int milliseconds) {
  current_window()->idle.wait_for(std::chrono::milliseconds(std::max(milliseconds, 0)));
}

void loop() {
  current_window()->idle.wait();
}

void stopidle() {
  current_window()->idle.signal();
}

void waitidle(int id, int milliseconds) {
  const auto window = find_window(id);
  if (!window) return;
  if (milliseconds < 0) {
    window->idle.wait();
  } else {
    window->idle.wait_for(std::chrono::milliseconds(milliseconds));
  }
}

void signalidle(int id) {
  if (const auto window = find_window(id)) window->idle.signal();
}

}  // namespace wintk
