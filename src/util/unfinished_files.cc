// SPDX-License-Identifier: MIT
#include "util/unfinished_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace velmor::util {
namespace {

struct Registry {
  std::mutex mutex;  // guards every member below
  std::map<std::string, std::pair<dev_t, ino_t>> files;
  std::optional<std::thread::id> stopper;  // the only thread that may still write

  bool stopped_for_caller() const {
    return stopper.has_value() && *stopper != std::this_thread::get_id();
  }
  void remove(const std::string& path) {
    const auto found = files.find(path);
    if (found == files.end()) return;
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && status.st_dev == found->second.first &&
        status.st_ino == found->second.second) {
      ::unlink(path.c_str());
    }
    files.erase(found);
  }
  void add(const std::string& path, int fd) {
    struct stat status {};
    if (::fstat(fd, &status) == 0) files[path] = {status.st_dev, status.st_ino};
  }
};

Registry& registry() {
  static Registry instance;
  return instance;
}

}  // namespace

int create_unfinished_file(const std::string& path, int flags, mode_t mode) {
  Registry& r = registry();
  const std::lock_guard<std::mutex> lock(r.mutex);
  if (r.stopped_for_caller()) {
    errno = ECANCELED;
    return -1;
  }
  const int fd = ::open(path.c_str(), flags, mode);
  if (fd >= 0) r.add(path, fd);
  return fd;
}

void add_unfinished_file(const std::string& path, int fd) {
  Registry& r = registry();
  const std::lock_guard<std::mutex> lock(r.mutex);
  r.add(path, fd);
}

void forget_unfinished_file(const std::string& path) {
  Registry& r = registry();
  const std::lock_guard<std::mutex> lock(r.mutex);
  r.files.erase(path);
}

void remove_unfinished_file(const std::string& path) {
  Registry& r = registry();
  const std::lock_guard<std::mutex> lock(r.mutex);
  r.remove(path);
}

int publish_unfinished_file(const std::string& from, const std::string& to) {
  Registry& r = registry();
  const std::lock_guard<std::mutex> lock(r.mutex);
  if (r.stopped_for_caller()) return ECANCELED;
  if (std::rename(from.c_str(), to.c_str()) != 0) return errno;
  r.files.erase(from);
  return 0;
}

void stop_outputs() {
  Registry& r = registry();
  const std::lock_guard<std::mutex> lock(r.mutex);
  r.stopper = std::this_thread::get_id();
}

void remove_unfinished_files() {
  Registry& r = registry();
  const std::lock_guard<std::mutex> lock(r.mutex);
  while (!r.files.empty()) r.remove(r.files.begin()->first);
}

}  // namespace velmor::util
