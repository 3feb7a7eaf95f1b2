// SPDX-License-Identifier: MIT
// Whole-process start-up timing: runs a command again and again, each run a fresh process with
// stdout and stderr sent to /dev/null, and prints the median, the fastest and the slowest wall
// time in milliseconds. A few runs before the timed ones warm the page cache.
//
//   startup_timing RUNS COMMAND [ARGUMENTS...]
//
// Exit status 0 when every run succeeded, 1 when one failed (its status is printed), 2 on a
// usage error.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kWarmUpRuns = 3;

// Wall time of one run in milliseconds; a negative value when the command could not be started
// or did not end with status 0.
double run_once(char** argv) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1.0;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1.0;
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "startup_timing: %s ended with status %d\n", argv[0], status);
    return -1.0;
  }
  return std::chrono::duration<double, std::milli>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc >= 3 ? std::atoi(argv[1]) : 0;
  if (runs < 1) {
    std::fprintf(stderr, "usage: startup_timing RUNS COMMAND [ARGUMENTS...]\n");
    return 2;
  }
  char** command = argv + 2;
  std::vector<double> times;
  for (int i = 0; i < kWarmUpRuns + runs; ++i) {
    const double ms = run_once(command);
    if (ms < 0.0) return 1;
    if (i >= kWarmUpRuns) times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  const std::size_t n = times.size();
  const double median = n % 2 == 1 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2.0;
  std::printf("median %.2f ms, fastest %.2f ms, slowest %.2f ms over %zu runs\n", median,
              times.front(), times.back(), n);
  return 0;
}
