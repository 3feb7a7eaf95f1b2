// SPDX-License-Identifier: MIT

#pragma once

// Test seam: user actions and screen state that a test cannot otherwise produce or see under the
// offscreen platform. Each action goes through the same path as the user's (a triggered menu
// action, a clicked button, a close request), so callbacks run on their own threads as usual.

#include <functional>
#include <string>
#include <vector>

#include "gui/pixel_buffer.h"

namespace wintk::test_input {

// Triggers menu item `item` of window `window` as a click would. Returns at once; the callback
// runs on its own thread. False for an unknown window or item.
bool trigger_menu_item(int window, int item);
// The control operations below act on the window in front: the one most recently made current
// by any thread (the user's clicks reach what is in front).
// Clicks a button, radio button or check box of the window in front.
bool click_control(int control);
// Types the text into a text box of the window in front, key by key, as the keyboard would.
bool type_text(int control, const std::string& text);
// Presses a key combination ("Ctrl+Z", "Ctrl+A") in a text box of the window in front.
bool press_keys(int control, const std::string& keys);
// The text on the clipboard.
std::string clipboard_text();
// Presses Enter in a single-line text box of the window in front.
bool press_enter(int control);
// Asks the window to close as its title-bar button would (system-close callback first). Returns
// after the request was handled; false if the window does not exist.
bool request_user_close(int window);
// From now on every window shown with the caption `title` is asked to close, as its title-bar
// button would, at the first turn of the GUI thread's event loop after it was shown: the earliest
// moment a user's close can arrive. An empty title ends it.
void close_when_shown(const std::string& title);

struct Size {
  int width = 0;
  int height = 0;
};
// Resizes a resizable window, as dragging its border would, to that client size. False for an
// unknown window.
bool resize_client(int window, Size client);
// The client area's size as laid out by the platform, and the whole window's.
Size client_size(int window);
Size frame_size(int window);
bool has_caption(int window);
// Where the window stands on the screen: its frame (with the window manager's decorations, when
// the platform reports them) and its client area including the menu bar, in screen pixels.
struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
Rect frame_geometry(int window);
Rect window_geometry(int window);
// The usable area of the screen the window is on.
Rect screen_geometry(int window);
// True once the platform has really shown the window (mapped and exposed by the window manager).
bool is_exposed(int window);
// The window this one stands above as its dialog (its transient parent), or -1.
int owner_of(int window);
// The platform's native handle of the window (the X11 window id under xcb).
unsigned long native_handle(int window);
bool is_resizable(int window);
bool menu_item_enabled(int window, int item);
// True when the window's menu bar is wide enough for every entry (none behind an overflow
// button).
bool menu_bar_shows_every_entry(int window);
bool control_enabled(int control);
bool control_visible(int control);
// Where a control of the window in front stands in its client area.
Rect control_geometry(int control);
// The controls of the window in front in the order Tab moves the focus through them, from the
// first that takes the focus.
std::vector<int> tab_order();
// What the screen shows of the client area (the platform's backing store), as last painted;
// with whole_window the menu bar is included.
PixelBuffer grab_screen(int window, bool whole_window = false);
// The modal dialog shown by the toolkit (message box, file or print dialog), if one is open: its
// title, and for a message box the width of its text and of the text's longest line.
struct ModalDialog {
  bool open = false;
  std::string title;
  int text_width = 0;
  int longest_line_width = 0;
};
ModalDialog modal_dialog();
// Dismisses the open modal dialog as Escape would (OK for a message box, Cancel otherwise).
bool dismiss_modal_dialog();

// Runs fn with the window as the calling thread's current one, without bringing it to the front
// (a test reading a dialog's controls while the program works on).
void as_current(int window, const std::function<void()>& fn);

// How many toolkit operations were ignored because their thread had no current window (or its
// window had gone) since the program started.
int windowless_calls();

// How often the window's client area has been painted on the screen so far.
int paint_count(int window);

// Returns after the GUI thread has handled every request posted before the call.
void flush_gui_events();

}  // namespace wintk::test_input
