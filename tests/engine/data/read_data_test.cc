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

// Found by argument lookup for the recorded messages' comparisons and failure output.
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
using testing::RecordingHost;
using testing::TempFolder;
using Message = RecordingHost::Message;

std::string curves(std::initializer_list<std::pair<double, int>> blocks) {
  std::string text;
  for (const auto& [so, points] : blocks) text += curve_rows(so, points);
  return text;
}

class ReadDataTest : public ::testing::Test {
 protected:
  ReadDataTest() {
    data_.nRows = -7;  // a marker that a refusal must leave in place
    data_.X1[0] = 42.0;
  }

  int read(const std::string& name) {
    return read_progress_curve_data(name, host_, units_, data_, report_, log_);
  }

  void expect_untouched() const {
    EXPECT_EQ(data_.nRows, -7);
    EXPECT_EQ(data_.X1[0], 42.0);
    EXPECT_EQ(units_.connected_count(), 0);
  }

  TempFolder folder_;
  RecordingHost host_;
  FileUnits units_;
  ProgressCurveData data_;
  std::string report_;
  std::ostringstream log_;
};

struct RefusalCase {
  const char* label;
  std::string text;
  std::string warning;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
  *os << c.label;
}

class DataRefusalTest : public ReadDataTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(DataRefusalTest, WarnsThenAbortsWithStatus3) {
  const std::string name = folder_.write("run.in", GetParam().text);
  EXPECT_EQ(read(name), kDataError);
  EXPECT_EQ(host_.messages, (std::vector<Message>{{kWarning, GetParam().warning},
                                                  {kError, "* * * ERROR: RUN ABORTED * * *"}}));
  expect_untouched();
  EXPECT_FALSE(std::filesystem::exists(folder_.file("run.out")));
}

std::string rows_of_one_curve(int n) {
  return curve_rows(10.0, n);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DataRefusalTest,
    ::testing::Values(
        RefusalCase{"CommentFirstLine", "# header\n" + curves({{10, 9}}),
                    "Data rows exceeded limit of 1000"},
        RefusalCase{"TooManyRows", rows_of_one_curve(1001), "Data rows exceeded limit of 1000"},
        RefusalCase{"TwoRows", rows_of_one_curve(2), "Data rows exceeded limit of 1000"},
        RefusalCase{"EmptyFile", "", "Data rows exceeded limit of 1000"},
        RefusalCase{"Commas", "0,10,1\n1,10,2\n2,10,3\n3,10,4\n4,10,5\n",
                    "Data columns not equal to 3"},
        RefusalCase{"FourColumns", "0 10 1 9\n1 10 2 9\n2 10 3 9\n3 10 4 9\n4 10 5 9\n",
                    "Data columns not equal to 3"},
        RefusalCase{"ElevenCurves",
                    curves({{1, 5},
                            {2, 5},
                            {3, 5},
                            {4, 5},
                            {5, 5},
                            {6, 5},
                            {7, 5},
                            {8, 5},
                            {9, 5},
                            {10, 5},
                            {11, 5}}),
                    "Exceeded curve number limit (10) 11"},
        RefusalCase{"FourPointCurveInTheMiddle", curves({{10, 20}, {20, 4}, {30, 20}}),
                    "Single curve data must be > number of curves 5"},
        RefusalCase{"FourPointCurveAtTheEnd", curves({{10, 9}, {20, 4}}),
                    "Single curve data must be > number of curves 5"},
        RefusalCase{"RepeatedSoWithoutEnoughPoints", curves({{10, 5}, {20, 5}, {10, 3}}),
                    "Single curve data must be > number of curves 5"},
        RefusalCase{"StrayLetter", curve_rows(10, 3) + "30 10 4.O\n" + curve_rows(10, 3),
                    "Data file line 4 does not begin with three numbers"},
        RefusalCase{"ShortRowNeverBorrowsTheNextLine",
                    "0 10 1\n1 10 2\n2 10\n3 10 4\n4 10 5\n5 10 6\n",
                    "Data file line 3 does not begin with three numbers"},
        RefusalCase{"NotANumberValue", "0 10 1\nnan 10 2\n2 10 3\n3 10 4\n4 10 5\n",
                    "Data file line 2 does not begin with three numbers"},
        RefusalCase{"NoDataAtAll", "\n\n", "Data rows exceeded limit of 1000"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(ReadDataTest, BinaryFilesAreRefusedByName) {
  for (const std::string& bytes :
       {std::string("\x7f"
                    "ELF\0\0\x02",
                    7),
        curve_rows(10, 6) + std::string("\0\x01\x02 4 5\n", 9) + curve_rows(10, 6)}) {
    host_.messages.clear();
    const std::string name = folder_.write("blob.in", bytes);
    EXPECT_EQ(read(name), kDataError);
    EXPECT_EQ(host_.messages,
              (std::vector<Message>{{kWarning, "The data file is not a text file: " + name},
                                    {kError, "* * * ERROR: RUN ABORTED * * *"}}));
    expect_untouched();
  }
}

TEST_F(ReadDataTest, MissingFileAsksForAnother) {
  const std::string name = folder_.file("absent");
  EXPECT_EQ(read(name), kDataFileMissing);
  EXPECT_EQ(host_.messages,
            (std::vector<Message>{{kWarning, "File does not exist: " + name + ".in"},
                                  {kError, "* * * OPEN ANOTHER DATA FILE * * *"}}));
  EXPECT_EQ(report_, name + ".out");
  expect_untouched();
}

TEST_F(ReadDataTest, FolderIsRefusedNotOpened) {
  std::filesystem::create_directory(folder_.file("set.in"));
  EXPECT_EQ(read(folder_.file("set.in")), kDataFileMissing);
  EXPECT_EQ(
      host_.messages,
      (std::vector<Message>{{kWarning, "The data file name is a folder: " + folder_.file("set.in")},
                            {kError, "* * * OPEN ANOTHER DATA FILE * * *"}}));
  expect_untouched();
}

TEST_F(ReadDataTest, DataFileThatWouldBeItsOwnReportIsKept) {
  const std::string text = curves({{10, 6}});
  const std::string name = folder_.write("run.out", text);
  EXPECT_EQ(read(name), kDataFileMissing);
  EXPECT_EQ(host_.messages,
            (std::vector<Message>{{kWarning, "The report would overwrite the data file: " + name},
                                  {kError, "* * * OPEN ANOTHER DATA FILE * * *"}}));
  std::ifstream in(name);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text);
  expect_untouched();
}

TEST_F(ReadDataTest, UnreadableFileIsRefused) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
  const std::string name = folder_.write("locked.in", curves({{10, 6}}));
  ASSERT_EQ(chmod(name.c_str(), 0), 0);
  EXPECT_EQ(read(name), kDataError);
  EXPECT_EQ(host_.messages,
            (std::vector<Message>{{kWarning, "The data file cannot be read: " + name},
                                  {kError, "* * * ERROR: RUN ABORTED * * *"}}));
  expect_untouched();
}

TEST_F(ReadDataTest, ExampleFileHasThreeCurvesOfNine) {
  const std::string example = std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN";
  ASSERT_EQ(read(example), kDataOk);
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_EQ(report_, std::string(VELMOR_EXAMPLES_DIR) + "/DATA.out");
  EXPECT_EQ(data_.nRows, 27);
  EXPECT_EQ(data_.nCols, 3);
  EXPECT_EQ(data_.nCurves, 3);
  EXPECT_EQ(data_.curveCount[0], 9);
  EXPECT_EQ(data_.curveCount[1], 9);
  EXPECT_EQ(data_.curveCount[2], 9);
  EXPECT_EQ(data_.curveCount[3], 0);
  EXPECT_EQ(data_.X1[1], 40.0);
  EXPECT_EQ(data_.X2[9], 100.0);
  EXPECT_EQ(data_.Y[9], -0.641);
  EXPECT_EQ(data_.Y[26], 123.469);
  EXPECT_EQ(data_.Ycalc[0], 0.0);
  EXPECT_EQ(units_.connected_count(), 0);
  EXPECT_FALSE(std::filesystem::exists(report_));  // the driver creates it
}

TEST_F(ReadDataTest, ThousandRowsInTenCurvesAreAccepted) {
  std::string text;
  for (int curve = 1; curve <= 10; ++curve) text += curve_rows(10.0 * curve, 100);
  ASSERT_EQ(read(folder_.write("big.in", text + "\nfree text 1 2 3\n")), kDataOk);
  EXPECT_EQ(data_.nRows, 1000);
  EXPECT_EQ(data_.nCurves, 10);
  EXPECT_EQ(data_.curveCount[9], 100);
  EXPECT_EQ(data_.X2[999], 100.0);
}

TEST_F(ReadDataTest, SoWithinTheToleranceStaysOneCurve) {
  const std::string text =
      "0 10.0 1\n1 10.00000005 2\n2 10.0 3\n3 10.0 4\n4 10.0 5\n"
      "0 10.0000002 1\n1 10.0000002 2\n2 10.0000002 3\n3 10.0000002 4\n4 10.0000002 5\n";
  ASSERT_EQ(read(folder_.write("tol.in", text)), kDataOk);
  EXPECT_EQ(data_.nCurves, 2);
  EXPECT_EQ(data_.curveCount[0], 5);
  EXPECT_EQ(data_.curveCount[1], 5);
}

TEST_F(ReadDataTest, RepeatedSoBlocksFormSeparateCurves) {
  ASSERT_EQ(read(folder_.write("abc.in", curves({{10, 5}, {20, 6}, {10, 7}}))), kDataOk);
  EXPECT_EQ(data_.nCurves, 3);
  EXPECT_EQ(data_.curveCount[0], 5);
  EXPECT_EQ(data_.curveCount[1], 6);
  EXPECT_EQ(data_.curveCount[2], 7);
}

TEST_F(ReadDataTest, WindowsLineEndsExponentsAndCommasBetweenValues) {
  const std::string text =
      "0\t1.0D1\t1.5E-1\r\n1 10 2.5d0\r\n2, 10, 3\r\n3 1.0e+01 +4\r\n4 10.0 5.\r\n\r\n";
  const std::string name = folder_.write("win.in", text);
  ASSERT_EQ(read(name), kDataOk) << (host_.messages.empty() ? "" : host_.messages[0].text);
  EXPECT_EQ(data_.nRows, 5);
  EXPECT_EQ(data_.nCurves, 1);
  EXPECT_EQ(data_.X2[0], 10.0);
  EXPECT_EQ(data_.Y[0], 0.15);
  EXPECT_EQ(data_.Y[1], 2.5);
  EXPECT_EQ(data_.Y[4], 5.0);
}

TEST_F(ReadDataTest, NameWithoutDotReadsDotIn) {
  folder_.write("data.in", curves({{10, 5}}));
  ASSERT_EQ(read("  " + folder_.file("data") + "  "), kDataOk);
  EXPECT_EQ(report_, folder_.file("data.out"));
}

TEST_F(ReadDataTest, DottedFolderAndBlanksInsideThePathSurvive) {
  folder_.write("my.data/a b/run.in", curves({{10, 5}}));
  ASSERT_EQ(read(folder_.file("my.data/a b/run")), kDataOk);
  EXPECT_EQ(report_, folder_.file("my.data/a b/run.out"));
}

TEST_F(ReadDataTest, LongPathIsNotCut) {
  const std::string sub = std::string(120, 'd') + "/" + std::string(120, 'e');
  const std::string name =
      folder_.write(sub + "/" + std::string(60, 'n') + ".in", curves({{10, 5}}));
  ASSERT_GT(name.size(), 300u);
  ASSERT_EQ(read(name), kDataOk);
  EXPECT_EQ(report_, name.substr(0, name.size() - 2) + "out");
}

TEST_F(ReadDataTest, UnitsHoldingTheDataOrReportFileAreClosedFirst) {
  const std::string name = folder_.write("held.in", curves({{10, 5}}));
  ASSERT_TRUE(units_.open(20, name, FileMode::kRead));
  ASSERT_TRUE(units_.open(33, folder_.file("held.out"), FileMode::kWrite));
  ASSERT_EQ(read(name), kDataOk);
  EXPECT_EQ(units_.connected_count(), 0);
}

TEST_F(ReadDataTest, OpenReportFileCreatesOrRefuses) {
  int unit = kDriverOutputUnit;
  ASSERT_TRUE(units_.open(15, folder_.file("other.txt"), FileMode::kWrite));
  const std::string report = folder_.write("r.out", "old report\n");
  ASSERT_EQ(open_report_file(report, host_, units_, unit), kDataOk);
  EXPECT_EQ(unit, 16);
  EXPECT_EQ(std::filesystem::file_size(report), 0u);
  EXPECT_TRUE(host_.messages.empty());

  int bad_unit = kDriverOutputUnit;
  EXPECT_EQ(open_report_file(folder_.file("no/such/dir/r.out"), host_, units_, bad_unit),
            kDataError);
  EXPECT_EQ(bad_unit, kDriverOutputUnit);
  EXPECT_EQ(host_.messages, (std::vector<Message>{{kError, "Data output file error at Line 395"},
                                                  {kError, "* * * ERROR: RUN ABORTED * * *"}}));
}

}  // namespace
}  // namespace velmor
