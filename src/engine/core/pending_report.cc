// SPDX-License-Identifier: MIT

#include "engine/core/pending_report.h"

#include "util/atomic_file.h"

namespace velmor {

bool PendingReport::open(const std::string& destination) {
  discard();
  destination_ = destination;
  error_ = util::output_file_problem(destination);
  if (!error_.empty()) return false;
  if (lock_.try_lock(destination) != util::FileLock::Result::kLocked) {
    error_ = lock_.error();
    return false;
  }
  return true;
}

bool PendingReport::commit() {
  if (!is_open()) return false;
  const bool written = util::write_file_atomically(destination_, text_.str(), &error_);
  discard();
  return written;
}

void PendingReport::discard() {
  lock_.unlock();
  text_.str({});
  text_.clear();
}

}  // namespace velmor
