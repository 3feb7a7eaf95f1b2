// SPDX-License-Identifier: MIT

#pragma once

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gui/idle_event.h"
#include "gui/wintk.h"

class QAbstractButton;
class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace wintk::platform {

class WindowWidget;

// Drawing state of a window, guarded by WindowRecord::draw_mutex.
struct DrawState {
  int colour = 0xFFFFFF;
  int bkcolour = 0x000000;
  int fill_pattern = 1;
  int fill_colour = 0xFFFFFF;
  int line_thickness = 1;
  ViewSettings viewport;  // right/bottom set to the client size at creation
  int cp_x = 0;           // current position, viewport coordinates
  int cp_y = 0;
  int font = 0;
  int direction = 0;
  int size = 12;
  QFont qfont;
  int hjustify = 0;
  int vjustify = 2;
  int transparency = 0;
  int graph_result = 0;
};

// A control of a window. kind says which of the window's control tables (buttons, radio
// buttons, check boxes, text boxes, multi-line text boxes) it belongs to.
enum class ControlKind { kButton, kRadioButton, kCheckBox, kTextBox, kMultiLineTextBox };

struct ControlEntry {
  ControlKind kind = ControlKind::kButton;
  QPointer<QWidget> widget;  // null when creation failed
  Callback callback;         // click, or Enter for a single-line text box
  long long text_limit = 0;  // text boxes, in characters (a line break counts two)
  int radio_group = 0;       // radio buttons: the group number
};

struct MenuEntry {
  QMenuBar* bar = nullptr;  // exactly one of the two is set
  QMenu* menu = nullptr;
};

// Everything the toolkit keeps about one window. Shared (shared_ptr) between the window table,
// the widget and queued repaint requests, so it outlives whichever goes first.
struct WindowRecord {
  int id = -1;

  // Any thread.
  std::atomic<bool> alive{false};  // the native window exists
  std::atomic<int> width{0};       // client size, updated on resize
  std::atomic<int> height{0};
  std::atomic<bool> close_ends_program{true};
  std::atomic<int> paints{0};  // times the client area was painted (read by the test seam)
  IdleEvent idle;

  std::mutex threads_mutex;  // guards threads
  // The creating thread, the GUI thread and every running callback thread of this window.
  std::vector<std::thread::id> threads;

  // Pages and drawing state: any thread, under draw_mutex. The paint handler copies from the
  // visual page under the same lock. Never wait for the GUI thread while holding it.
  std::mutex draw_mutex;
  std::array<QImage, 4> pages;
  int active_page = 0;
  int visual_page = 0;
  bool refreshing = true;
  bool double_buffer = false;
  // What was drawn on the visual page without being put on the screen yet (refreshing off, or
  // drawn on another page that became visual without a repaint): refreshall shows it.
  QRect unshown;
  DrawState state;

  // GUI thread only.
  QPointer<WindowWidget> widget;
  int owner = -1;  // the window this one is a dialog of (initwindow), -1 for none
  std::string title;
  Callback close_callback;
  SystemCloseCallback system_close_callback;
  Callback resize_callback;
  bool resizable = false;
  bool dialog_keys = false;
  std::vector<MenuEntry> menus;
  bool has_menu_bar = false;
  std::vector<QPointer<QAction>> items;  // by item id; null for an id used up by a refusal
  std::vector<Callback> item_callbacks;
  std::vector<ControlEntry> controls;  // by control id
  // Pressed by Return (or Enter) and by Escape wherever the focus is in the window.
  QPointer<QAbstractButton> default_button;
  QPointer<QAbstractButton> cancel_button;
  bool begin_radio_group = true;  // the next radio button starts a new group
  int radio_group_count = 0;
};

}  // namespace wintk::platform
