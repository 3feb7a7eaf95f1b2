// SPDX-License-Identifier: MIT

#include "gui/platform/window_registry.h"

#include <cstdio>

#include "gui/platform/program_end.h"

namespace wintk::platform {
namespace {

struct Registry {
  std::mutex mutex;  // guards table
  std::vector<std::shared_ptr<WindowRecord>> table;
  std::atomic<int> front{kNoWindow};
  std::atomic<int> windowless{0};
};

Registry& registry() {
  static Registry instance;
  return instance;
}

thread_local int t_current_window = kNoWindow;

}  // namespace

int register_window(std::shared_ptr<WindowRecord> record) {
  auto& r = registry();
  const std::lock_guard lock(r.mutex);
  const int id = static_cast<int>(r.table.size());
  record->id = id;
  r.table.push_back(std::move(record));
  return id;
}

std::shared_ptr<WindowRecord> find_window(int id) {
  end_if_program_ending();
  auto& r = registry();
  const std::lock_guard lock(r.mutex);
  if (id < 0 || id >= static_cast<int>(r.table.size())) return nullptr;
  const auto& record = r.table[static_cast<std::size_t>(id)];
  return record && record->alive ? record : nullptr;
}

std::shared_ptr<WindowRecord> take_window(int id) {
  auto& r = registry();
  const std::lock_guard lock(r.mutex);
  if (id < 0 || id >= static_cast<int>(r.table.size())) return nullptr;
  return std::move(r.table[static_cast<std::size_t>(id)]);
}

std::vector<std::shared_ptr<WindowRecord>> all_windows() {
  auto& r = registry();
  const std::lock_guard lock(r.mutex);
  std::vector<std::shared_ptr<WindowRecord>> open;
  for (const auto& record : r.table) {
    if (record) open.push_back(record);
  }
  return open;
}

int current_window_id() {
  return t_current_window;
}

void set_current_window_id(int id) {
  t_current_window = id;
  if (id >= 0) registry().front = id;
}

ScopedCurrentWindow::ScopedCurrentWindow(int id) : previous_(t_current_window) {
  t_current_window = id;
}

ScopedCurrentWindow::~ScopedCurrentWindow() {
  t_current_window = previous_;
}

int front_window_id() {
  return registry().front;
}

std::shared_ptr<WindowRecord> current_window() {
  auto record = find_window(current_window_id());
  if (record) return record;
  // A program fault (or a window its user closed while the program was about to use it):
  // said once, counted always, and the operation does nothing. The program goes on.
  if (registry().windowless.fetch_add(1) == 0) {
    std::fprintf(stderr,
                 "wintk: Drawing operation was attempted when there was no current window; "
                 "it was ignored.\n");
  }
  return nullptr;
}

int windowless_calls() {
  return registry().windowless;
}

}  // namespace wintk::platform
