// SPDX-License-Identifier: MIT

#pragma once

#include <string>
#include <string_view>

// Safe output files. Every file the program writes (reports, pictures, saved results) goes
// through AtomicFile: the bytes go to a new temporary file in the destination's folder, and
// only a complete file is renamed over the destination. A reader therefore sees either the old
// file or the whole new one, a failed write (full disk, lost permission) leaves the old file as
// it was, and nothing but the temporary file created by this writer is ever removed.
//
// A destination that is a symbolic link, a folder or another non-regular file, or a read-only
// file, is refused: the program never writes through a link nor replaces what the user has
// protected. Refusals and failures come back as a message that names the destination, for the
// user.
namespace velmor::util {

// Texts of the refusals and failures; each is followed by the destination's name.
inline constexpr const char* kMsgOutputIsLink =
    "The output file is a symbolic link, which is not written through: ";
inline constexpr const char* kMsgOutputIsFolder = "The output file name is a folder: ";
inline constexpr const char* kMsgOutputNotRegular = "The output file is not a regular file: ";
inline constexpr const char* kMsgOutputReadOnly = "The output file is read-only: ";
// Followed by the system's reason in parentheses, ": " and the name.
inline constexpr const char* kMsgOutputNotWritten = "The output file could not be written";

// Why `destination` must not be replaced, or an empty text if it may be: a name that does not
// exist yet, or an existing regular file that is writable.
std::string output_file_problem(const std::string& destination);

// A file being written. Owns its temporary file: the destructor removes it unless commit()
// renamed it over the destination. Used on one thread.
class AtomicFile {
 public:
  // Checks the destination (output_file_problem) and creates the temporary file beside it,
  // exclusively and without following links. On failure ok() is false and error() says why.
  explicit AtomicFile(std::string destination);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool ok() const { return error_.empty(); }
  // The message for the user after a refusal or failure, naming the destination.
  const std::string& error() const { return error_; }
  const std::string& destination() const { return destination_; }

  // Appends the bytes. A failed write removes the temporary file and sets the error; later
  // calls then do nothing.
  bool write(std::string_view bytes);

  // Puts the complete file on the disk and renames it over the destination (whose permission
  // bits, and owner where allowed, it takes over). False, with the destination untouched and the
  // temporary file gone, when anything fails or the destination became unusable meanwhile.
  bool commit();

 private:
  void fail(const std::string& message);
  void fail_with_errno(int error_number);
  void discard();

  std::string destination_;
  std::string temporary_;
  int fd_ = -1;
  bool committed_ = false;
  std::string error_;
};

// Writes the whole file through an AtomicFile. True when it was written; otherwise `error`
// (when given) receives the message for the user.
bool write_file_atomically(const std::string& destination, std::string_view bytes,
                           std::string* error = nullptr);

}  // namespace velmor::util
