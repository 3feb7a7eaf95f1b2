// SPDX-License-Identifier: MIT

#include "util/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "util/atomic_file.h"

namespace velmor::util {
namespace {

// A holder that releases the lock removes its lock file first; one who opened that file just
// before then holds a lock on a name that no longer leads to it, and tries again.
constexpr int kAttempts = 16;

std::string lock_path_for(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, start) + "." + path.substr(start) + ".lock";
}

// The lock file still is the file that `fd` has open.
bool still_named(int fd, const std::string& lock_path) {
  struct stat open_file {};
  struct stat named {};
  return ::fstat(fd, &open_file) == 0 && ::lstat(lock_path.c_str(), &named) == 0 &&
         open_file.st_dev == named.st_dev && open_file.st_ino == named.st_ino;
}

}  // namespace

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      lock_path_(std::move(other.lock_path_)),
      created_(other.created_),
      error_(std::move(other.error_)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    unlock();
    fd_ = std::exchange(other.fd_, -1);
    lock_path_ = std::move(other.lock_path_);
    created_ = other.created_;
    error_ = std::move(other.error_);
  }
  return *this;
}

FileLock::Result FileLock::try_lock(const std::string& path) {
  unlock();
  error_.clear();
  const std::string lock_path = lock_path_for(path);
  int error_number = 0;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    bool created = true;
    int fd = ::open(lock_path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) {
      created = false;
      fd = ::open(lock_path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
      if (fd < 0 && errno == ENOENT) continue;  // removed by its holder meanwhile
    }
    if (fd < 0) {
      error_number = errno;
      break;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      // Even a file created here a moment ago may have been locked by another run since; it
      // is that run's lock file now and stays.
      const int reason = errno;
      ::close(fd);
      if (reason == EWOULDBLOCK) {
        error_ = kMsgFileInUse + path;
        return Result::kBusy;
      }
      error_number = reason;
      break;
    }
    if (!still_named(fd, lock_path)) {
      ::close(fd);
      continue;
    }
    fd_ = fd;
    lock_path_ = lock_path;
    created_ = created;
    return Result::kLocked;
  }
  error_ = std::string(kMsgOutputNotWritten) + " (" +
           std::generic_category().message(error_number != 0 ? error_number : EAGAIN) +
           "): " + path;
  return Result::kFailed;
}

void FileLock::unlock() {
  if (fd_ < 0) return;
  // Removed while still locked, so that no one can lock the old file after we let it go.
  if (created_ && still_named(fd_, lock_path_)) ::unlink(lock_path_.c_str());
  ::close(fd_);
  fd_ = -1;
  lock_path_.clear();
  created_ = false;
}

}  // namespace velmor::util
