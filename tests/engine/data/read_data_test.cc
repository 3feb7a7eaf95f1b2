#include "engine/data/read_data.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "recording_host.h"
#include "temp_folder.h"

namespace velmor::testing {

// Found by argument lookup for comparing and printing recorded messages.
bool operator==(const RecordingHost::Message& a, const RecordingHost::Message& b) {
  return a.kind == b.kind && a.text == b.text;
}
void PrintTo(const RecordingHost::Message& m, std::ostream* os) {
  *os << "{" << m.kind << ", \"" << m.text << "\"}";
}

}  // namespace velmor::testing

namespace velmor {
namespace {

using testing::curve_rows;
using Messages = std::vector<testing::RecordingHost::Message>;

const std::string kAborted = "* * * ERROR: RUN ABORTED * * *";
const std::string kAnother = "* * * OPEN ANOTHER DATA FILE * * *";

std::string curves(std::initializer_list<std::pair<double, int>> blocks) {
  std::string text;
  for (const auto& [so, points] : blocks) text += curve_rows(so, points);
  return text;
}

class ReadDataTest : public ::testing::Test {
 protected:
  ReadDataTest() { data_.nRows = -7; }  // a refusal must leave this marker in place

  int read(const std::string& name) {
    host_.messages.clear();
    return read_progress_curve_data(name, host_, units_, data_, report_, log_);
  }
  void expect_refused(int status, const std::string& warning, const std::string& last) {
    EXPECT_EQ(status, last == kAborted ? kDataError : kDataFileMissing);
    EXPECT_EQ(host_.messages, (Messages{{kWarning, warning}, {kError, last}}));
    EXPECT_EQ(data_.nRows, -7);
    EXPECT_EQ(units_.connected_count(), 0);
  }

  testing::TempFolder folder_;
  testing::RecordingHost host_;
  FileUnits units_;
  ProgressCurveData data_;
  std::string report_;
  std::ostringstream log_;
};

TEST_F(ReadDataTest, RefusedFilesWarnThenAbortAndCreateNoReport) {
  std::string eleven;
  for (int so = 1; so <= 11; ++so) eleven += curve_rows(so, 5);
  const std::pair<std::string, std::string> cases[] = {
      {"# header\n" + curves({{10, 9}}), "Data rows exceeded limit of 1000"},
      {curve_rows(10, 1001), "Data rows exceeded limit of 1000"},
      {curve_rows(10, 2), "Data rows exceeded limit of 1000"},
      {curve_rows(10, 3), "Single curve data must be > number of curves 5"},  // 3 rows pass
      {"", "Data rows exceeded limit of 1000"},
      {"0,10,1\n1,10,2\n2,10,3\n3,10,4\n4,10,5\n", "Data columns not equal to 3"},
      {eleven, "Exceeded curve number limit (10) 11"},
      {curves({{10, 20}, {20, 4}, {30, 20}}), "Single curve data must be > number of curves 5"},
      {curves({{10, 5}, {20, 5}, {10, 3}}), "Single curve data must be > number of curves 5"},
      {curve_rows(10, 3) + "30 10 4.O\n" + curve_rows(10, 3),
       "Data file line 4 does not begin with three numbers"},
      {"0 10 1\n1 10 2\n2 10\n3 10 4\n4 10 5\n5 10 6\n",  // never continues on the next line
       "Data file line 3 does not begin with three numbers"},
      {"0 10 1\nnan 10 2\n2 10 3\n3 10 4\n4 10 5\n",
       "Data file line 2 does not begin with three numbers"},
      // Cut at the read width, the last value would be read as 13.
      {curve_rows(10, 2) + "20 10" + std::string(65529, ' ') + "13746\n" + curve_rows(10, 3),
       "Data file line 3 is longer than 65536 characters"},
      {"0 10 1\n1 10 2\n2 0 3\n3 10 4\n4 10 5\n", "Data file line 3 has an [So] of zero or below"},
      {"0 -5 1\n1 -5 2\n2 -5 3\n3 -5 4\n4 -5 5\n", "Data file line 1 has an [So] of zero or below"},
  };
  for (const auto& [text, warning] : cases) {
    SCOPED_TRACE(warning);
    expect_refused(read(folder_.write("run.in", text)), warning, kAborted);
  }
  EXPECT_FALSE(std::filesystem::exists(folder_.file("run.out")));
}

TEST_F(ReadDataTest, UnusableFilesAreRefusedByName) {
  const std::string absent = folder_.file("absent");
  expect_refused(read(absent), "File does not exist: " + absent + ".in", kAnother);
  EXPECT_EQ(report_, absent + ".out");
  std::filesystem::create_directory(folder_.file("set.in"));
  expect_refused(read(folder_.file("set.in")),
                 "The data file name is a folder: " + folder_.file("set.in"), kAnother);
  const std::string own = folder_.write("run.out", curves({{10, 6}}));
  expect_refused(read(own), "The report would overwrite the data file: " + own, kAnother);
  EXPECT_EQ(std::filesystem::file_size(own), curves({{10, 6}}).size());

  for (const std::string& bytes : {std::string("\177ELF\0\0\2", 7),
                                   curves({{10, 6}}) + std::string("\0\x01 4 5\n", 7),
                                   std::string("1 2\0 3 4 5\n", 11)}) {
    const std::string blob = folder_.write("blob.in", bytes);
    expect_refused(read(blob), "The data file is not a text file: " + blob, kAborted);
  }
  // UTF-16 with its byte order mark in either order, and without one.
  for (const std::string& bytes : {std::string{'\xFF', '\xFE', '0', '\0', ' ', '\0', '1', '\0'},
                                   std::string{'\xFE', '\xFF', '\0', '0', '\0', ' ', '\0', '1'},
                                   std::string{'0', '\0', ' ', '\0', '1', '\0', ' ', '\0'}}) {
    const std::string wide = folder_.write("wide.in", bytes);
    expect_refused(read(wide),
                   "The data file is UTF-16 text; save it as UTF-8 or ASCII text: " + wide,
                   kAborted);
  }
  const std::string broken = folder_.write("two\nlines.in", curves({{10, 6}}));
  expect_refused(read(broken),
                 "The data file name holds a line break or another control character: \"" +
                     folder_.file("two\\nlines.in") + "\"",
                 kAnother);
  const std::string pipe = folder_.file("pipe.in");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  expect_refused(read(pipe), "The data file cannot be read: " + pipe, kAborted);
  if (geteuid() == 0) return;  // permissions do not stop root
  const std::string locked = folder_.write("locked.in", curves({{10, 6}}));
  ASSERT_EQ(chmod(locked.c_str(), 0), 0);
  expect_refused(read(locked), "The data file cannot be read: " + locked, kAborted);
}

// The example, files held open by units, names with blanks and long folder names.
TEST_F(ReadDataTest, ExampleFileAndNames) {
  const std::string example = folder_.file("DATA.IN");
  std::filesystem::copy_file(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN", example);
  ASSERT_TRUE(units_.open(20, example, FileMode::kRead));
  ASSERT_TRUE(units_.open(33, folder_.file("DATA.out"), FileMode::kWrite));
  ASSERT_EQ(read(example), kDataOk);
  EXPECT_EQ(units_.connected_count(), 0);  // units holding the data or report file are closed
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_EQ(report_, folder_.file("DATA.out"));
  EXPECT_EQ(data_.nRows, 27);
  EXPECT_EQ(data_.nCurves, 3);
  EXPECT_EQ(data_.curveCount, (std::array<int, kMaxCurves>{9, 9, 9}));
  EXPECT_EQ(data_.X2[9], 100.0);
  EXPECT_EQ(data_.Y[26], 123.469);

  folder_.write("data.in", curves({{10, 5}}));
  ASSERT_EQ(read("  " + folder_.file("data") + "  "), kDataOk);
  EXPECT_EQ(report_, folder_.file("data.out"));
  const std::string deep = std::string(120, 'd') + "/" + std::string(120, 'e') + "/run.in";
  const std::string name = folder_.write(deep, curves({{10, 5}}));
  ASSERT_EQ(read(name), kDataOk);
  EXPECT_EQ(report_, name.substr(0, name.size() - 2) + "out");
}

TEST_F(ReadDataTest, AcceptedFilesAndTheirGrouping) {
  std::string thousand;
  for (int curve = 1; curve <= 10; ++curve) thousand += curve_rows(10.0 * curve, 100);
  ASSERT_EQ(read(folder_.write("big.in", thousand + "\nfree text 1 2 3\n")), kDataOk);
  EXPECT_EQ(data_.nRows, 1000);
  EXPECT_EQ(data_.curveCount[9], 100);
  ASSERT_EQ(read(folder_.write("abc.in", curves({{10, 5}, {20, 6}, {10, 7}}))), kDataOk);
  EXPECT_EQ(data_.curveCount, (std::array<int, kMaxCurves>{5, 6, 7}));

  // Line ends of Windows and of old Macs, a byte order mark, and Fortran's number forms.
  for (const std::string end : {"\r\n", "\r"}) {
    const std::string text = "\xEF\xBB\xBF" "0\t1.0D1\t1.5E-1" + end + "1 10 2.5d0" + end +
                             "2, 10, 3" + end + "3 1e+01 +4" + end + "4 10 1.0+3" + end +
                             "5 10 25-1" + end + end + "notes";
    ASSERT_EQ(read(folder_.write("win.in", text)), kDataOk) << host_.messages.front().text;
    EXPECT_EQ(data_.nRows, 6);
    EXPECT_EQ(data_.nCurves, 1);
    EXPECT_EQ(data_.X2[0], 10.0);
    EXPECT_EQ(std::vector<double>(data_.Y.begin(), data_.Y.begin() + 6),
              (std::vector<double>{0.15, 2.5, 3, 4, 1000, 2.5}));
  }
  // Blanks beyond the read width are harmless.
  ASSERT_EQ(
      read(folder_.write("wide.in", "0 10 1" + std::string(70000, ' ') + "\n" + curve_rows(10, 4))),
      kDataOk);
  // Negative times are fitted, after a warning that names the first such line.
  ASSERT_EQ(read(folder_.write("early.in", "10 10 1\n-5 10 2\n-1 10 3\n4 10 4\n5 10 5\n")),
            kDataOk);
  EXPECT_EQ(host_.messages,
            (Messages{{kWarning, "Data file line 2 has a negative time; the run goes on"}}));
  EXPECT_EQ(data_.X1[1], -5.0);
}

}  // namespace
}  // namespace velmor
