// SPDX-License-Identifier: MIT
// Menus of a window. Menu and item tables live on the GUI thread only.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "gui/platform/callback_threads.h"
#include "gui/platform/gui_thread.h"
#include "gui/platform/platform_api.h"
#include "gui/platform/screen_placement.h"
#include "gui/platform/window_registry.h"
#include "gui/platform/window_widget.h"

namespace wintk::platform {
namespace {

// The item's callback, looked up when the command arrives (GUI thread).
void run_item(const std::shared_ptr<WindowRecord>& window, int item) {
  if (item < 0 || item >= static_cast<int>(window->item_callbacks.size())) return;
  const Callback& callback = window->item_callbacks[static_cast<std::size_t>(item)];
  if (callback) start_callback_thread(window, callback);
}

}  // namespace

int addmenu(const std::string& title, int parent) {
  const auto window = current_window();
  int result = -2;
  call_on_gui_thread([&] {
    WindowWidget* widget = window->widget;
    if (!widget) return;
    if (parent == -1) {
      if (window->has_menu_bar) return;
      auto* bar = make_child<QMenuBar>(widget);
      const QSize client = widget->client()->size();
      widget->setMenuBar(bar);
      window->has_menu_bar = true;
      window->menus.push_back({bar, nullptr});
      // A fixed-size window follows its client area by itself; a resizable one is grown here.
      if (window->resizable) {
        widget->resize(client.width(), client.height() + bar->sizeHint().height());
      }
      // The window grew by the bar: its bottom must not slip off the screen.
      keep_on_screen(*widget);
    } else {
      if (parent < 0 || parent >= static_cast<int>(window->menus.size())) return;
      const MenuEntry& owner = window->menus[static_cast<std::size_t>(parent)];
      const QString text = QString::fromStdString(title);
      QMenu* menu = owner.bar ? owner.bar->addMenu(text) : owner.menu->addMenu(text);
      window->menus.push_back({nullptr, menu});
    }
    result = static_cast<int>(window->menus.size()) - 1;
  });
  return result;
}

int addmenuitem(const std::optional<std::string>& title, int menu, Callback callback) {
  const auto window = current_window();
  int result = -2;
  call_on_gui_thread([&] {
    if (menu < 0 || menu >= static_cast<int>(window->menus.size())) return;
    const MenuEntry& entry = window->menus[static_cast<std::size_t>(menu)];
    const int item = static_cast<int>(window->items.size());
    QAction* action = nullptr;
    if (!title && !callback) {
      action = entry.bar ? entry.bar->addSeparator() : entry.menu->addSeparator();
    } else if (title && callback) {
      const QString text = QString::fromStdString(*title);
      action = entry.bar ? entry.bar->addAction(text) : entry.menu->addAction(text);
      QObject::connect(action, &QAction::triggered, action,
                       [weak = std::weak_ptr<WindowRecord>(window), item] {
                         if (const auto owner = weak.lock()) run_item(owner, item);
                       });
    }
    window->items.emplace_back(action);
    window->item_callbacks.push_back(title ? std::move(callback) : Callback{});
    result = action ? item : -2;
  });
  return result;
}

}  // namespace wintk::platform

namespace wintk {

void enablemenuitem(int item, bool flag) {
  const auto window = platform::current_window();
  platform::call_on_gui_thread([&] {
    if (item < 0 || item >= static_cast<int>(window->items.size())) return;
    if (QAction* action = window->items[static_cast<std::size_t>(item)]) action->setEnabled(flag);
  });
}

}  // namespace wintk
