// SPDX-License-Identifier: MIT
// Whole-process start-up timing: runs a command again and again, each run a fresh process with
// stdout and stderr sent to /dev/null, and prints the median, the fastest and the slowest wall
// time in milliseconds, and the median processor time (user and system) of the runs. On a busy
// machine the wall time includes the waits for a processor; the processor time does not. A few
// runs before the timed ones warm the page cache.
//
//   startup_timing RUNS COMMAND [ARGUMENTS...]
//
// Exit status 0 when every run succeeded, 1 when one failed (its status is printed), 2 on a
// usage error.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
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

struct RunTime {
  double wall_ms = -1.0;  // negative when the run failed
  double cpu_ms = 0.0;
};

double milliseconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// One run's times; wall_ms is negative when the command could not be started or did not end
// with status 0.
RunTime run_once(char** argv) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return {};
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return {};
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "startup_timing: %s ended with status %d\n", argv[0], status);
    return {};
  }
  return {std::chrono::duration<double, std::milli>(end - start).count(),
          milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime)};
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc >= 3 ? std::atoi(argv[1]) : 0;
  if (runs < 1) {
    std::fprintf(stderr, "usage: startup_timing RUNS COMMAND [ARGUMENTS...]\n");
    return 2;
  }
  char** command = argv + 2;
  std::vector<double> wall;
  std::vector<double> cpu;
  for (int i = 0; i < kWarmUpRuns + runs; ++i) {
    const RunTime time = run_once(command);
    if (time.wall_ms < 0.0) return 1;
    if (i < kWarmUpRuns) continue;
    wall.push_back(time.wall_ms);
    cpu.push_back(time.cpu_ms);
  }
  const auto [fastest, slowest] = std::minmax_element(wall.begin(), wall.end());
  std::printf(
      "median %.2f ms, fastest %.2f ms, slowest %.2f ms over %zu runs; processor time median "
      "%.2f ms\n",
      median(wall), *fastest, *slowest, wall.size(), median(cpu));
  return 0;
}
