// SPDX-License-Identifier: MIT

#include "engine/data/read_data.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "engine/data/delimited_data.h"
#include "engine/data/delimited_text.h"
#include "recording_host.h"
#include "temp_folder.h"

namespace velmor {
namespace {

using testing::curve_rows;
using Messages = std::vector<std::pair<int, std::string>>;  // kind and text

const std::string kAborted = "* * * ERROR: RUN ABORTED * * *";
const std::string kAnother = "* * * OPEN ANOTHER DATA FILE * * *";

// Five lines of `pattern` with T the time 10 i, I the row number i and Y the value i.5.
std::string five(const std::string& pattern) {
  std::string text;
  for (int i = 0; i < 5; ++i) {
    for (const char c : pattern) {
      text += c == 'T'   ? std::to_string(10 * i)
              : c == 'I' ? std::to_string(i)
              : c == 'Y' ? std::to_string(i) + ".5"
                         : std::string(1, c);
    }
    text += '\n';
  }
  return text;
}

std::vector<double> repeat(const std::vector<double>& values, int times) {
  std::vector<double> out;
  for (double v : values) out.insert(out.end(), times, v);
  return out;
}

std::vector<double> ramp(int curves) {  // Y of five() for each curve
  std::vector<double> out;
  out.reserve(static_cast<std::size_t>(curves) * 5);
  for (int c = 0; c < curves * 5; ++c) out.push_back(c % 5 + 0.5);
  return out;
}

class ReadDataTest : public ::testing::Test {
 protected:
  ReadDataTest() { data_.nRows = -7; }  // a refusal must leave this marker in place

  int read(const std::string& name, const DataColumns& columns = {}) {
    host_.messages.clear();
    return read_progress_curve_data(name, host_, units_, data_, report_, log_, columns);
  }
  Messages messages() const {
    Messages out;
    for (const auto& m : host_.messages) out.emplace_back(m.kind, m.text);
    return out;
  }
  void expect_refused(int status, const std::string& warning, const std::string& last) {
    EXPECT_EQ(status, last == kAborted ? kDataError : kDataFileMissing);
    EXPECT_EQ(messages(), (Messages{{kWarning, warning}, {kError, last}}));
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
      {curve_rows(10, 1001), "Data rows exceeded limit of 1000"},
      {curve_rows(10, 2), "Data rows exceeded limit of 1000"},
      {"0,10,1\n1,10,2\n2,10,3\n3,10,4\n4,10,5\n", "Data columns not equal to 3"},
      {eleven, "Exceeded curve number limit (10) 11"},
      {curve_rows(10, 5) + curve_rows(20, 5) + curve_rows(10, 3),
       "Single curve data must be > number of curves 5"},
      {curve_rows(10, 3) + "30 10 4.O\n" + curve_rows(10, 3),
       "Data file line 4 does not begin with three numbers"},
      // Cut at the read width, the last value would be read as 13.
      {curve_rows(10, 2) + "20 10" + std::string(65529, ' ') + "13746\n" + curve_rows(10, 3),
       "Data file line 3 is longer than 65536 characters"},
      {"0 10 1\n1 10 2\n2 0 3\n3 10 4\n4 10 5\n", "Data file line 3 has an [So] of zero or below"},
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
  const std::string own = folder_.write("run.out", curve_rows(10, 6));
  expect_refused(read(own), "The report would overwrite the data file: " + own, kAnother);
  EXPECT_EQ(std::filesystem::file_size(own), curve_rows(10, 6).size());

  const std::string blob =
      folder_.write("blob.in", curve_rows(10, 6) + std::string("\0\x01 4\n", 5));
  expect_refused(read(blob), "The data file is not a text file: " + blob, kAborted);
  const std::string wide =
      folder_.write("wide.in", std::string{'0', '\0', ' ', '\0', '1', '\0', ' ', '\0'});
  expect_refused(read(wide),
                 "The data file is UTF-16 text; save it as UTF-8 or ASCII text: " + wide, kAborted);
  const std::string broken = folder_.write("two\nlines.in", curve_rows(10, 6));
  expect_refused(read(broken),
                 "The data file name holds a line break or another control character: \"" +
                     folder_.file("two\\nlines.in") + "\"",
                 kAnother);
  const std::string pipe = folder_.file("pipe.in");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  expect_refused(read(pipe), "The data file cannot be read: " + pipe, kAborted);
}

// An empty file, a table of nothing but its header and --columns on the program's own format
// each get a message of their own; the column-count warning still goes to the console log.
TEST_F(ReadDataTest, EmptyHeaderOnlyAndMisdirectedColumnsAreNamed) {
  const struct {
    std::string name, text, warning;
    DataColumns columns{};
  } cases[] = {
      {"empty.in", "", "The data file is empty: "},
      {"blank.in", " \n\t\n\n", "The data file is empty: "},
      {"empty.csv", "\n# exported by X\n", "The data file is empty: "},
      {"header.csv", "time,S0,P\n\n# no rows yet\n",
       "The data file has a header but no data rows: "},
      {"wide.csv", "t,S0=5,S0=10\n,,\n", "The data file has a header but no data rows: "},
      {"own.in",
       curve_rows(10, 6),
       "--columns chooses the columns of a table; the data file is in "
       "the program's own format (time, [So], product or substrate): ",
       {"3", "2", "1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = folder_.write(c.name, c.text);
    expect_refused(read(name, c.columns), c.warning + name, kAborted);
  }
  const std::string warning =
      "FILE_COLUMN_COUNT - Warning.\n  The file does not contain any data.\n";
  EXPECT_EQ(log_.str(), warning + warning);  // the two of the program's own format
}

// Units closed, name trimmed, Fortran numbers, CR ends, long blanks; negative times warned.
TEST_F(ReadDataTest, AcceptedFiles) {
  const std::string name = folder_.write("data.in", curve_rows(10, 5));
  ASSERT_TRUE(units_.open(20, name, FileMode::kRead));
  ASSERT_TRUE(units_.open(33, folder_.file("data.out"), FileMode::kWrite));
  ASSERT_EQ(read("  " + folder_.file("data") + "  "), kDataOk);
  EXPECT_EQ(units_.connected_count(), 0);
  EXPECT_EQ(report_, folder_.file("data.out"));
  const std::string text =
      "\xEF\xBB\xBF"
      "0\t1.0D1\t1.5E-1\r1 10 2.5d0\r2, 10, 3\r3 1e+01 +4\r4 10 1.0+3\r"
      "5 10 25-1" +
      std::string(70000, ' ') + "\r\rnotes";
  ASSERT_EQ(read(folder_.write("mac.in", text)), kDataOk);
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_EQ(data_.nRows, 6);
  EXPECT_EQ(data_.X2[0], 10.0);
  EXPECT_EQ(data_.Y, (std::vector<double>{0.15, 2.5, 3, 4, 1000, 2.5}));
  // Every column holds the rows read, no more: also after a longer file.
  ASSERT_EQ(read(folder_.write("early.in", "10 10 1\n-5 10 2\n-1 10 3\n4 10 4\n5 10 5\n")),
            kDataOk);
  EXPECT_EQ(messages(),
            (Messages{{kWarning, "Data file line 2 has a negative time; the run goes on"}}));
  EXPECT_EQ(data_.nRows, 5);
  EXPECT_EQ(data_.X1, (std::vector<double>{10, -5, -1, 4, 5}));
  EXPECT_EQ(data_.X2, std::vector<double>(5, 10.0));
  EXPECT_EQ(data_.Y, (std::vector<double>{1, 2, 3, 4, 5}));
  EXPECT_EQ(data_.Ycalc, std::vector<double>(5, 0.0));
}

// Data tables as instruments and spreadsheets write them: the rows accepted, the messages refused.
TEST_F(ReadDataTest, AcceptedTablesGiveTheirRowsInOrder) {
  const struct {
    const char *what, *name;
    std::string text;
    DataColumns columns;
    std::vector<double> so, y;  // [So] and observations of the rows, in the order read
  } cases[] = {
      // clang-format off
      {"names with units, quotes, an extra column", "a.csv", "Well,\"Time [s]\",S0 (uM),\"[P] (uM)\"\n" + five("A1,T,50,Y"), {}, repeat({50}, 5), ramp(1)},
      {"columns in another order, case ignored", "b.csv", "substrate,TIME,so\n" + five("Y,I,7"), {}, repeat({7}, 5), ramp(1)},
      {"semicolons, decimal commas, BOM, CR LF, comments and blank lines", "c.csv",
       "\xEF\xBB\xBF# exported\r\nt;[So];y\r\n\r\n" + five("T;10;I,5") + "# between\n" + five("T;20;I,5") + ";;\n", {}, repeat({10, 20}, 5), ramp(2)},
      {"no header", "f.csv", five("T,30,Y") + five("T,40,Y"), {}, repeat({30, 40}, 5), ramp(2)},
      {"--columns by name", "g.csv", "A,B,C,D\n" + five("9,Y,60,I"), {"D", "c", "B"}, repeat({60}, 5), ramp(1)},
      {"wide: curves in column order, empty cells skipped", "w.csv",
       "t, S0=100 [uM], so = 50, note\n0,0.5,5.5,x\n10,1.5,6.5,\n20,2.5,7.5,\n30,3.5,8.5,\n40,4.5,9.5,\n50,,10.5,\n", {},
       {100, 100, 100, 100, 100, 50, 50, 50, 50, 50, 50}, {0.5, 1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5, 8.5, 9.5, 10.5}},
      {"wide with decimal commas", "w2.csv", "t;S0=0,5;S0=1,5\n0;1;2\n1;1,5;2,5\n2;2;3\n3;2,5;3,5\n4;3;4\n", {},
       repeat({0.5, 1.5}, 5), {1, 1.5, 2, 2.5, 3, 2, 2.5, 3, 3.5, 4}},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(read(folder_.write(c.name, c.text), c.columns), kDataOk)
        << (host_.messages.empty() ? "" : host_.messages[0].text);
    EXPECT_TRUE(host_.messages.empty());
    ASSERT_EQ(data_.nRows, static_cast<int>(c.y.size()));
    EXPECT_EQ(data_.nCols, 3);
    EXPECT_EQ(data_.X2, c.so);
    EXPECT_EQ(data_.Y, c.y);
    EXPECT_EQ(data_.X1.size(), c.y.size());
    EXPECT_EQ(data_.Ycalc, std::vector<double>(c.y.size(), 0.0));
    EXPECT_EQ(units_.connected_count(), 0);
  }
  EXPECT_EQ(data_.X1[6], 1.0);  // a wide table's rows take the time of their line
}

TEST_F(ReadDataTest, RefusedTablesNameTheLineAndColumn) {
  const std::string rows = five("T,10,Y");
  std::string wide_table = "t,S0=1,S0=2\n";  // 1002 observations, found before the bad line
  for (int i = 0; i < 501; ++i) wide_table += std::to_string(i) + ",1,2\n";
  wide_table += "x,1,2\n";
  const struct {
    std::string name, text, warning;
    DataColumns columns{};
  } cases[] = {
      // clang-format off
      {"a.csv", "S0,P\n" + rows, "Data file line 1 has no time column (time or t)"},
      {"a.csv", "t,P\n" + rows, "Data file line 1 has no [So] column (S0, So or [So])"},
      {"a.csv", "t,So\n" + rows, "Data file line 1 has no product or substrate column (product, P, substrate, S or y) and no curve column such as S0=50"},
      {"a.csv", "t,So,P,y\n" + rows, "Data file line 1, columns 3 and 4 both name the product or substrate"},
      {"a.csv", "# made by X\n\nt,So,P\n0,10,1\n1,10,1.5.2\n", "Data file line 5, column 3 (P): \"1.5.2\" is not a number"},
      {"a.csv", "t,So,P\n0,10,1\n1,\"10,2\n", "Data file line 3, column 2 has a quoted text that is not closed properly"},
      {"w.csv", "t,S0=0,S0=5\n0,1,2\n", "Data file line 1, column 2 (S0=0) has an [So] of zero or below"},
      {"w.csv", "t,S0=5\n0,1\n,2\n", "Data file line 3, column 1 (t) is empty"},
      {"a.csv", rows, "Data file line 1 has no column named \"time\" (--columns)", {"time", "So", "P"}},
      {"a.csv", "t,So,P\n" + rows, "Data file line 1 has no column 4 (--columns)", {"1", "2", "4"}},
      {"big.csv", wide_table, "Data rows exceeded limit of 1000"},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    expect_refused(read(folder_.write(c.name, c.text), c.columns), c.warning, kAborted);
  }
}

// What the table rows above do not show: numbers a table refuses, names of no role, --columns.
TEST(TableText, NumbersAndColumnNames) {
  double v = 0.0;
  for (const char* refused : {"1e400", "nan", "1.0+3", "e5", "5e", ""}) {
    EXPECT_FALSE(parse_decimal(refused, false, v)) << refused;
  }
  EXPECT_TRUE(parse_decimal("+2e3", false, v));
  EXPECT_EQ(v, 2000.0);
  EXPECT_EQ(column_role("[S]"), ColumnRole::kY);
  EXPECT_EQ(column_role("time2"), ColumnRole::kNone);
  EXPECT_EQ(column_role("[]"), ColumnRole::kNone);
  DataColumns columns;
  EXPECT_TRUE(parse_data_columns("Zeit, S0 ,3", columns));
  EXPECT_EQ(columns, (DataColumns{"Zeit", "S0", "3"}));
  for (const char* bad : {"", "a,b", "a,b,c,d", "a,,c", "a,b,"}) {
    EXPECT_FALSE(parse_data_columns(bad, columns)) << bad;
  }
}

}  // namespace
}  // namespace velmor
