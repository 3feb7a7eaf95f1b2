// SPDX-License-Identifier: MIT

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

TEST(DataFileCounts, ColumnsAndRowsFollowTheLineRules) {
  const std::string bom = "\xEF\xBB\xBF";
  const struct {
    std::string text;
    int columns, rows;
  } cases[] = {
      // clang-format off
      {"1\t2   3\n4 5 6\n7 8 9", 3, 3}, {"1,2,3\n4,5,6\n", 1, 2},
      {"1 2 3\n4 5 6\n\n7 8 9\nnotes here\n", 3, 2},  // text after the blank line is not data
      {"1 2 3\n# note\n4 5 6\n", 3, 1}, {"# header\n1 2 3\n4 5 6\n", 3, 0},
      {"# one two\n' x\n", 3, 0},  // only comments: the first non-blank line counts
      {"1 2 3\r\n4 5 6\r\n\r\n9 9 9\r\n", 3, 2}, {bom + "1 2 3\n4 5 6\n", 3, 2},
      {std::string(250, ' ') + "1 2 3 4\n", 3, 0},  // the count reads 256 characters
      {std::string(100, ' ') + "1 2 3\n", 3, 0},    // rows are classified by 100
      {"  \n\n \t\n", -1, 0},
      // clang-format on
  };
  const TempFolder folder;
  FileUnits units;
  for (const auto& c : cases) {
    const std::string name = folder.write("count.in", c.text);
    std::ostringstream log;
    EXPECT_EQ(file_column_count(20, name, units, log), c.columns) << c.text;
    EXPECT_EQ(data_row_count(20, name, units), c.rows) << c.text;
    EXPECT_EQ(log.str().empty(), c.columns != -1);
  }
  EXPECT_EQ(units.connected_count(), 0);
  std::ostringstream log;
  EXPECT_EQ(file_column_count(20, folder.write("empty.in", ""), units, log), -1);
  EXPECT_EQ(log.str(), "FILE_COLUMN_COUNT - Warning.\n  The file does not contain any data.\n");
}

TEST(Ycurves, GroupsAdjacentRowsAgainstTheCurvesFirstSo) {
  auto counts_of = [](const std::vector<double>& so) {
    const CurveGroups g = ycurves(so);
    return std::vector<int>(g.counts.begin(), g.counts.begin() + std::min(g.n_curves, 10));
  };
  EXPECT_EQ(counts_of({10.0, 10.00000005, 10.0}), (std::vector<int>{3}));
  EXPECT_EQ(counts_of({10.0, 10.0000002}), (std::vector<int>{1, 1}));
  EXPECT_EQ(counts_of({10.0, 10.00000008, 10.00000016}), (std::vector<int>{2, 1}));
  EXPECT_EQ(counts_of({}), (std::vector<int>{1}));
  // [So] in molar units: the tolerance is relative.
  EXPECT_EQ(counts_of({50e-9, 50e-9, 100e-9, 100e-9, 50e-9}), (std::vector<int>{2, 2, 1}));
  std::vector<double> twelve;
  for (int curve = 0; curve < 12; ++curve)
    twelve.insert(twelve.end(), curve == 11 ? 2 : 6, curve + 1.0);
  const CurveGroups g = ycurves(twelve);
  EXPECT_EQ(g.n_curves, 12);
  EXPECT_EQ(g.smallest, 2);  // also counted beyond the ten stored curves
}

TEST(ListDirected, ReadsFortranNotation) {
  const std::pair<std::string, std::array<double, 3>> cases[] = {
      {"  0.5\t10.0  1.2e0 extra words", {0.5, 10.0, 1.2}}, {"1 , 2 ,3", {1, 2, 3}},
      {"1.5D2 -2.5d-1 +.5E+1", {150.0, -0.25, 5.0}},        {"2*4.0 7.", {4.0, 4.0, 7.0}},
      {"1.0+3 2-1 -1.5-2", {1000.0, 0.2, -0.015}},  // the exponent's sign without a letter
  };
  for (const auto& [line, expected] : cases) {
    std::array<double, 3> values{};
    ASSERT_TRUE(read_list_directed(line, values)) << line;
    EXPECT_EQ(values, expected) << line;
  }
  for (const std::string line :
       {"1 2", "1 x 3", "1 2 3x", "1,,3", ",1 2 3", "1 2 / 3", "nan 1 2", "inf 1 2", "1e999 1 2",
        "1e 2 3", ". 2 3", "0x1 2 3", "2* 3", "1.0+ 2 3", "1+-3 2 3", "1-3+ 2 3", "+3 4 5-"}) {
    std::array<double, 3> values{};
    EXPECT_FALSE(read_list_directed(line, values)) << '"' << line << '"';
  }
}

// Input and report names act on the file's own name.
TEST(DataFileNames, InputAndReportNames) {
  const std::array<std::array<std::string, 3>, 4> cases = {{
      {"data", "data.in", "data.out"},
      {"results.run2.in", "results.run2.in", "results.run2.out"},
      {"  my data  ", "mydata.in", "mydata.out"},
      {"run.out", "run.out", "run.out"},
  }};
  for (const auto& [given, input, report] : cases) {
    EXPECT_EQ(resolve_input_name(given), input);
    EXPECT_EQ(report_name_for(input), report);
  }
}

TEST(Ncolmdl, OnlyUnknownModelsAreFlagged) {
  std::ostringstream log;
  for (int model = 1; model <= 8; ++model) EXPECT_EQ(ncolmdl(3, model, log), 0);
  EXPECT_EQ(log.str(), "");
  EXPECT_EQ(ncolmdl(3, 9, log), kModelColumnMismatch);
  EXPECT_EQ(ncolmdl(4, 11, log), 0);
}

}  // namespace
}  // namespace velmor
