#include "engine/data/data_file.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "engine/data/data_file_names.h"
#include "engine/data/list_directed.h"
#include "temp_folder.h"

namespace velmor {
namespace {

using testing::TempFolder;

struct CountCase {
  const char* label;
  std::string text;
  int columns;
  int rows;
};

void PrintTo(const CountCase& c, std::ostream* os) {
  *os << c.label;
}

class CountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountTest, ColumnsAndRowsFollowTheLineRules) {
  const TempFolder folder;
  const std::string name = folder.write("count.in", GetParam().text);
  FileUnits units;
  std::ostringstream log;
  EXPECT_EQ(file_column_count(20, name, units, log), GetParam().columns);
  EXPECT_EQ(data_row_count(20, name, units), GetParam().rows);
  EXPECT_FALSE(units.is_connected(20));
}

INSTANTIATE_TEST_SUITE_P(
    Files, CountTest,
    ::testing::Values(CountCase{"Plain", "1 2 3\n4 5 6\n7 8 9\n", 3, 3},
                      CountCase{"TabsAndRuns", "1\t2   3\n4 5 6\n", 3, 2},
                      CountCase{"Commas", "1,2,3\n4,5,6\n", 1, 2},
                      CountCase{"NoFinalNewline", "1 2 3\n4 5 6", 3, 2},
                      CountCase{"TextAfterBlankLineIgnored", "1 2 3\n4 5 6\n\n7 8 9\nnotes here\n",
                                3, 2},
                      CountCase{"CommentEndsBlock", "1 2 3\n# note\n4 5 6\n", 3, 1},
                      CountCase{"HashAtTop", "# header\n1 2 3\n4 5 6\n", 3, 0},
                      CountCase{"QuoteAndApostropheComments", "  \"a b\n'c\n1 2 3 4\n", 4, 0},
                      CountCase{"BlankAtTop", "\n1 2 3\n", 3, 0},
                      CountCase{"OnlyCommentsCountTheFirst", "# one two\n' x\n", 3, 0},
                      CountCase{"WindowsLineEnds", "1 2 3\r\n4 5 6\r\n\r\n9 9 9\r\n", 3, 2},
                      CountCase{"TabOnlyLineIsBlank", "1 2 3\n\t \n4 5 6\n", 3, 1},
                      CountCase{"Empty", "", -1, 0}, CountCase{"AllBlank", "  \n\n \t\n", -1, 0}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(FileColumnCount, EmptyFileWarnsOnTheLog) {
  const TempFolder folder;
  FileUnits units;
  std::ostringstream log;
  EXPECT_EQ(file_column_count(20, folder.write("e.in", "\n\n"), units, log), -1);
  EXPECT_EQ(log.str(), "FILE_COLUMN_COUNT - Warning.\n  The file does not contain any data.\n");
  std::ostringstream quiet;
  file_column_count(20, folder.write("f.in", "1 2 3\n"), units, quiet);
  EXPECT_EQ(quiet.str(), "");
}

TEST(FileColumnCount, ReadsTheFirst256CharactersOnly) {
  const TempFolder folder;
  FileUnits units;
  std::ostringstream log;
  const std::string line = std::string(250, ' ') + "1 2 3 4\n";
  EXPECT_EQ(file_column_count(20, folder.write("w.in", line), units, log), 3);
}

TEST(Ycurves, GroupsAdjacentRowsWithinTheTolerance) {
  auto counts_of = [](const std::vector<double>& so) {
    const CurveGroups g = ycurves(so);
    return std::vector<int>(g.counts.begin(), g.counts.begin() + std::min(g.n_curves, 10));
  };
  EXPECT_EQ(counts_of({10.0, 10.00000005, 10.0}), (std::vector<int>{3}));
  EXPECT_EQ(counts_of({10.0, 10.0000002}), (std::vector<int>{1, 1}));
  // Compared with the curve's first row, so a slow drift still starts a new curve.
  EXPECT_EQ(counts_of({10.0, 10.00000008, 10.00000016}), (std::vector<int>{2, 1}));
  EXPECT_EQ(counts_of({10, 10, 20, 20, 10, 10}), (std::vector<int>{2, 2, 2}));
  EXPECT_EQ(counts_of({}), (std::vector<int>{1}));
  EXPECT_EQ(counts_of({7.0}), (std::vector<int>{1}));
}

TEST(Ycurves, CountsEveryCurveAndTheSmallestBeyondTheTenth) {
  std::vector<double> so;
  for (int curve = 0; curve < 12; ++curve) {
    for (int i = 0; i < (curve == 11 ? 2 : 6); ++i) so.push_back(curve + 1.0);
  }
  const CurveGroups g = ycurves(so);
  EXPECT_EQ(g.n_curves, 12);
  EXPECT_EQ(g.counts[9], 6);
  EXPECT_EQ(g.smallest, 2);
}

TEST(ListDirected, ReadsFortranNotation) {
  struct Case {
    std::string line;
    std::array<double, 3> expected;
  };
  const Case cases[] = {
      {"1 2 3", {1, 2, 3}},
      {"  0.5\t10.0  1.2e0 extra words", {0.5, 10.0, 1.2}},
      {"1,2,3", {1, 2, 3}},
      {"1 , 2 ,3", {1, 2, 3}},
      {"1.5D2 -2.5d-1 +.5E+1", {150.0, -0.25, 5.0}},
      {"2*4.0 7", {4.0, 4.0, 7.0}},
      {"1. 2 3 ", {1.0, 2.0, 3.0}},
  };
  for (const Case& c : cases) {
    std::array<double, 3> values{};
    ASSERT_TRUE(read_list_directed(c.line, values)) << c.line;
    EXPECT_EQ(values, c.expected) << c.line;
  }
}

TEST(ListDirected, RefusesWhatIsNotThreeNumbers) {
  for (const std::string line :
       {"1 2", "", "1 x 3", "1 2 3x", "1,,3", ",1 2 3", "1 2 / 3", "nan 1 2", "inf 1 2",
        "1e999 1 2", "1e 2 3", ". 2 3", "0x1 2 3", "2* 3", "1 2 -", "1.2.3 4 5"}) {
    std::array<double, 3> values{};
    EXPECT_FALSE(read_list_directed(line, values)) << '"' << line << '"';
  }
}

struct NameCase {
  const char* given;
  const char* input;
  const char* report;
};

void PrintTo(const NameCase& c, std::ostream* os) {
  *os << c.given;
}

class NameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameTest, InputAndReportNamesActOnTheFilesOwnName) {
  const std::string input = resolve_input_name(GetParam().given);
  EXPECT_EQ(input, GetParam().input);
  EXPECT_EQ(report_name_for(input), GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameTest,
    ::testing::Values(NameCase{"data", "data.in", "data.out"},
                      NameCase{"DATA.IN", "DATA.IN", "DATA.out"},
                      NameCase{"results.run2.in", "results.run2.in", "results.run2.out"},
                      NameCase{"  my data  ", "mydata.in", "mydata.out"},
                      NameCase{"my.data/run", "my.data/run.in", "my.data/run.out"},
                      NameCase{"/home/a b/my run", "/home/a b/myrun.in", "/home/a b/myrun.out"},
                      NameCase{"/home/a b/x y.in", "/home/a b/x y.in", "/home/a b/x y.out"},
                      NameCase{"run.out", "run.out", "run.out"}));

TEST(DataFileNames, LongNamesAreNeverCut) {
  const std::string folder = "/tmp/" + std::string(200, 'f') + "/";
  const std::string name = folder + std::string(120, 'n');
  EXPECT_EQ(resolve_input_name(name), name + ".in");
  EXPECT_EQ(report_name_for(name + ".in"), name + ".out");
}

TEST(DataFileNames, SameFileSeesThroughPathsAndLinks) {
  const TempFolder folder;
  const std::string data = folder.write("a.in", "1 2 3\n");
  EXPECT_TRUE(same_file(data, (folder.path() / "." / "a.in").string()));
  EXPECT_FALSE(same_file(data, folder.file("a.out")));
  std::filesystem::create_symlink(data, folder.file("a.out"));
  EXPECT_TRUE(same_file(data, folder.file("a.out")));
}

TEST(Ncolmdl, OnlyUnknownModelsAreFlagged) {
  std::ostringstream log;
  for (int model = 1; model <= 4; ++model) EXPECT_EQ(ncolmdl(3, model, log), 0);
  EXPECT_EQ(log.str(), "");
  EXPECT_EQ(ncolmdl(3, 5, log), kModelColumnMismatch);
  EXPECT_EQ(ncolmdl(2, 7, log), kModelColumnMismatch);
  EXPECT_EQ(ncolmdl(4, 7, log), 0);
  EXPECT_NE(log.str().find("Model 5"), std::string::npos);
}

}  // namespace
}  // namespace velmor
