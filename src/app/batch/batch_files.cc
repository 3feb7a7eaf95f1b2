// SPDX-License-Identifier: MIT
// The batch mode over many files: a pool of worker threads runs the files, the calling thread
// prints their results in the order of the files and keeps the progress line.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "app/batch/batch_progress.h"
#include "app/batch/batch_run.h"
#include "app/batch/exit_status.h"
#include "app/batch/points_table.h"
#include "engine/data/data_file_names.h"
#include "util/atomic_file.h"

namespace velmor::app {
namespace {

using Clock = std::chrono::steady_clock;

// How often the progress line's time left is brought up to date while no file finishes.
constexpr auto kProgressRefresh = std::chrono::seconds(1);

int default_jobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(std::min<unsigned>(cores, kMaxJobs));
}

// Why the summary may not be written where asked (it would replace a data file or report of
// the run, or cannot replace what is there); empty if it may.
std::string summary_problem(const std::string& summary, const std::vector<BatchFile>& files) {
  for (const BatchFile& file : files) {
    const std::string data = resolve_input_name(file.data_file);
    if (same_file(summary, data)) return "the summary would overwrite the data file " + data;
    const std::string report = report_name_for(data);
    if (same_file(summary, report)) return "the summary would overwrite the report " + report;
  }
  return util::output_file_problem(summary);
}

// The results of the files as the workers finish them; read by the printing thread.
class ResultBoard {
 public:
  explicit ResultBoard(std::size_t files) : results_(files), ready_(files, false) {}

  void put(std::size_t index, FileResult result) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      results_[index] = std::move(result);
      ready_[index] = true;
      ++done_;
      if (results_[index].status != 0) ++failed_;
    }
    changed_.notify_one();
  }

  // Waits until file `index` is ready, another file is done (`done` counts those seen so far)
  // or the refresh time has passed; returns whether the file is ready.
  bool wait_for(std::size_t index, int& done, int& failed) {
    std::unique_lock<std::mutex> lock(mutex_);
    const int seen = done;
    changed_.wait_for(lock, kProgressRefresh, [&] { return ready_[index] || done_ != seen; });
    done = done_;
    failed = failed_;
    return ready_[index];
  }

  // Only once the file is ready; the worker no longer touches it.
  FileResult& result(std::size_t index) {
    const std::lock_guard<std::mutex> lock(mutex_);
    return results_[index];
  }

  std::vector<FileResult>& all() { return results_; }

 private:
  std::mutex mutex_;  // guards every member below
  std::condition_variable changed_;
  std::vector<FileResult> results_;
  std::vector<bool> ready_;
  int done_ = 0;
  int failed_ = 0;
};

void print_result(const FileResult& result, bool several, std::ostream& out, std::ostream& err) {
  std::istringstream lines(result.messages);
  std::string line;
  while (std::getline(lines, line)) {
    if (several) err << result.data_file << ": ";
    err << line << '\n';
  }
  err.flush();
  if (!result.report_file.empty()) out << result.report_file << '\n';
  out.flush();
  for (const FileResult& group : result.groups) print_result(group, several, out, err);
}

// Why a table of the run's results may not be written to `path` now that the run is done: it
// would replace a report the run wrote (a group's report is known only now), or the other
// table. Empty if it may.
std::string table_clash(const std::string& path, const std::vector<FileResult>& results,
                        const std::string& other_table) {
  if (!other_table.empty() && same_file(path, other_table)) {
    return "the summary and the points table would be the same file: " + path;
  }
  for (const FileResult& file : results) {
    for (const FileResult& part : file.groups) {
      if (!part.report_file.empty() && same_file(path, part.report_file)) {
        return "the table would overwrite the report " + part.report_file;
      }
    }
    if (!file.report_file.empty() && same_file(path, file.report_file)) {
      return "the table would overwrite the report " + file.report_file;
    }
  }
  return "";
}

// Writes the summary or the points table at the end of the run; false after a message on `err`.
bool write_run_table(const std::string& path, const SummaryTable& table,
                     const std::vector<FileResult>& results, const std::string& other_table,
                     const std::string& program, std::ostream& out, std::ostream& err) {
  std::string error = table_clash(path, results, other_table);
  if (error.empty() && write_table(path, table, &error)) {
    out << path << '\n';
    return true;
  }
  err << program << error << '\n';
  return false;
}

}  // namespace

int run_batch(const CommandLine& command_line, std::ostream& out, std::ostream& err,
              const PictureFactory& pictures, bool progress) {
  const std::string program = std::string(kProgramName) + ": ";
  std::vector<std::string> skipped;
  const std::vector<BatchFile> files = plan_batch(command_line.inputs, command_line.summary_file,
                                                  command_line.points_file, &skipped);
  for (const std::string& note : skipped) err << program << kMsgSkipped << note << '\n';
  // Before anything is fitted: a summary or points table that cannot be written would lose
  // the whole run's figures at its end.
  for (const std::string& table : {command_line.summary_file, command_line.points_file}) {
    if (table.empty()) continue;
    std::string problem = summary_problem(table, files);
    if (problem.empty() && table == command_line.points_file &&
        !command_line.summary_file.empty() && same_file(table, command_line.summary_file)) {
      problem = "the summary and the points table would be the same file: " + table;
    }
    if (!problem.empty()) {
      err << program << problem << '\n';
      return kExitOutputNotWritten;
    }
  }

  const std::size_t total = files.size();
  const bool several = total > 1;
  const bool show_progress = progress && several;
  const int jobs = static_cast<int>(std::min<std::size_t>(
      command_line.jobs > 0 ? command_line.jobs : default_jobs(), std::max<std::size_t>(total, 1)));

  ResultBoard board(total);
  std::atomic<std::size_t> next{0};
  {
    std::vector<std::jthread> workers;
    for (int w = 0; w < jobs; ++w) {
      workers.emplace_back([&] {
        for (std::size_t i = next++; i < total; i = next++) {
          board.put(i, run_data_file(files[i], command_line, pictures, jobs > 1));
        }
      });
    }

    const auto start = Clock::now();
    int done = 0;
    int failed = 0;
    for (std::size_t printed = 0; printed < total;) {
      const bool ready = board.wait_for(printed, done, failed);
      if (ready) {
        if (show_progress) err << kProgressClear;
        print_result(board.result(printed), several, out, err);
        ++printed;
      }
      if (show_progress) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        err << progress_update(progress_line(done, static_cast<int>(total), failed, elapsed))
            << std::flush;
      }
    }
    if (show_progress) err << kProgressClear << std::flush;
  }  // the workers have ended

  int status = 0;
  std::map<int, int> files_by_status;
  for (const FileResult& result : board.all()) {
    status = more_serious_status(status, result.status);
    ++files_by_status[result.status];
  }
  if (!command_line.summary_file.empty() &&
      !write_run_table(command_line.summary_file, summary_table(board.all()), board.all(),
                       command_line.points_file, program, out, err)) {
    status = more_serious_status(status, kExitOutputNotWritten);
  }
  if (!command_line.points_file.empty() &&
      !write_run_table(command_line.points_file, points_table(board.all()), board.all(),
                       command_line.summary_file, program, out, err)) {
    status = more_serious_status(status, kExitOutputNotWritten);
  }
  if (several) err << program << closing_line(static_cast<int>(total), files_by_status) << '\n';
  return status;
}

}  // namespace velmor::app
