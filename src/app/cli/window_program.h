// SPDX-License-Identifier: MIT

#pragma once

// The window's program: the executable that holds the window and the picture writers, and so
// loads Qt. The command line hands the process over to it (exec, same process id, same
// arguments) for the window and for a batch run with --plots; everything else runs without it.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmor::app {

inline constexpr const char* kWindowProgramName = "velmor-tarn-gui";

// Where the window's program may be for the command line's executable at `self`, in the order
// tried: in `installed_dir`, a folder relative to `self`'s folder (the installed layout, e.g.
// "../libexec/velmor-tarn"), then beside `self` (a build folder).
std::vector<std::filesystem::path> window_program_candidates(const std::filesystem::path& self,
                                                             std::string_view installed_dir);

// Replaces this process by the window's program found for the running executable, with the same
// arguments and environment. Returns only when that failed: then `error` says why, naming the
// places looked at.
void exec_window_program(char** argv, std::string_view installed_dir, std::string& error);

}  // namespace velmor::app
