// SPDX-License-Identifier: MIT

#pragma once

#include <string>

// An advisory lock on a file name, shared between processes: the lock file ".NAME.lock" beside
// the file, locked with flock. Runs that write the same report take it for their whole length,
// so a second run on that report is refused instead of mixing its report with the first.
//
// The lock file is opened without waiting and used only if it is a regular file: a pipe or a
// device at that name could block the open or the lock forever, and is refused instead. A lock
// file is empty; an empty one found unlocked is the leftover of a run that ended without letting
// go (killed, or the machine stopped), and its new holder removes it with the lock. A name so
// long that ".NAME.lock" would pass the system's limit of 255 bytes per name gets a shortened
// lock name that keeps a hash of the whole name, so the lock fits wherever the file's name fits.
namespace velmor::util {

// Followed by the name of the file whose lock is held.
inline constexpr const char* kMsgFileInUse = "The file is in use by another run: ";
// Followed by the lock file's name.
inline constexpr const char* kMsgLockNotRegular = "The lock file is not a regular file: ";

// The lock file's name for `path`: ".NAME.lock" beside it, shortened (see above) when needed.
std::string lock_file_name(const std::string& path);

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

  // Releases the lock. The lock file is removed if this object created it or found it empty (a
  // lock file someone put there with something in it stays).
  void unlock();

  bool locked() const { return fd_ >= 0; }
  const std::string& error() const { return error_; }

 private:
  int fd_ = -1;
  std::string lock_path_;
  bool remove_on_unlock_ = false;
  std::string error_;
};

}  // namespace velmor::util
