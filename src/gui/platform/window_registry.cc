// SPDX-License-Identifier: MIT

#include "gui/platform/window_registry.h"

#include <cstdio>

#include "gui/platform/gui_thread.h"
#include "gui/platform/platform_api.h"
#include "gui/platform/program_end.h"

namespace wintk::platform {
namespace {

struct Registry {
  std::mutex mutex;  // guards table
  std::vector<std::shared_ptr<WindowRecord>> table;
  std::atomic<int> current{kNoWindow};
};

Registry& registry() {
  static Registry instance;
  return instance;
}

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
  return registry().current;
}

void set_current_window_id(int id) {
  registry().current = id;
}

std::shared_ptr<WindowRecord> current_window() {
  auto record = find_window(current_window_id());
  if (!record) no_current_window();
  return record;
}

void no_current_window() {
  static constexpr const char* kText =
      "Drawing operation was attempted when there was no current window.";
  std::fprintf(stderr, "%s\n", kText);
  dlgmessage(3, kText);
  // A program stopped by this fault must not look successful to its caller.
  end_process(1);
}

}  // namespace wintk::platform
