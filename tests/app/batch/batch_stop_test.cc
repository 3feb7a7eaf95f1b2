// SPDX-License-Identifier: MIT
// A batch run stopped by a signal, in a child process stopped at a point the test chooses: the
// fit of the second file, whose picture hook tells the test it is there and waits.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <regex>
#include <string>
#include <vector>

#include "app/batch/batch_run.h"
#include "child_process.h"
#include "temp_folder.h"

namespace velmor::app {
namespace {

namespace fs = std::filesystem;
using testing::Pipe;
using testing::read_file;

class BatchStopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string example = read_file(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN");
    for (const char* name : {"runs/a.in", "runs/b.in", "runs/c.in"}) folder_.write(name, example);
    folder_.write("runs/b.out", "previous report\n");
  }

  // Runs a, b and c one at a time (or only `input`) with a summary, stdout into `out_fd`, stderr
  // into a file. The fit of b and of c says so on `reached_` and waits for `go_`.
  // `parent_end`, the test's end of a stdout pipe, is closed in the child.
  testing::ChildProcess start(int out_fd, int parent_end = -1, const std::string& input = "runs") {
    std::cout.flush();
    return testing::ChildProcess([this, out_fd, parent_end, input] {
      if (parent_end >= 0) ::close(parent_end);
      ::dup2(out_fd, STDOUT_FILENO);
      const int err = ::open(folder_.file("err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(err, STDERR_FILENO);
      const BatchStop stop;
      const PictureFactory pictures = [this](const std::string& stem, std::ostream&) {
        return BatchPictures{[this, stem](const FittedData&) {
                               if (stem == "a") return;
                               reached_.put();
                               go_.get_in_steps();
                             },
                             {},
                             {}};
      };
      CommandLine cl;
      cl.inputs = {folder_.file(input)};
      cl.models = {1, 0, 0, 0};
      cl.jobs = 1;
      cl.summary_file = folder_.file("summary.csv");
      return run_batch(cl, std::cout, std::cerr, pictures, false, &stop);
    });
  }

  // No lock or temporary file anywhere; the report of a whole, b's earlier report kept.
  void expect_files_whole(const std::string& b_report) {
    EXPECT_EQ(testing::file_names_in(folder_.file("runs")),
              (std::set<std::string>{"a.in", "a.out", "b.in", "b.out", "c.in"}));
    EXPECT_TRUE(read_file(folder_.file("runs/a.out"))
                    .ends_with("Results written to " + folder_.file("runs/a.out") + "\n"));
    EXPECT_TRUE(std::regex_search(read_file(folder_.file("runs/b.out")), std::regex(b_report)));
  }

  // The summary's file_status column, file by file: the file's letter and its status.
  std::vector<std::string> summary_statuses() {
    std::vector<std::string> statuses;
    const std::regex row(R"(\n"[^"]*/runs/(\w)\.in",("[^"]*")?,("[^"]*")?,(\d+),)");
    const std::string text = read_file(folder_.file("summary.csv"));
    for (std::sregex_iterator it(text.begin(), text.end(), row), end; it != end; ++it) {
      statuses.push_back((*it)[1].str() + (*it)[4].str());
    }
    return statuses;
  }

  testing::TempFolder folder_;
  Pipe reached_, go_;
};

// SIGTERM, SIGINT or SIGHUP during a fit: the lock and temporary files go, earlier files stay
// whole, the summary marks the files not done, and the status is the signal's.
TEST_F(BatchStopTest, SignalDuringAFitLeavesNoLockAndSummarisesTheFilesDone) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    SetUp();
    const int out = ::open(folder_.file("out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    testing::ChildProcess child = start(out);
    ::close(out);
    ASSERT_TRUE(child.await(reached_));
    child.signal(signal);
    EXPECT_EQ(child.exit_status(), 128 + signal);
    expect_files_whole("^previous report\n$");
    const std::string name = signal == SIGTERM ? "SIGTERM" : signal == SIGINT ? "SIGINT" : "SIGHUP";
    const std::string status = std::to_string(128 + signal);
    EXPECT_EQ(summary_statuses(), (std::vector<std::string>{"a0", "b" + status, "c" + status}));
    EXPECT_NE(read_file(folder_.file("summary.csv"))
                  .find("Error: The run was stopped by " + name + " before this file was done"),
              std::string::npos);
    EXPECT_EQ(read_file(folder_.file("out.txt")),
              folder_.file("runs/a.out") + "\n" + folder_.file("summary.csv") + "\n");
    EXPECT_TRUE(read_file(folder_.file("err.txt"))
                    .ends_with("velmor-tarn: stopped by " + name +
                               " after 1 of 3 files: all 1 files completed\n"))
        << read_file(folder_.file("err.txt"));
    fs::remove(folder_.file("runs/a.out"));
  }
}

// The reader of stdout goes away (velmor-tarn --batch DIR | head -1): the run stops at its next
// line with status 141, the summary and the closing line written and no lock left.
TEST_F(BatchStopTest, ReaderGoneStopsTheRunWithItsSummary) {
  Pipe out;
  testing::ChildProcess child = start(out.write, out.read);
  out.close_write();
  std::string first_line;
  for (char c = 0; ::read(out.read, &c, 1) == 1 && c != '\n';) first_line += c;
  EXPECT_EQ(first_line, folder_.file("runs/a.out"));
  ASSERT_TRUE(child.await(reached_));  // b is being fitted
  out.close_read();
  go_.put();  // b goes on; printing its report's name ends the run
  EXPECT_EQ(child.exit_status(), 141);
  expect_files_whole("Results written to");
  EXPECT_EQ(summary_statuses(), (std::vector<std::string>{"a0", "b0", "c141"}));
  EXPECT_TRUE(read_file(folder_.file("err.txt"))
                  .ends_with("velmor-tarn: stopped by SIGPIPE after 2 of 3 files: all 2 files "
                             "completed\n"))
      << read_file(folder_.file("err.txt"));
}

// A run of one file, which the calling thread fits itself, stops the same way: by a signal
// during the fit, or by the reader of stdout gone when the report's name is printed.
TEST_F(BatchStopTest, ALoneFileStopsAsInARunOfMany) {
  const int out = ::open(folder_.file("out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  testing::ChildProcess stopped = start(out, -1, "runs/b.in");
  ::close(out);
  ASSERT_TRUE(stopped.await(reached_));
  stopped.signal(SIGTERM);
  EXPECT_EQ(stopped.exit_status(), 143);
  EXPECT_EQ(testing::file_names_in(folder_.file("runs")),
            (std::set<std::string>{"a.in", "b.in", "b.out", "c.in"}));
  EXPECT_EQ(read_file(folder_.file("runs/b.out")), "previous report\n");
  EXPECT_EQ(summary_statuses(), (std::vector<std::string>{"b143"}));
  EXPECT_EQ(read_file(folder_.file("out.txt")), folder_.file("summary.csv") + "\n");
  EXPECT_TRUE(read_file(folder_.file("err.txt"))
                  .ends_with("velmor-tarn: stopped by SIGTERM after 0 of 1 files\n"))
      << read_file(folder_.file("err.txt"));

  Pipe reader;
  testing::ChildProcess reader_gone = start(reader.write, reader.read, "runs/b.in");
  reader.close_write();
  ASSERT_TRUE(reader_gone.await(reached_));
  reader.close_read();
  go_.put();
  EXPECT_EQ(reader_gone.exit_status(), 141);
  EXPECT_TRUE(read_file(folder_.file("runs/b.out"))
                  .ends_with("Results written to " + folder_.file("runs/b.out") + "\n"));
  EXPECT_EQ(summary_statuses(), (std::vector<std::string>{"b0"}));
  EXPECT_TRUE(read_file(folder_.file("err.txt"))
                  .ends_with("velmor-tarn: stopped by SIGPIPE after 1 of 1 files: all 1 files "
                             "completed\n"))
      << read_file(folder_.file("err.txt"));
}

}  // namespace
}  // namespace velmor::app
