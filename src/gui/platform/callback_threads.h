// SPDX-License-Identifier: MIT

#pragma once

#include <chrono>
#include <memory>

#include "gui/wintk.h"

namespace wintk::platform {

struct WindowRecord;

// Runs a menu or control callback on a new thread whose id is in the window's thread list for
// as long as the callback runs (getsignallingwindow relies on it). Called on the GUI thread;
// does not wait for the callback.
void start_callback_thread(const std::shared_ptr<WindowRecord>& window, Callback callback);

// Waits up to the time-out for every callback thread to end and joins those that did; the rest
// are detached (they were started by the user and must not hold up the end of the program).
void finish_callback_threads(std::chrono::milliseconds timeout);

}  // namespace wintk::platform
