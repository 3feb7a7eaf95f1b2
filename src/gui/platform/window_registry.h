// SPDX-License-Identifier: MIT

#pragma once

#include <memory>
#include <vector>

#include "gui/platform/window_record.h"

// The process-wide window table and current window. Ids are indices, handed out in creation
// order and never reused; a closed window's slot is emptied.
namespace wintk::platform {

// Appends the record and returns its id.
int register_window(std::shared_ptr<WindowRecord> record);
// The open window with that id, or null (out of range, slot empty or destroyed by the user).
std::shared_ptr<WindowRecord> find_window(int id);
// Empties the slot and returns what it held (possibly null).
std::shared_ptr<WindowRecord> take_window(int id);
// Every record still in the table, in id order.
std::vector<std::shared_ptr<WindowRecord>> all_windows();

int current_window_id();
void set_current_window_id(int id);
// The current window; with none, shows the no-current-window error and ends the program.
std::shared_ptr<WindowRecord> current_window();

// Shows the no-current-window error box and ends the process.
[[noreturn]] void no_current_window();

}  // namespace wintk::platform
