// SPDX-License-Identifier: MIT

#pragma once

#include <sys/resource.h>

#include <csignal>

namespace velmor::testing {

// While it lives, no file of this process may grow beyond `bytes`: a write past the limit fails
// with EFBIG, as a write to a full disk fails with ENOSPC, so the error paths of the writers run
// for real. The signal the kernel sends on such a write is ignored meanwhile.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_handler_ = ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_limit_);
    rlimit limit = old_limit_;
    limit.rlim_cur = bytes;
    ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_limit_);
    ::signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  bool ok() const { return ok_; }

 private:
  rlimit old_limit_{};
  sighandler_t old_handler_ = SIG_DFL;
  bool ok_ = false;
};

}  // namespace velmor::testing
