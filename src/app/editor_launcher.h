// SPDX-License-Identifier: MIT

#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Opening a file in the user's graphical editor for the Edit Data File and Print Results
// commands. The editor is started directly (no shell), so the file name is passed as one argument
// whatever characters it holds, and the program does not wait for the editor to end.
namespace velmor::app {

// The editor's argument vector: the words of `visual` (split at blanks and tabs, no quoting, no
// expansion) when it holds any, else "xdg-open"; then the file name as one argument.
std::vector<std::string> editor_command(const std::string& visual, const std::string& file_name);

// Starts editors and reaps them once they have ended, so that no finished editor stays behind
// as a zombie process. Used on one thread (the main routine's).
class EditorLauncher {
 public:
  EditorLauncher() = default;
  EditorLauncher(const EditorLauncher&) = delete;
  EditorLauncher& operator=(const EditorLauncher&) = delete;
  // Reaps the editors that have ended; those still open are left running.
  ~EditorLauncher();

  // Starts the editor named by $VISUAL (or xdg-open) on the file. Returns an empty string on
  // success, else a message saying why it could not be started.
  std::string open(const std::string& file_name);
  // Starts the program of argv[0] (searched on PATH) with the arguments.
  std::string start(const std::vector<std::string>& argv);

  // Collects the exit status of every started editor that has ended. Never blocks.
  void reap();
  // Editors started and not yet reaped.
  const std::vector<pid_t>& running() const { return children_; }

 private:
  std::vector<pid_t> children_;
};

}  // namespace velmor::app
