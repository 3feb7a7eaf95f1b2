// SPDX-License-Identifier: MIT
// The readers' memory is bounded by fixed limits whatever the file: each reading runs in a child
// process whose address space may grow by at most 64 MB, and must end with its refusal.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "child_process.h"
#include "engine/data/read_data.h"
#include "engine/data/run_data.h"
#include "recording_host.h"
#include "temp_folder.h"

#if defined(__SANITIZE_ADDRESS__)
#define VELMOR_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMOR_ADDRESS_SANITIZER 1
#endif
#endif

namespace velmor {
namespace {

constexpr rlim_t kGrowth = 64u << 20;

// The process's address space in bytes, from /proc/self/status.
rlim_t address_space() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
  }
  return 0;
}

// Runs `read` in a child under the limit; the child's exit code is the reading's last message
// matching `expected` (0) or not (1); a child that runs out of memory dies by a signal or with
// another code.
void expect_bounded(const std::function<std::string()>& read, const std::string& expected) {
#ifdef VELMOR_ADDRESS_SANITIZER
  GTEST_SKIP() << "the sanitizer's shadow memory does not fit an address-space limit";
#endif
  testing::ChildProcess child([&] {
    const rlimit limit{address_space() + kGrowth, address_space() + kGrowth};
    if (setrlimit(RLIMIT_AS, &limit) != 0) return 3;
    try {
      return read() == expected ? 0 : 1;
    } catch (...) {
      return 2;
    }
  });
  ASSERT_TRUE(child.started());
  const int status = child.wait();
  ASSERT_TRUE(WIFEXITED(status)) << "the reader died by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: out of memory, 1: another message";
}

std::string repeated(const std::string& head, const std::string& line, int count) {
  std::string text = head;
  text.reserve(head.size() + line.size() * count);
  for (int i = 0; i < count; ++i) text += line;
  return text;
}

class ReaderMemory : public ::testing::Test {
 protected:
  // The second-to-last message of a refused reading (the last is the run aborted).
  std::string refusal(const std::string& file, const ImportOptions& options = {}) {
    testing::RecordingHost host;
    FileUnits units;
    std::ostringstream log;
    const PreparedRun run = prepare_run(file, options, host, units, log);
    if (run.status == kDataOk || host.messages.size() < 2) return "accepted";
    return host.messages[host.messages.size() - 2].text;
  }

  testing::TempFolder folder_;
};

// 98 MB: a wide table's header and 1500 lines of a time and 65534 empty cells (3.1 GB before).
TEST_F(ReaderMemory, WideTableOfEmptyCells) {
  const std::string file =
      folder_.write("wide.csv", repeated("t,S0=1\n", "1" + std::string(65534, ',') + "\n", 1500));
  expect_bounded([&] { return refusal(file); }, kMsgHeaderOnly + file);
}

TEST_F(ReaderMemory, LongTablesExportsAndDocumentsStopAtTheirLimits) {
  // A long table of 250000 observations of one well.
  std::string lines;
  for (int i = 0; i < 250000; ++i) lines += "A1," + std::to_string(i) + ",5,0.5\n";
  const std::string tidy = folder_.write("tidy.csv", "well,time,S0,y\n" + lines);
  expect_bounded([&] { return refusal(tidy); },
                 "The data file holds more observations than the program reads from one file: "
                 "200000");
  // A plate export whose lines hold 65534 cells after a time and a well.
  const std::string plate = folder_.write(
      "plate.txt",
      repeated("Reader\nTime\tA1\n", "0:00:01\t0.1" + std::string(65533, '\t') + "\n", 1500));
  expect_bounded([&] { return refusal(plate); },
                 "The data give the wells no [So]: give a layout (--layout FILE, or a file "
                 "DATA.layout.csv beside the data file DATA.txt) naming each well's S0");
  // ... and lines holding more than the readable cells.
  const std::string wide = folder_.write(
      "wide.txt", repeated("Time\tA1\n", "0:00:01\t0.1" + std::string(5000, '\t') + "1\n", 100));
  expect_bounded([&] { return refusal(wide); }, "Data file line 2 holds more than 4096 cells");
  // An EnzymeML document of 2 million numbers.
  const std::string json = folder_.write(
      "doc.json",
      repeated(R"({"measurements": [{"id": "m", "species_data": [{"data": [0)", ",1", 2000000) +
          "]}]}]}");
  expect_bounded([&] { return refusal(json); },
                 "The EnzymeML document is not valid JSON (line 1, column 2000059: more than "
                 "1000000 numbers)");
}

}  // namespace
}  // namespace velmor
