// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <compare>
#include <string>

// Which file a name denotes, so that two names that would read or write the same file are told
// apart from two that would not, however each is spelled.
namespace velmor::util {

// A file that exists is its device and inode (a link: the file it leads to). A name that does
// not exist yet is the device and inode of its nearest existing folder, reached as the system
// reaches it (through links and ".."), with the rest of the path below that folder lexically
// normalised. So "./DATA.out", "sub/../DATA.out", the absolute path and a bare "DATA.out" run in
// the folder have one identity whether or not DATA.out exists yet.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  std::string rest;  // empty for an existing file; else the path below the existing folder

  // clang-tidy 14 takes the 0 that the compiler's own code for a defaulted <=> compares the
  // members' results with for a null pointer constant; there is no pointer here.
  // NOLINTNEXTLINE(modernize-use-nullptr)
  auto operator<=>(const FileIdentity&) const = default;
};

// The identity of `name` (relative names from the working folder) at the moment of the call.
FileIdentity file_identity(const std::string& name);

// True if the two names denote the same file now, or would both create the same new file.
bool same_file(const std::string& a, const std::string& b);

}  // namespace velmor::util
