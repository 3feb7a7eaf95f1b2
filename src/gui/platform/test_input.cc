// SPDX-License-Identifier: MIT
// The test seam's user actions and screen reads, carried out on the GUI thread.
#include "gui/test_input.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "gui/platform/gui_thread.h"
#include "gui/platform/test_hooks.h"
#include "gui/platform/window_registry.h"
#include "gui/platform/window_widget.h"

namespace wintk::test_input {

using namespace platform;

namespace {

// The window in front, which the user's clicks reach. It can be gone for a moment while the
// program changes windows (a plot window has closed and the main window is not in front again
// yet); a test's click in that moment waits for it.
std::shared_ptr<WindowRecord> current_window_when_there_is_one() {
  constexpr int kPolls = 500;
  for (int poll = 0; poll < kPolls; ++poll) {
    if (auto window = find_window(front_window_id())) return window;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return nullptr;
}

// Runs fn(entry) for a control of the current window; false when there is no such control.
template <typename Fn>
bool on_control(int control, Fn&& fn) {
  const auto window = current_window_when_there_is_one();
  if (!window) return false;
  bool found = false;
  call_on_gui_thread([&] {
    if (control < 0 || control >= static_cast<int>(window->controls.size())) return;
    ControlEntry& entry = window->controls[static_cast<std::size_t>(control)];
    if (!entry.widget) return;
    found = true;
    fn(entry);
  });
  return found;
}

template <typename Fn>
auto on_window(int id, Fn&& fn) {
  const auto window = find_window(id);
  decltype(fn(std::declval<WindowWidget&>())) result{};
  if (!window) return result;
  call_on_gui_thread([&] {
    if (window->widget) {
      if (QLayout* layout = window->widget->layout()) layout->activate();
      result = fn(*window->widget);
    }
  });
  return result;
}

}  // namespace

bool trigger_menu_item(int window_id, int item) {
  const auto window = find_window(window_id);
  if (!window) return false;
  bool found = false;
  call_on_gui_thread([&] {
    if (item < 0 || item >= static_cast<int>(window->items.size())) return;
    QAction* action = window->items[static_cast<std::size_t>(item)];
    if (!action || !action->isEnabled()) return;
    found = true;
    action->trigger();
  });
  return found;
}

bool click_control(int control) {
  return on_control(control, [](ControlEntry& entry) {
    if (auto* button = qobject_cast<QAbstractButton*>(entry.widget)) button->click();
  });
}

namespace {
void send_key(QWidget& widget, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
  widget.setFocus();
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(&widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(&widget, &release);
}
}  // namespace

bool type_text(int control, const std::string& text) {
  return on_control(control, [&](ControlEntry& entry) {
    for (const QChar c : QString::fromStdString(text)) {
      send_key(*entry.widget, c.toUpper().unicode(), Qt::NoModifier, QString(c));
    }
  });
}

bool press_keys(int control, const std::string& keys) {
  return on_control(control, [&](ControlEntry& entry) {
    const QKeySequence sequence(QString::fromStdString(keys));
    for (int i = 0; i < sequence.count(); ++i) {
      const QKeyCombination combination = sequence[i];
      send_key(*entry.widget, combination.key(), combination.keyboardModifiers(), QString());
    }
  });
}

std::string clipboard_text() {
  std::string text;
  call_on_gui_thread([&] { text = QGuiApplication::clipboard()->text().toStdString(); });
  return text;
}

bool press_enter(int control) {
  return on_control(control, [](ControlEntry& entry) {
    if (auto* line = qobject_cast<QLineEdit*>(entry.widget)) emit line->returnPressed();
  });
}

bool request_user_close(int id) {
  return on_window(id, [](WindowWidget& widget) {
    widget.close();
    return true;
  });
}

namespace {

struct CloseWhenShown {
  std::mutex mutex;  // guards title
  QString title;
};

CloseWhenShown& close_when_shown_setting() {
  static CloseWhenShown instance;
  return instance;
}

// Closes a window the moment it is shown when its title is the one asked for.
void close_if_titled(QWidget& window) {
  auto& setting = close_when_shown_setting();
  {
    const std::lock_guard lock(setting.mutex);
    if (setting.title.isEmpty() || window.windowTitle() != setting.title) return;
  }
  QMetaObject::invokeMethod(
      &window, [&window] { window.close(); }, Qt::QueuedConnection);
}

}  // namespace

void close_when_shown(const std::string& title) {
  auto& setting = close_when_shown_setting();
  {
    const std::lock_guard lock(setting.mutex);
    setting.title = QString::fromStdString(title);
  }
  platform::set_window_shown_hook(title.empty() ? nullptr : &close_if_titled);
}

bool resize_client(int id, Size client) {
  return on_window(id, [client](WindowWidget& widget) {
    widget.resize(widget.size() + QSize(client.width, client.height) - widget.client()->size());
    if (QLayout* layout = widget.layout()) layout->activate();
    return true;
  });
}

Size client_size(int id) {
  return on_window(id, [](WindowWidget& widget) {
    return Size{widget.client()->width(), widget.client()->height()};
  });
}

Size frame_size(int id) {
  return on_window(id, [](WindowWidget& widget) { return Size{widget.width(), widget.height()}; });
}

bool has_caption(int id) {
  return on_window(
      id, [](WindowWidget& widget) { return !(widget.windowFlags() & Qt::FramelessWindowHint); });
}

namespace {
Rect to_rect(const QRect& r) {
  return Rect{r.x(), r.y(), r.width(), r.height()};
}
}  // namespace

Rect frame_geometry(int id) {
  return on_window(id, [](WindowWidget& widget) { return to_rect(widget.frameGeometry()); });
}

Rect window_geometry(int id) {
  return on_window(id, [](WindowWidget& widget) { return to_rect(widget.geometry()); });
}

Rect screen_geometry(int id) {
  return on_window(id, [](WindowWidget& widget) {
    return widget.screen() ? to_rect(widget.screen()->availableGeometry()) : Rect{};
  });
}

bool is_exposed(int id) {
  return on_window(id, [](WindowWidget& widget) {
    return widget.windowHandle() && widget.windowHandle()->isExposed();
  });
}

int owner_of(int id) {
  const auto window = find_window(id);
  int owner = -1;
  if (!window) return owner;
  call_on_gui_thread([&] {
    const QWindow* parent = window->widget && window->widget->windowHandle()
                                ? window->widget->windowHandle()->transientParent()
                                : nullptr;
    for (const auto& other : all_windows()) {
      if (parent && other->widget && other->widget->windowHandle() == parent) owner = other->id;
    }
  });
  return owner;
}

unsigned long native_handle(int id) {
  return on_window(id,
                   [](WindowWidget& widget) { return static_cast<unsigned long>(widget.winId()); });
}

bool is_resizable(int id) {
  return on_window(
      id, [](WindowWidget& widget) { return widget.minimumSize() != widget.maximumSize(); });
}

bool menu_item_enabled(int window_id, int item) {
  const auto window = find_window(window_id);
  bool enabled = false;
  if (!window) return false;
  call_on_gui_thread([&] {
    if (item < 0 || item >= static_cast<int>(window->items.size())) return;
    if (QAction* action = window->items[static_cast<std::size_t>(item)]) {
      enabled = action->isEnabled();
    }
  });
  return enabled;
}

bool menu_bar_shows_every_entry(int id) {
  return on_window(id, [](WindowWidget& widget) {
    const QWidget* bar = widget.menuWidget();
    return bar && bar->width() >= bar->sizeHint().width();
  });
}

bool control_enabled(int control) {
  bool enabled = false;
  on_control(control, [&](ControlEntry& entry) { enabled = entry.widget->isEnabled(); });
  return enabled;
}

bool control_visible(int control) {
  bool visible = false;
  on_control(control, [&](ControlEntry& entry) { visible = entry.widget->isVisible(); });
  return visible;
}

Rect control_geometry(int control) {
  Rect r;
  on_control(control, [&](ControlEntry& entry) { r = to_rect(entry.widget->geometry()); });
  return r;
}

std::vector<int> tab_order() {
  std::vector<int> order;
  const auto window = current_window_when_there_is_one();
  if (!window) return order;
  call_on_gui_thread([&] {
    const auto id_of = [&](const QWidget* widget) {
      for (std::size_t i = 0; i < window->controls.size(); ++i) {
        if (window->controls[i].widget == widget) return static_cast<int>(i);
      }
      return -1;
    };
    const QWidget* first = nullptr;
    for (const ControlEntry& entry : window->controls) {
      if (entry.widget && (entry.widget->focusPolicy() & Qt::TabFocus)) {
        first = entry.widget;
        break;
      }
    }
    for (const QWidget* widget = first; widget;) {
      if (const int id = id_of(widget); id >= 0 && (widget->focusPolicy() & Qt::TabFocus)) {
        order.push_back(id);
      }
      widget = widget->nextInFocusChain();
      if (widget == first) break;
    }
  });
  return order;
}

PixelBuffer grab_screen(int id, bool whole_window) {
  return on_window(id, [whole_window](WindowWidget& widget) {
    PixelBuffer out;
    QApplication::processEvents();  // let pending paints reach the screen first
    QScreen* screen = widget.screen();
    if (!screen) return out;
    const QWidget* area = whole_window ? static_cast<QWidget*>(&widget) : widget.client();
    const QPoint origin = area->mapTo(&widget, QPoint(0, 0));
    const QImage image =
        screen->grabWindow(widget.winId(), origin.x(), origin.y(), area->width(), area->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    out.width = image.width();
    out.height = image.height();
    out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
    for (int y = 0; y < out.height; ++y) {
      for (int x = 0; x < out.width; ++x) {
        const QRgb p = image.pixel(x, y);
        out.pixels[static_cast<std::size_t>(y) * out.width + x] =
            static_cast<std::uint32_t>(qRed(p) | (qGreen(p) << 8) | (qBlue(p) << 16));
      }
    }
    return out;
  });
}

ModalDialog modal_dialog() {
  ModalDialog info;
  call_on_gui_thread([&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog || !dialog->isVisible()) return;
    info.open = true;
    info.title = dialog->windowTitle().toStdString();
    if (const auto* label = dialog->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
      info.text_width = label->width();
      const QFontMetrics metrics(label->font());
      for (const QString& line : label->text().split(QLatin1Char('\n'))) {
        info.longest_line_width =
            std::max(info.longest_line_width, metrics.horizontalAdvance(line));
      }
    }
  });
  return info;
}

bool dismiss_modal_dialog() {
  bool dismissed = false;
  call_on_gui_thread([&] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      dialog->reject();
      dismissed = true;
    }
  });
  return dismissed;
}

void as_current(int window, const std::function<void()>& fn) {
  const ScopedCurrentWindow current(window);
  fn();
}

int windowless_calls() {
  return platform::windowless_calls();
}

int paint_count(int id) {
  const auto window = find_window(id);
  return window ? window->paints.load() : 0;
}

void flush_gui_events() {
  call_on_gui_thread([] { QCoreApplication::sendPostedEvents(); });
}

}  // namespace wintk::test_input
