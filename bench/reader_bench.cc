// SPDX-License-Identifier: MIT
// Worst-case time and memory of the data readers: each reading runs in a child process, timed
// from the parent, its peak resident memory taken from the child's resource usage. Inputs: the
// 98 MB wide table of empty cells, a long table beyond the observation limit, plate exports of
// very wide lines, a large EnzymeML document, and an ordinary 384-well export of 121 reads.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "engine/core/console_host.h"
#include "engine/data/run_data.h"

namespace {

namespace fs = std::filesystem;

struct Folder {
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "velmor_bench_XXXXXX").string();
    path = mkdtemp(pattern.data()) != nullptr ? pattern : "";
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  std::string write(const std::string& name, const std::string& text) const {
    std::string file = (fs::path(path) / name).string();
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }
  std::string path;
};

std::string repeated(const std::string& head, const std::string& line, int count) {
  std::string text = head;
  text.reserve(head.size() + line.size() * count);
  for (int i = 0; i < count; ++i) text += line;
  return text;
}

std::string plate_384() {
  std::string text = "Software Version\t3.11\nTime\tT 405";
  for (char row = 'A'; row <= 'P'; ++row) {
    for (int c = 1; c <= 24; ++c) text += "\t" + std::string(1, row) + std::to_string(c);
  }
  text += "\n";
  for (int r = 0; r <= 120; ++r) {
    char time[16];
    std::snprintf(time, sizeof time, "%d:%02d:%02d", r / 120, r / 2 % 60, r % 2 * 30);
    text += std::string(time) + "\t30.0";
    for (int w = 0; w < 384; ++w) text += "\t0." + std::to_string(1000 + (w * 7 + r * 13) % 9000);
    text += "\n";
  }
  return text;
}

// Reads `file` in a child; the parent measures the wall time and the child's peak memory.
void read_in_child(benchmark::State& state, const std::string& file) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
      std::ostringstream quiet;
      velmor::ConsoleHost host(quiet);
      velmor::FileUnits units;
      const velmor::PreparedRun run = velmor::prepare_run(file, {}, host, units, quiet);
      _exit(run.status);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["status"] = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }
}

const Folder& folder() {
  static const Folder f;
  return f;
}

void register_cases() {
  const Folder& f = folder();
  const std::vector<std::pair<std::string, std::function<std::string()>>> cases = {
      {"wide_table_98MB_empty_cells",
       [&] {
         return f.write("wide.csv",
                        repeated("t,S0=1\n", "1" + std::string(65534, ',') + "\n", 1500));
       }},
      {"long_table_250k_rows",
       [&] {
         std::string lines;
         for (int i = 0; i < 250000; ++i) lines += "A1," + std::to_string(i) + ",5,0.5\n";
         return f.write("tidy.csv", "well,time,S0,y\n" + lines);
       }},
      {"plate_export_98MB_wide_lines",
       [&] {
         return f.write("plate.txt",
                        repeated("Reader\nTime\tA1\n",
                                 "0:00:01\t0.1" + std::string(65533, '\t') + "\n", 1500));
       }},
      {"enzymeml_16MB_numbers",
       [&] {
         return f.write("doc.json",
                        repeated(R"({"measurements": [{"id": "m", "species_data": [{"data": [0)",
                                 ",1", 8000000) +
                            "]}]}]}");
       }},
      {"plate_export_384_wells_121_reads", [&] { return f.write("gen5.txt", plate_384()); }},
  };
  for (const auto& [name, make] : cases) {
    const std::string file = make();
    benchmark::RegisterBenchmark(name.c_str(),
                                 [file](benchmark::State& s) { read_in_child(s, file); })
        ->UseManualTime()
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  register_cases();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
