// SPDX-License-Identifier: MIT

#include "engine/core/file_units.h"

#include <filesystem>
#include <system_error>

namespace velmor {
namespace {

namespace fs = std::filesystem;

// Two names denote the same file when their resolved paths agree; the file need not exist.
std::string resolved_key(const std::string& name) {
  std::error_code ec;
  fs::path path = fs::weakly_canonical(fs::path(name), ec);
  if (ec) {
    path = fs::absolute(fs::path(name), ec).lexically_normal();
    if (ec) path = fs::path(name).lexically_normal();
  }
  return path.string();
}

// The name as a path from the root, without looking at the file system beyond the current
// folder.
std::string absolute_name(const std::string& name) {
  std::error_code ec;
  const fs::path path = fs::absolute(fs::path(name), ec);
  return ec ? name : path.string();
}

std::ios::openmode open_mode(FileMode mode) {
  switch (mode) {
    case FileMode::kRead:
      return std::ios::in;
    case FileMode::kWrite:
      return std::ios::out | std::ios::trunc;
    case FileMode::kAppend:
      return std::ios::out | std::ios::app;
  }
  return std::ios::in;
}

bool is_console_unit(int unit) {
  return unit == 5 || unit == 6 || unit == 9;
}

}  // namespace

bool FileUnits::open(int unit, const std::string& name, FileMode mode) {
  close(unit);
  if (unit < 1 || name.empty()) return false;
  std::error_code ec;
  const fs::file_status status = fs::status(name, ec);
  if (mode == FileMode::kRead && !fs::exists(status)) return false;
  // Only regular files are connected. A folder cannot be opened, a device such as /dev/zero
  // never ends, and opening a pipe waits until something opens its other end, which would
  // hang the run (or the Run command's first look at the data) for good.
  if (fs::exists(status) && !fs::is_regular_file(status)) return false;

  OpenFile file{name, absolute_name(name), mode, std::fstream()};
  file.stream.open(name, open_mode(mode));
  if (!file.stream.is_open()) return false;
  files_.emplace(unit, std::move(file));
  return true;
}

void FileUnits::close(int unit) {
  const auto it = files_.find(unit);
  if (it == files_.end()) return;
  it->second.stream.close();
  files_.erase(it);
}

void FileUnits::close_all() {
  for (auto& [unit, file] : files_) file.stream.close();
  files_.clear();
}

bool FileUnits::is_connected(int unit) const {
  return files_.count(unit) != 0;
}

int FileUnits::unit_of(const std::string& name) const {
  // Resolving a name takes a system call per folder of its path; with no file connected there is
  // nothing to compare it with.
  if (name.empty() || files_.empty()) return -1;
  const std::string key = resolved_key(name);
  for (const auto& [unit, file] : files_) {
    if (resolved_key(file.absolute) == key) return unit;
  }
  return -1;
}

std::fstream* FileUnits::stream(int unit) {
  const auto it = files_.find(unit);
  return it == files_.end() ? nullptr : &it->second.stream;
}

std::string FileUnits::name_of(int unit) const {
  const auto it = files_.find(unit);
  return it == files_.end() ? std::string() : it->second.name;
}

int get_unit(int start, const FileUnits& units) {
  if (is_console_unit(start)) return start;
  const int first = start < 9 ? start + 100 : start;
  for (int unit = first; unit < first + 100; ++unit) {
    if (unit < 1 || is_console_unit(unit)) continue;
    if (!units.is_connected(unit)) return unit;
  }
  return start;
}

int nuunit(int avoid, const FileUnits& units) {
  for (int unit = 100; unit >= 10; --unit) {
    if (unit == avoid) continue;
    if (!units.is_connected(unit)) return unit;
  }
  return -1;
}

bool file_name_exists(const std::string& name) {
  std::error_code ec;
  return !name.empty() && fs::exists(name, ec);
}

bool file_open_by_name(const std::string& name, const FileUnits& units) {
  return units.unit_of(name) != -1;
}

void file_close_by_name(int unit, const std::string& name, FileUnits& units) {
  if (file_open_by_name(name, units)) units.close(unit);
}

void file_close_by_unit(int unit, FileUnits& units) {
  units.close(unit);
}

}  // namespace velmor
