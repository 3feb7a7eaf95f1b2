// SPDX-License-Identifier: MIT

#include "util/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string_view>
#include <system_error>
#include <utility>

#include "util/atomic_file.h"
#include "util/printable_name.h"
#include "util/unfinished_files.h"

namespace velmor::util {
namespace {

// A holder that releases the lock removes its lock file first; one who opened that file just
// before then holds a lock on a name that no longer leads to it, and tries again.
constexpr int kAttempts = 16;

// The usual limit of one name's length in bytes (NAME_MAX of Linux file systems).
constexpr std::size_t kNameLimit = 255;
// ".", the kept start of the name, ".", 16 hexadecimal digits of the hash, ".lock".
constexpr std::size_t kKeptNameBytes = kNameLimit - 1 - 1 - 16 - 5;

// 64-bit FNV-1a: stable across runs, processes and builds, so every run agrees on the name.
std::uint64_t name_hash(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string hex16(std::uint64_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4) text[i] = kDigits[value & 0xF];
  return text;
}

std::string system_failure(int error_number, const std::string& path) {
  return std::string(kMsgOutputNotWritten) + " (" +
         std::generic_category().message(error_number != 0 ? error_number : EAGAIN) +
         "): " + printable_name(path);
}

// The lock file still is the file that `fd` has open.
bool still_named(int fd, const std::string& lock_path) {
  struct stat open_file {};
  struct stat named {};
  return ::fstat(fd, &open_file) == 0 && ::lstat(lock_path.c_str(), &named) == 0 &&
         open_file.st_dev == named.st_dev && open_file.st_ino == named.st_ino;
}

}  // namespace

std::string lock_file_name(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::string own = path.substr(start);
  if (own.size() + 6 <= kNameLimit) return path.substr(0, start) + "." + own + ".lock";
  return path.substr(0, start) + "." + own.substr(0, kKeptNameBytes) + "." + hex16(name_hash(own)) +
         ".lock";
}

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      lock_path_(std::move(other.lock_path_)),
      remove_on_unlock_(other.remove_on_unlock_),
      error_(std::move(other.error_)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    unlock();
    fd_ = std::exchange(other.fd_, -1);
    lock_path_ = std::move(other.lock_path_);
    remove_on_unlock_ = other.remove_on_unlock_;
    error_ = std::move(other.error_);
  }
  return *this;
}

FileLock::Result FileLock::try_lock(const std::string& path) {
  unlock();
  error_.clear();
  const std::string lock_path = lock_file_name(path);
  // Never waits: O_NONBLOCK lets the open of a pipe return at once, and only a regular file is
  // locked.
  constexpr int kOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  int error_number = 0;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    bool created = true;
    int fd = create_unfinished_file(lock_path, kOpenFlags | O_CREAT | O_EXCL, 0666);
    if (fd < 0 && errno == EEXIST) {
      created = false;
      fd = ::open(lock_path.c_str(), kOpenFlags);
      if (fd < 0 && errno == ENOENT) continue;  // removed by its holder meanwhile
    }
    if (fd < 0) {
      if (errno == ELOOP) {  // a symbolic link at the lock's name
        error_ = kMsgLockNotRegular + printable_name(lock_path);
        return Result::kFailed;
      }
      error_number = errno;
      break;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
      ::close(fd);
      error_ = kMsgLockNotRegular + printable_name(lock_path);
      return Result::kFailed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      // Even a file created here a moment ago may have been locked by another run since; it
      // is that run's lock file now and stays.
      const int reason = errno;
      if (created) forget_unfinished_file(lock_path);
      ::close(fd);
      if (reason == EWOULDBLOCK) {
        error_ = kMsgFileInUse + printable_name(path);
        return Result::kBusy;
      }
      error_number = reason;
      break;
    }
    if (!still_named(fd, lock_path)) {
      if (created) forget_unfinished_file(lock_path);
      ::close(fd);
      continue;
    }
    // Measured under the lock: an empty file nobody holds is a lock file left behind.
    fd_ = fd;
    lock_path_ = lock_path;
    remove_on_unlock_ = created || (::fstat(fd, &status) == 0 && status.st_size == 0);
    if (remove_on_unlock_ && !created) add_unfinished_file(lock_path, fd);
    return Result::kLocked;
  }
  error_ = system_failure(error_number, path);
  return Result::kFailed;
}

void FileLock::unlock() {
  if (fd_ < 0) return;
  // Removed while still locked, so that no one can lock the old file after we let it go.
  if (remove_on_unlock_) remove_unfinished_file(lock_path_);
  ::close(fd_);
  fd_ = -1;
  lock_path_.clear();
  remove_on_unlock_ = false;
}

}  // namespace velmor::util
