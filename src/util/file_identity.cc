// SPDX-License-Identifier: MIT
#include "util/file_identity.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace velmor::util {

FileIdentity file_identity(const std::string& name) {
  namespace fs = std::filesystem;
  struct stat status {};
  if (::stat(name.empty() ? "." : name.c_str(), &status) == 0) {
    return {status.st_dev, status.st_ino, {}};
  }
  // Up the path until a folder exists. Its "..", if any, is resolved by the system, which
  // follows links before it goes up; only the part below that does not exist is normalised by
  // its text (a new name cannot pass through a link that is not there).
  fs::path folder = fs::path(name);
  fs::path below;
  while (true) {
    below = below.empty() ? folder.filename() : folder.filename() / below;
    const fs::path parent = folder.parent_path();
    if (parent == folder || parent.empty()) {
      folder = name.starts_with('/') ? "/" : ".";
      if (::stat(folder.c_str(), &status) == 0) break;
      std::error_code error;  // no working folder: the text is all there is
      return {0, 0, fs::absolute(name, error).lexically_normal().string()};
    }
    folder = parent;
    if (::stat(folder.c_str(), &status) == 0) break;
  }
  std::string rest = below.lexically_normal().string();
  while (!rest.empty() && rest.back() == '/') rest.pop_back();
  return {status.st_dev, status.st_ino, rest};
}

bool same_file(const std::string& a, const std::string& b) {
  return file_identity(a) == file_identity(b);
}

}  // namespace velmor::util
