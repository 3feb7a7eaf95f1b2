// SPDX-License-Identifier: MIT

#pragma once

// Test seam: user actions and screen state that a test cannot otherwise produce or see under the
// offscreen platform. Each action goes through the same path as the user's (a triggered menu
// action, a clicked button, a close request), so callbacks run on their own threads as usual.

#include <string>

#include "gui/pixel_buffer.h"

namespace wintk::test_input {

// Triggers menu item `item` of window `window` as a click would. Returns at once; the callback
// runs on its own thread. False for an unknown window or item.
bool trigger_menu_item(int window, int item);
// Clicks a button, radio button or check box of the current window.
bool click_control(int control);
// Types the text into a text box of the current window, key by key, as the keyboard would.
bool type_text(int control, const std::string& text);
// Presses a key combination ("Ctrl+Z", "Ctrl+A") in a text box of the current window.
bool press_keys(int control, const std::string& keys);
// The text on the clipboard.
std::string clipboard_text();
// Presses Enter in a single-line text box of the current window.
bool press_enter(int control);
// Asks the window to close as its title-bar button would (system-close callback first). Returns
// after the request was handled; false if the window does not exist.
bool request_user_close(int window);

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
bool control_enabled(int control);
bool control_visible(int control);
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

// How often the window's client area has been painted on the screen so far.
int paint_count(int window);

// Returns after the GUI thread has handled every request posted before the call.
void flush_gui_events();

}  // namespace wintk::test_input
