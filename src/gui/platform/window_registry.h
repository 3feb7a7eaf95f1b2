// SPDX-License-Identifier: MIT

#pragma once

#include <memory>
#include <vector>

#include "gui/platform/window_record.h"

// The process-wide window table, and the current window of each thread. Ids are indices, handed
// out in creation order and never reused; a closed window's slot is emptied.
namespace wintk::platform {

// Appends the record and returns its id.
int register_window(std::shared_ptr<WindowRecord> record);
// The open window with that id, or null (out of range, slot empty or destroyed by the user).
std::shared_ptr<WindowRecord> find_window(int id);
// Empties the slot and returns what it held (possibly null).
std::shared_ptr<WindowRecord> take_window(int id);
// Every record still in the table, in id order.
std::vector<std::shared_ptr<WindowRecord>> all_windows();

// The calling thread's current window. Every thread has its own: a thread that has chosen none
// has kNoWindow, a callback thread starts with the window whose menu or control started it, and
// work the GUI thread does for a caller (call_on_gui_thread) sees the caller's.
int current_window_id();
void set_current_window_id(int id);

// Makes a window the calling thread's current one for a scope, then restores the previous one.
class ScopedCurrentWindow {
 public:
  explicit ScopedCurrentWindow(int id);
  ~ScopedCurrentWindow();
  ScopedCurrentWindow(const ScopedCurrentWindow&) = delete;
  ScopedCurrentWindow& operator=(const ScopedCurrentWindow&) = delete;

 private:
  int previous_;
};

// The window most recently made current by any thread (initwindow, setcurrentwindow): the one
// the user sees in front. Only the test seam acts on it.
int front_window_id();

// The calling thread's current window, or null when it has none (or it has gone): the
// operation that asked is then ignored and the miss counted (windowless_calls).
std::shared_ptr<WindowRecord> current_window();

// How many operations were ignored for want of a current window since the program started.
int windowless_calls();

}  // namespace wintk::platform
