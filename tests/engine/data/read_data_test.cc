#include "engine/data/read_data.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::vector<double> repeat(std::vector<double> values, int times) {
  std::vector<double> out;
  for (double v : values) out.insert(out.end(), times, v);
  return out;
}

std::vector<double> ramp(int curves) {  // Y of five() for each curve
  std::vector<double> out;
  for (int c = 0; c < curves * 5; ++c) out.push_back(c % 5 + 0.5);
  return out;
}

std::string curves(std::initializer_list<std::pair<double, int>> blocks) {
  std::string text;
  for (const auto& [so, points] : blocks) text += curve_rows(so, points);
  return text;
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

  for (const std::string& bytes :
       {std::string("\177ELF\0\0\2", 7), curves({{10, 6}}) + std::string("\0\x01 4 5\n", 7),
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
    const std::string text =
        "\xEF\xBB\xBF"
        "0\t1.0D1\t1.5E-1" +
        end + "1 10 2.5d0" + end + "2, 10, 3" + end + "3 1e+01 +4" + end + "4 10 1.0+3" + end +
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
  EXPECT_EQ(messages(),
            (Messages{{kWarning, "Data file line 2 has a negative time; the run goes on"}}));
  EXPECT_EQ(data_.X1[1], -5.0);
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
      {"tabs", "d.tsv", "t\tS0\tP\n" + five("T\t10\tY"), {}, repeat({10}, 5), ramp(1)},
      {"a header on the first line of any file", "e.in", "time,S0,P\n" + five("T,10,Y"), {}, repeat({10}, 5), ramp(1)},
      {"no header", "f.csv", five("T,30,Y") + five("T,40,Y"), {}, repeat({30, 40}, 5), ramp(2)},
      {"--columns by name", "g.csv", "A,B,C,D\n" + five("9,Y,60,I"), {"D", "c", "B"}, repeat({60}, 5), ramp(1)},
      {"--columns by number", "h.csv", five("T,10,Y"), {"1", "2", "3"}, repeat({10}, 5), ramp(1)},
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
    for (int i = 0; i < data_.nRows; ++i) {
      EXPECT_EQ(data_.X2[i], c.so[i]) << i;
      EXPECT_EQ(data_.Y[i], c.y[i]) << i;
    }
    EXPECT_EQ(units_.connected_count(), 0);
  }
  EXPECT_EQ(report_, folder_.file("w2.out"));
  EXPECT_EQ(data_.X1[6], 1.0);  // a wide table's rows take the time of their line
}

TEST_F(ReadDataTest, RefusedTablesNameTheLineAndColumn) {
  const std::string rows = five("T,10,Y");
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
      {"a.csv", "t,So,P\n0,10,1\n1,10\n", "Data file line 3, column 3 (P) is empty"},
      {"a.csv", "t,So,P\n0,10,1\n1,\"10,2\n", "Data file line 3, column 2 has a quoted text that is not closed properly"},
      {"a.csv", "t,So,P\n", "Data rows exceeded limit of 1000"},
      // A comment of the program's own format is no table header, whatever it holds.
      {"q.in", "\"notes, \"unclosed\n" + rows, "Data rows exceeded limit of 1000"},
      {"a.csv", "t;So;P\n0;10;1.500,5\n", "Data file line 2, column 3 (P): \"1.500,5\" is not a number"},
      {"a.csv", "t,So,P\n0,10,1\n1,10,2\n2,0,3\n", "Data file line 4 has an [So] of zero or below"},
      {"a.csv", "t,So,P\n0,10,1\n1,10,2\n2,10,3\n3,10,4\n", "Single curve data must be > number of curves 5"},
      {"w.csv", "t,S0=0,S0=5\n0,1,2\n", "Data file line 1, column 2 (S0=0) has an [So] of zero or below"},
      {"w.csv", "t,S0=5\n0,1\n,2\n", "Data file line 3, column 1 (t) is empty"},
      {"a.csv", rows, "Data file line 1 has no column named \"time\" (--columns)", {"time", "So", "P"}},
      {"a.csv", "t,So,P\n" + rows, "Data file line 1 has no column 4 (--columns)", {"1", "2", "4"}},
      {"a.csv", "t,So,P\n0,10,1\n" + std::string(70000, '1') + "\n", "Data file line 3 is longer than 65536 characters"},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    EXPECT_EQ(read(folder_.write(c.name, c.text), c.columns), kDataError);
    ASSERT_EQ(host_.messages.size(), 2u);
    EXPECT_EQ(host_.messages[0].text, c.warning);
    EXPECT_EQ(host_.messages[0].kind, kWarning);
    EXPECT_EQ(host_.messages[1].text, "* * * ERROR: RUN ABORTED * * *");
    EXPECT_EQ(units_.connected_count(), 0);
  }
  // More than 1000 observations, also spread over a wide table's columns, are found before the
  // rest of the file is read (so its faults do not matter).
  std::string long_table = "t,So,P\n", wide_table = "t,S0=1,S0=2\n";
  for (int i = 0; i < 1001; ++i) long_table += std::to_string(i) + ",10,1\n";
  for (int i = 0; i < 501; ++i) wide_table += std::to_string(i) + ",1,2\n";
  for (const std::string& text : {long_table + "x,10,1\n", wide_table + "x,1,2\n"}) {
    EXPECT_EQ(read(folder_.write("big.csv", text)), kDataError);
    EXPECT_EQ(host_.messages.front().text, "Data rows exceeded limit of 1000");
  }
}

TEST(TableText, NumbersAndColumnNames) {
  const struct {
    const char* text;
    bool decimal_comma, ok;
    double value;
  } numbers[] = {
      {" 1.5 ", false, true, 1.5}, {"+2e3", false, true, 2000.0}, {"-.25", false, true, -0.25},
      {"0,25", true, true, 0.25},  {"0,25", false, false, 0},     {"1.000,5", true, false, 0},
      {"0.25", true, true, 0.25},  {"1e400", false, false, 0},    {"nan", false, false, 0},
      {"1.0+3", false, false, 0},  {"", false, false, 0},         {"e5", false, false, 0},
      {"5e", false, false, 0}};
  for (const auto& n : numbers) {
    double v = 0.0;
    EXPECT_EQ(parse_decimal(n.text, n.decimal_comma, v), n.ok) << n.text;
    EXPECT_EQ(n.ok ? v : 0.0, n.value) << n.text;
  }
  // clang-format off
  const std::pair<const char*, ColumnRole> names[] = {
      {"Time (min)", ColumnRole::kTime}, {" T ", ColumnRole::kTime},  {"[So] [mM]", ColumnRole::kSo},
      {"S0", ColumnRole::kSo},           {"[S]", ColumnRole::kY},     {"Product [uM]", ColumnRole::kY},
      {"Y", ColumnRole::kY},             {"S0=50", ColumnRole::kNone}, {"time2", ColumnRole::kNone},
      {"[]", ColumnRole::kNone}};
  // clang-format on
  for (const auto& [name, role] : names) EXPECT_EQ(column_role(name), role) << name;
  DataColumns columns;
  EXPECT_TRUE(parse_data_columns("Zeit, S0 ,3", columns));
  EXPECT_EQ(columns, (DataColumns{"Zeit", "S0", "3"}));
  for (const char* bad : {"", "a,b", "a,b,c,d", "a,,c", "a,b,"}) {
    EXPECT_FALSE(parse_data_columns(bad, columns)) << bad;
  }
}

}  // namespace
}  // namespace velmor
