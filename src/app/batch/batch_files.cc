// SPDX-License-Identifier: MIT
// The batch mode over many files: a pool of worker threads runs the files, the calling thread
// prints their results in the order of the files and keeps the progress line. A run of one file
// is fitted on the calling thread itself.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <span>
#include <sstream>
#include <stop_token>
#include <thread>
#include <vector>

#include "app/batch/batch_progress.h"
#include "app/batch/batch_run.h"
#include "app/batch/exit_status.h"
#include "app/batch/points_table.h"
#include "engine/data/data_file_names.h"
#include "util/atomic_file.h"
#include "util/file_identity.h"
#include "util/printable_name.h"
#include "util/stop_signals.h"
#include "util/unfinished_files.h"

namespace velmor::app {
namespace {

using Clock = std::chrono::steady_clock;

// How often the progress line's time left is brought up to date while no file finishes.
constexpr auto kProgressRefresh = std::chrono::seconds(1);
// How long the printing thread has to end a stopped run before the signal watcher ends the
// process itself (the printing thread may be blocked on a full pipe).
constexpr auto kStopGrace = std::chrono::seconds(10);

int default_jobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(std::min<unsigned>(cores, kMaxJobs));
}

// Why the summary (or the points table) may not be written where asked (it would replace a
// data file of the run or a file the run writes, or cannot replace what is there); empty if it
// may. Names are compared by util::file_identity, so no spelling of a path slips through.
std::string summary_problem(const std::string& summary, const std::vector<BatchFile>& files,
                            const CommandLine& command_line) {
  const util::FileIdentity identity = util::file_identity(summary);
  for (const BatchFile& file : files) {
    const std::string data = resolve_input_name(file.data_file);
    if (util::file_identity(data) == identity) {
      return "the summary would overwrite the data file " + util::printable_name(data);
    }
  }
  if (!command_line.points_file.empty() && summary != command_line.points_file &&
      util::file_identity(command_line.points_file) == identity) {
    return "the summary and the points table would be the same file: " +
           util::printable_name(summary);
  }
  for (const RunOutput& output : run_outputs(files, command_line)) {
    if (util::file_identity(output.name) == identity) {
      return std::string("the summary would overwrite the ") + output.what + " " +
             util::printable_name(output.name);
    }
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
      if (closed_) return;  // the run was stopped; the file counts as not done
      results_[index] = std::move(result);
      ready_[index] = true;
      ++done_;
      if (results_[index].status != 0) ++failed_;
    }
    changed_.notify_one();
  }

  // Waits until file `index` is ready, another file is done (`done` counts those seen so far),
  // the run is asked to stop or the refresh time has passed; returns whether the file is ready.
  bool wait_for(std::size_t index, int& done, int& failed) {
    std::unique_lock<std::mutex> lock(mutex_);
    const int seen = done;
    changed_.wait_for(lock, kProgressRefresh,
                      [&] { return ready_[index] || done_ != seen || stopping_; });
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

  // Wakes the printing thread to stop the run; any thread (the signal watcher's).
  void stop() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_one();
  }

  // Takes no more results; returns which files are ready. The results of those stay readable.
  std::vector<bool> close() {
    const std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    return ready_;
  }

 private:
  std::mutex mutex_;  // guards every member below
  std::condition_variable changed_;
  std::vector<FileResult> results_;
  std::vector<bool> ready_;
  int done_ = 0;
  int failed_ = 0;
  bool stopping_ = false;
  bool closed_ = false;
};

// A name may hold any byte but '/' and NUL; on stderr each line stays one line and sends no
// escape codes to the terminal.
// A file fitted group by group: its reading's messages, then each group's messages and report.
void print_result(const FileResult& result, bool several, std::ostream& out, std::ostream& err) {
  const std::string prefix = several ? util::printable_name(result.data_file) + ": " : "";
  std::istringstream lines(result.messages);
  std::string line;
  while (std::getline(lines, line)) err << prefix << util::printable_line(line) << '\n';
  err.flush();
  if (!result.report_file.empty()) out << result.report_file << '\n';
  out.flush();
  for (const FileResult& group : result.groups) print_result(group, several, out, err);
}

// Why a table of the run may not be written now that the run is done: it would replace a
// report the run wrote (a group's report is known only now). Empty if it may.
std::string table_clash(const std::string& path, std::span<const FileResult> results) {
  const util::FileIdentity identity = util::file_identity(path);
  const auto clash = [&](const FileResult& r) {
    return !r.report_file.empty() && util::file_identity(r.report_file) == identity;
  };
  for (const FileResult& file : results) {
    for (const FileResult& group : file.groups) {
      if (clash(group)) return "the table would overwrite the report " + group.report_file;
    }
    if (clash(file)) return "the table would overwrite the report " + file.report_file;
  }
  return "";
}

bool write_run_table(const std::string& path, const SummaryTable& table,
                     std::span<const FileResult> results, std::ostream& out, std::ostream& err) {
  std::string error = table_clash(path, results);
  if (error.empty() && write_table(path, table, &error)) {
    out << util::printable_name(path) << '\n';
    return true;
  }
  err << kProgramName << ": " << util::printable_line(error) << '\n';
  return false;
}

// Writes the summary and the points table, where asked for, and prints their names; false,
// with the reason on `err`, when one could not be written.
bool write_run_summary(const CommandLine& command_line, std::span<const FileResult> results,
                       std::ostream& out, std::ostream& err) {
  bool written = true;
  if (!command_line.summary_file.empty()) {
    written = write_run_table(command_line.summary_file, summary_table(results), results, out, err);
  }
  if (!command_line.points_file.empty()) {
    written = write_run_table(command_line.points_file, points_table(results), results, out, err) &&
              written;
  }
  return written;
}

// The end of a run that a stop signal interrupted, on the printing thread: from here on no
// other thread writes a file; the files done are printed in order and summarised with the files
// not done, and the process ends with the signal's status. The workers are not waited for:
// they are let go just before the end, so that none that has already ended counts as a thread
// never joined.
[[noreturn]] void end_stopped_run(std::vector<std::jthread>& workers, int signal,
                                  std::size_t printed, ResultBoard& board,
                                  const std::vector<BatchFile>& files,
                                  const CommandLine& command_line, std::ostream& out,
                                  std::ostream& err) {
  const bool several = files.size() > 1;
  util::stop_outputs();
  const std::vector<bool> ready = board.close();
  std::vector<FileResult>& results = board.all();
  const int status = util::stop_status(signal);
  std::map<int, int> files_by_status;
  int done = 0;
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (ready[i]) {
      if (i >= printed) print_result(results[i], several, out, err);
      ++done;
      ++files_by_status[results[i].status];
      continue;
    }
    results[i] = FileResult{};
    results[i].data_file = files[i].data_file;
    results[i].status = status;
    results[i].messages = "Error: The run was stopped by " + util::signal_name(signal) +
                          " before this file was done\n";
  }
  write_run_summary(command_line, results, out, err);
  err << kProgramName << ": "
      << stopped_line(util::signal_name(signal), done, static_cast<int>(results.size()),
                      files_by_status)
      << '\n';
  out.flush();
  err.flush();
  for (std::jthread& worker : workers) worker.detach();
  util::end_process(status, {});
}

// What the ways of running a batch's files share.
struct RunFiles {
  const std::vector<BatchFile>& files;
  const CommandLine& command_line;
  const PictureFactory& pictures;
  std::ostream& out;
  std::ostream& err;
  ResultBoard& board;
  std::function<int()> stop_signal;  // the first stop signal, 0 until one comes
};

// Several files: `jobs` worker threads fit them, this thread prints their results in the order of
// the files as they become ready, with the progress line when asked.
void run_in_workers(const RunFiles& run, int jobs, bool show_progress) {
  const std::size_t total = run.files.size();
  const bool several = total > 1;
  std::atomic<std::size_t> next{0};
  std::vector<std::jthread> workers;
  workers.reserve(static_cast<std::size_t>(jobs));
  for (int w = 0; w < jobs; ++w) {
    workers.emplace_back([&] {
      for (std::size_t i = next++; i < total && run.stop_signal() == 0; i = next++) {
        run.board.put(i, run_data_file(run.files[i], run.command_line, run.pictures, jobs > 1));
      }
    });
  }

  const auto start = Clock::now();
  int done = 0;
  int failed = 0;
  std::size_t printed = 0;
  while (printed < total && run.stop_signal() == 0) {
    const bool ready = run.board.wait_for(printed, done, failed);
    if (ready) {
      if (show_progress) run.err << kProgressClear;
      print_result(run.board.result(printed), several, run.out, run.err);
      ++printed;
    }
    if (show_progress && run.stop_signal() == 0) {
      const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
      run.err << progress_update(progress_line(done, static_cast<int>(total), failed, elapsed))
              << std::flush;
    }
  }
  if (show_progress) run.err << kProgressClear << std::flush;
  // The workers still fitting are left to the end of the process.
  if (const int signal = run.stop_signal(); signal != 0) {
    end_stopped_run(workers, signal, printed, run.board, run.files, run.command_line, run.out,
                    run.err);
  }
}  // the workers end here, each after its last file

// One file: this thread fits it and prints its result, with no worker, as a thread's start is a
// noticeable part of a short run. A stop signal while it does is answered as run_in_workers
// answers it, by a thread started then: it ends the run unless this thread is past printing the
// result, and waits for the printing to end first (the stop signals' grace bounds the wait).
void run_alone(const RunFiles& run, const BatchStop* stop) {
  std::mutex printing;      // held by whichever thread prints or ends the run
  bool past_print = false;  // guarded by `printing`
  std::size_t printed = 0;  // guarded by `printing`
  const auto end_if_stopped = [&] {
    if (const int signal = run.stop_signal(); signal != 0) {
      std::vector<std::jthread> none;
      end_stopped_run(none, signal, printed, run.board, run.files, run.command_line, run.out,
                      run.err);
    }
  };
  std::jthread ender;
  {
    // Destroyed before `ender` is joined: waits for a callback under way, which starts it.
    const std::stop_callback end_on_stop(stop != nullptr ? stop->token() : std::stop_token(), [&] {
      ender = std::jthread([&] {
        const std::lock_guard<std::mutex> lock(printing);
        if (!past_print) end_if_stopped();
      });
    });
    if (run.stop_signal() == 0) {
      run.board.put(0, run_data_file(run.files[0], run.command_line, run.pictures, false));
    }
    const std::lock_guard<std::mutex> lock(printing);
    if (run.stop_signal() == 0) {
      print_result(run.board.result(0), false, run.out, run.err);
      printed = 1;
    }
    end_if_stopped();
    past_print = true;
  }
}

}  // namespace

BatchStop::BatchStop()
    : signals_(
          kProgramName, [this](int) { source_.request_stop(); }, kStopGrace) {}

int run_batch(const CommandLine& command_line, std::ostream& out, std::ostream& err,
              const PictureFactory& pictures, bool progress, const BatchStop* stop) {
  const std::string program = std::string(kProgramName) + ": ";
  std::vector<std::string> skipped;
  const std::vector<BatchFile> files = plan_batch(command_line, &skipped);
  for (const std::string& note : skipped) {
    err << program << kMsgSkipped << util::printable_line(note) << '\n';
  }
  // Before anything is fitted: a summary or points table that cannot be written would lose the
  // whole run's figures at its end.
  for (const std::string& table : {command_line.summary_file, command_line.points_file}) {
    if (table.empty()) continue;
    if (const std::string problem = summary_problem(table, files, command_line); !problem.empty()) {
      err << program << util::printable_line(problem) << '\n';
      return kExitOutputNotWritten;
    }
  }

  const std::size_t total = files.size();
  const bool several = total > 1;
  const bool show_progress = progress && several;
  const auto stop_signal = [stop] { return stop != nullptr ? stop->signal() : 0; };

  ResultBoard board(total);
  const std::stop_callback wake_on_stop(stop != nullptr ? stop->token() : std::stop_token(),
                                        [&board] { board.stop(); });
  const RunFiles run{files, command_line, pictures, out, err, board, stop_signal};
  if (total == 1) {
    run_alone(run, stop);
  } else {
    const int jobs = static_cast<int>(
        std::min<std::size_t>(command_line.jobs > 0 ? command_line.jobs : default_jobs(),
                              std::max<std::size_t>(total, 1)));
    run_in_workers(run, jobs, show_progress);
  }

  int status = 0;
  std::map<int, int> files_by_status;
  for (const FileResult& result : board.all()) {
    status = more_serious_status(status, result.status);
    ++files_by_status[result.status];
  }
  if (!write_run_summary(command_line, board.all(), out, err)) {
    status = more_serious_status(status, kExitOutputNotWritten);
  }
  if (several) err << program << closing_line(static_cast<int>(total), files_by_status) << '\n';
  // A signal after the last file: the run is complete, its status says how it ended.
  if (const int signal = stop_signal(); signal != 0) return util::stop_status(signal);
  return status;
}

}  // namespace velmor::app
