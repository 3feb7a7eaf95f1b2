// SPDX-License-Identifier: MIT

#include "app/cli/window_program.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace velmor::app {
namespace {

// The running executable's path: the kernel's record of it, else argv[0] when that names a
// path; empty when neither is known.
std::filesystem::path own_path(const char* argv0) {
  std::error_code error;
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error && path.is_absolute()) return path;
  if (argv0 != nullptr && std::strchr(argv0, '/') != nullptr) {
    return std::filesystem::absolute(argv0, error);
  }
  return {};
}

}  // namespace

std::vector<std::filesystem::path> window_program_candidates(const std::filesystem::path& self,
                                                             std::string_view installed_dir) {
  const std::filesystem::path folder = self.parent_path();
  std::vector<std::filesystem::path> candidates;
  if (!installed_dir.empty()) {
    candidates.push_back((folder / installed_dir / kWindowProgramName).lexically_normal());
  }
  candidates.push_back(folder / kWindowProgramName);
  return candidates;
}

void exec_window_program(char** argv, std::string_view installed_dir, std::string& error) {
  const std::filesystem::path self = own_path(argv[0]);
  if (self.empty()) {
    error = std::string(kWindowProgramName) + " cannot be found: the program's own path is unknown";
    return;
  }
  std::string looked_in;
  for (const auto& candidate : window_program_candidates(self, installed_dir)) {
    ::execv(candidate.c_str(), argv);
    // Only a missing file sends the search on; anything else is the answer.
    if (errno != ENOENT) {
      error = "cannot run " + candidate.string() + ": " + std::strerror(errno);
      return;
    }
    looked_in += (looked_in.empty() ? "" : ", ") + candidate.parent_path().string();
  }
  error = std::string(kWindowProgramName) + " is not installed (looked in " + looked_in + ")";
}

}  // namespace velmor::app
