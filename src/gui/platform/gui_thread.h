// SPDX-License-Identifier: MIT

#pragma once

#include <functional>
#include <memory>

// The GUI thread is the process main thread running QApplication's event loop. Everything that
// touches a QWidget happens there; other threads hand work to it through these calls.
namespace wintk::platform {

bool is_gui_thread();
// True while the event loop of run_application runs.
bool gui_running();

// Runs fn on the GUI thread and returns when it is done. Called on the GUI thread it runs fn
// directly (a blocking queued call to itself would deadlock). Without a running event loop fn is
// not run and false is returned.
bool call_on_gui_thread(const std::function<void()>& fn);

// Queues fn for the GUI thread and returns at once (a repaint request, for instance).
void post_to_gui_thread(std::function<void()> fn);

// Ends the process at once with the given code: the files a run was still writing (its report
// lock, temporary files: util/unfinished_files.h) are removed, C streams are flushed, static
// destructors are not run (other threads may still be running).
[[noreturn]] void end_process(int code);

// Creates a Qt child object owned by its Qt parent (the parent deletes it).
template <typename T, typename... Args>
T* make_child(Args&&... args) {
  return std::make_unique<T>(std::forward<Args>(args)...).release();
}

}  // namespace wintk::platform
