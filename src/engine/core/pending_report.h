// SPDX-License-Identifier: MIT

#pragma once

#include <sstream>
#include <string>

#include "util/file_lock.h"

// The report of a run while the run writes it. The fit driver writes the report into it and its
// caller adds the closing line; only then is the whole text written to the report file, which
// is replaced in one step (util::AtomicFile). The run holds the report's lock from open() to
// commit() or discard(), so a second run on the same report is refused meanwhile. A failed or
// refused run therefore leaves the previous report as it was.
namespace velmor {

class PendingReport {
 public:
  PendingReport() = default;
  PendingReport(const PendingReport&) = delete;
  PendingReport& operator=(const PendingReport&) = delete;

  // Takes the lock for the report file `destination` and checks that the file may be replaced
  // (util::output_file_problem). False, with error() naming the file, when another run holds
  // the lock or the file is a link, a folder, read-only or its folder unusable.
  bool open(const std::string& destination);

  bool is_open() const { return lock_.locked(); }
  const std::string& destination() const { return destination_; }

  // The report so far; write to stream() only while the report is open.
  std::ostream& stream() { return text_; }
  std::string text() const { return text_.str(); }

  // Replaces the report file with the text and releases the lock. False, with error() naming
  // the file, when it cannot be written; the old file then stays as it was.
  bool commit();

  // Releases the lock and forgets the text; the report file is not touched.
  void discard();

  const std::string& error() const { return error_; }

 private:
  std::string destination_;
  std::ostringstream text_;
  util::FileLock lock_;
  std::string error_;
};

}  // namespace velmor
