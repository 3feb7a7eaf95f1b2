// SPDX-License-Identifier: MIT

#include "gui/platform/test_hooks.h"

#include <atomic>

namespace wintk::platform {
namespace {

// A plain function pointer, set by a test thread and read by the GUI thread.
std::atomic<WindowShownHook> window_shown_hook{nullptr};

}  // namespace

void set_window_shown_hook(WindowShownHook hook) {
  window_shown_hook.store(hook);
}

void on_window_shown(QWidget& window) {
  if (const WindowShownHook hook = window_shown_hook.load()) hook(window);
}

}  // namespace wintk::platform
