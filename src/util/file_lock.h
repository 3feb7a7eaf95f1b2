// SPDX-License-Identifier: MIT

#pragma once

#include <string>

// An advisory lock on a file name, shared between processes: the lock file ".NAME.lock" beside
// the file, locked with flock. Runs that write the same report take it for their whole length,
// so a second run on that report is refused instead of mixing its report with the first.
namespace velmor::util {

// Followed by the name of the file whose lock is held.
inline constexpr const char* kMsgFileInUse = "The file is in use by another run: ";

class FileLock {
 public:
  enum class Result {
    kLocked,  // this object now holds the lock
    kBusy,    // another holder has it; nothing was changed
    kFailed,  // the lock file could not be made or opened (error() says why)
  };

  FileLock() = default;
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock() { unlock(); }

  // Takes the lock on `path` without waiting; a lock held before is released first. On kBusy
  // and kFailed, error() holds the message for the user, naming `path`.
  Result try_lock(const std::string& path);

  // Releases the lock. The lock file is removed only if this object created it.
  void unlock();

  bool locked() const { return fd_ >= 0; }
  const std::string& error() const { return error_; }

 private:
  int fd_ = -1;
  std::string lock_path_;
  bool created_ = false;
  std::string error_;
};

}  // namespace velmor::util
