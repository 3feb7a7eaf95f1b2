// SPDX-License-Identifier: MIT

#include "gui/platform/program_end.h"

#include <atomic>
#include <mutex>
#include <thread>

#include "gui/platform/gui_thread.h"
#include "gui/platform/window_registry.h"
#include "gui/platform/window_widget.h"

namespace wintk::platform {
namespace {

struct ProgramEnd {
  std::atomic<bool> ending{false};
  std::atomic<std::thread::id> main_routine{};
  std::mutex callback_mutex;  // guards callback
  Callback callback;
};

ProgramEnd& program_end() {
  static ProgramEnd instance;
  return instance;
}

}  // namespace

void set_main_routine_thread() {
  program_end().main_routine = std::this_thread::get_id();
}

void request_program_end() {
  auto& end = program_end();
  if (end.ending.exchange(true)) return;
  for (const auto& window : all_windows()) {
    if (window->widget) window->widget->hide();
    window->idle.signal();
  }
  std::thread([] {
    std::this_thread::sleep_for(kProgramEndGrace);
    end_process(0);
  }).detach();
}

bool program_ending() {
  return program_end().ending;
}

void end_if_program_ending() {
  auto& end = program_end();
  if (!end.ending || end.main_routine.load() != std::this_thread::get_id()) return;
  Callback callback;
  {
    const std::lock_guard lock(end.callback_mutex);
    callback = std::move(end.callback);
  }
  if (callback) callback();
  end_process(0);
}

}  // namespace wintk::platform

namespace wintk {

void setprogramendcallback(Callback callback) {
  auto& end = platform::program_end();
  const std::lock_guard lock(end.callback_mutex);
  end.callback = std::move(callback);
}

}  // namespace wintk
