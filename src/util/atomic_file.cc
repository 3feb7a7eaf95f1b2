// SPDX-License-Identifier: MIT

#include "util/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <system_error>

#include "util/printable_name.h"
#include "util/unfinished_files.h"

namespace velmor::util {
namespace {

// Attempts at a fresh temporary name before giving up; a clash needs another writer that
// picked the same random suffix.
constexpr int kNameAttempts = 64;
// Longest part of the destination's own name kept in the temporary name, so that the
// temporary name stays within the usual limit of 255 bytes per name.
constexpr std::size_t kStemLimit = 200;

std::string system_reason(int error_number) {
  return std::generic_category().message(error_number);
}

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash + 1);
}

std::string own_name_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A hidden name beside the destination: ".NAME.<random>.tmp".
std::string temporary_name(const std::string& destination, std::mt19937_64& random) {
  static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix(8, ' ');
  for (char& c : suffix) c = kDigits[random() % (sizeof(kDigits) - 1)];
  return folder_of(destination) + "." + own_name_of(destination).substr(0, kStemLimit) + "." +
         suffix + ".tmp";
}

bool write_all(int fd, std::string_view bytes, int& error_number) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      error_number = errno;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

std::string output_file_problem(const std::string& destination) {
  struct stat status {};
  if (::lstat(destination.c_str(), &status) != 0) return {};  // a new file
  if (S_ISLNK(status.st_mode)) return kMsgOutputIsLink + printable_name(destination);
  if (S_ISDIR(status.st_mode)) return kMsgOutputIsFolder + printable_name(destination);
  if (!S_ISREG(status.st_mode)) return kMsgOutputNotRegular + printable_name(destination);
  // A file without any write permission is protected by its owner, even from the superuser,
  // whom access() would let through.
  if ((status.st_mode & 0222) == 0 || ::access(destination.c_str(), W_OK) != 0) {
    return kMsgOutputReadOnly + printable_name(destination);
  }
  return {};
}

AtomicFile::AtomicFile(std::string destination) : destination_(std::move(destination)) {
  if (destination_.empty() || destination_.back() == '/') {
    fail(kMsgOutputIsFolder + printable_name(destination_));
    return;
  }
  if (std::string problem = output_file_problem(destination_); !problem.empty()) {
    fail(problem);
    return;
  }
  std::random_device seed;
  std::mt19937_64 random((static_cast<std::uint64_t>(seed()) << 32) ^ seed());
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = temporary_name(destination_, random);
    // O_EXCL creates a new file or fails, and never follows a link at that name. Registered,
    // the file is removed also when a stop signal ends the process before the commit.
    fd_ = create_unfinished_file(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      temporary_ = name;
      return;
    }
    if (errno != EEXIST) break;
  }
  fail_with_errno(errno);
}

AtomicFile::~AtomicFile() {
  discard();
}

bool AtomicFile::write(std::string_view bytes) {
  if (!ok()) return false;
  int error_number = 0;
  if (!write_all(fd_, bytes, error_number)) {
    fail_with_errno(error_number);
    return false;
  }
  return true;
}

bool AtomicFile::commit() {
  if (!ok() || committed_) return ok();
  struct stat old {};
  const bool replaces = ::lstat(destination_.c_str(), &old) == 0;
  if (std::string problem = output_file_problem(destination_); !problem.empty()) {
    fail(problem);
    return false;
  }
  // A replaced file keeps its permission bits (a new one has those of the process's umask) and,
  // where the process may give it, its owner and group.
  if (replaces) {
    if (::fchown(fd_, old.st_uid, old.st_gid) != 0) (void)::fchown(fd_, -1, old.st_gid);
    if (::fchmod(fd_, old.st_mode & 07777) != 0) {
      fail_with_errno(errno);
      return false;
    }
  }
  // Errors of a full disk or a network file system may show only when the data reach the disk
  // or the file is closed.
  if (::fsync(fd_) != 0) {
    fail_with_errno(errno);
    return false;
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    fail_with_errno(errno);
    return false;
  }
  if (const int error_number = publish_unfinished_file(temporary_, destination_);
      error_number != 0) {
    fail_with_errno(error_number);
    return false;
  }
  committed_ = true;
  temporary_.clear();
  // The rename itself reaches the disk with the folder; a failure here loses nothing now.
  const std::string folder = folder_of(destination_);
  const int folder_fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC);
  if (folder_fd >= 0) {
    ::fsync(folder_fd);
    ::close(folder_fd);
  }
  return true;
}

void AtomicFile::fail(const std::string& message) {
  if (error_.empty()) error_ = message;
  discard();
}

void AtomicFile::fail_with_errno(int error_number) {
  fail(std::string(kMsgOutputNotWritten) + " (" + system_reason(error_number) +
       "): " + printable_name(destination_));
}

void AtomicFile::discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!committed_ && !temporary_.empty()) {
    remove_unfinished_file(temporary_);
    temporary_.clear();
  }
}

bool write_file_atomically(const std::string& destination, std::string_view bytes,
                           std::string* error) {
  AtomicFile file(destination);
  const bool written = file.write(bytes) && file.commit();
  if (!written && error != nullptr) *error = file.error();
  return written;
}

}  // namespace velmor::util
