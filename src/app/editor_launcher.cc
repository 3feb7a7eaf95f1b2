// SPDX-License-Identifier: MIT

#include "app/editor_launcher.h"

#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace velmor::app {

std::vector<std::string> editor_command(const std::string& visual, const std::string& file_name) {
  std::vector<std::string> argv;
  std::size_t pos = 0;
  while (pos < visual.size()) {
    const std::size_t begin = visual.find_first_not_of(" \t", pos);
    if (begin == std::string::npos) break;
    const std::size_t end = visual.find_first_of(" \t", begin);
    argv.push_back(visual.substr(begin, end == std::string::npos ? end : end - begin));
    pos = end == std::string::npos ? visual.size() : end;
  }
  if (argv.empty()) argv.emplace_back("xdg-open");
  argv.push_back(file_name);
  return argv;
}

EditorLauncher::~EditorLauncher() {
  reap();
}

std::string EditorLauncher::open(const std::string& file_name) {
  const char* visual = std::getenv("VISUAL");
  return start(editor_command(visual ? visual : "", file_name));
}

std::string EditorLauncher::start(const std::vector<std::string>& argv) {
  reap();
  if (argv.empty()) return "No editor was given.";
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  // The editor starts with no signal blocked, whatever mask the calling thread has.
  posix_spawnattr_t attributes;
  ::posix_spawnattr_init(&attributes);
  sigset_t no_signals;
  sigemptyset(&no_signals);
  ::posix_spawnattr_setsigmask(&attributes, &no_signals);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  // posix_spawnp reports a program that cannot be executed (missing, not executable) as its
  // result, so the user learns why nothing opened.
  const int error = ::posix_spawnp(&pid, args[0], nullptr, &attributes, args.data(), environ);
  ::posix_spawnattr_destroy(&attributes);
  if (error != 0) {
    return "Could not start the editor " + argv[0] + ": " + std::strerror(error);
  }
  children_.push_back(pid);
  return {};
}

void EditorLauncher::reap() {
  std::erase_if(children_, [](pid_t pid) {
    int status = 0;
    const pid_t result = ::waitpid(pid, &status, WNOHANG);
    // 0: still running. pid: ended and now reaped. -1: no such child any more.
    return result != 0;
  });
}

}  // namespace velmor::app
