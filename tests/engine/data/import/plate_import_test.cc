// SPDX-License-Identifier: MIT
// Instrument exports and long tables through prepare_run: the data each layout gives against
// the generator's truth, the layout's and the reading's refusals with their exact messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "engine/data/run_data.h"
#include "plate_exports.h"
#include "recording_host.h"
#include "temp_folder.h"

namespace velmor {
namespace {

using testing::ExportLayout;
using testing::PlateRun;
using testing::RecordingHost;
using testing::TempFolder;

const std::string kAborted = "* * * ERROR: RUN ABORTED * * *";

struct Prepared {
  PreparedRun run;
  RecordingHost host;
};

Prepared prepare(const std::string& file, const ImportOptions& options) {
  Prepared p;
  FileUnits units;
  std::ostringstream log;
  p.run = prepare_run(file, options, p.host, units, log);
  return p;
}

// The refusal's two messages: the reason, then the run aborted.
void expect_refused(const Prepared& p, const std::string& why) {
  EXPECT_EQ(p.run.status, kDataError);
  ASSERT_GE(p.host.messages.size(), 2u);
  EXPECT_EQ(p.host.messages[p.host.messages.size() - 2].text, why);
  EXPECT_EQ(p.host.messages.back().text, kAborted);
  EXPECT_TRUE(p.run.sets.empty());
}

class PlateImport : public ::testing::Test {
 protected:
  PlateImport() : run_(testing::simulate_plate({})) {}

  // The export written beside its layout ("<stem>.layout.csv" unless `layout_name` is given).
  std::string write(ExportLayout layout, const std::string& layout_name = "") {
    const std::string name = testing::export_file_name(layout);
    const std::string stem = name.substr(0, name.find('.'));
    folder_.write(layout_name.empty() ? stem + ".layout.csv" : layout_name,
                  testing::layout_csv(run_, layout == ExportLayout::kMars));
    return folder_.write(name, testing::export_text(run_, layout));
  }

  TempFolder folder_;
  PlateRun run_;
};

// Each layout, found beside the data and applied with the signal per concentration, gives the
// three replicate groups of seven curves with the generator's product within the noise.
TEST_F(PlateImport, EveryLayoutGivesTheGroupsOfTheTrueProduct) {
  ImportOptions options;
  options.signal_per_conc = run_.design.signal_per_conc;
  // Subtracting the mean of three blanks adds their noise; 6 standard deviations of the result.
  const double tolerance =
      6.0 * run_.design.noise * std::sqrt(1.0 + 1.0 / 3.0) / run_.design.signal_per_conc;
  for (const ExportLayout layout : testing::kExportLayouts) {
    SCOPED_TRACE(testing::export_layout_name(layout));
    const std::string file = write(layout);
    const Prepared p = prepare(file, options);
    ASSERT_EQ(p.run.status, kDataOk) << (p.host.messages.empty() ? "" : p.host.messages[0].text);
    ASSERT_EQ(p.run.sets.size(), 3u);
    const bool seconds = layout == ExportLayout::kTecanEnglish ||
                         layout == ExportLayout::kTecanGerman || layout == ExportLayout::kGen5 ||
                         layout == ExportLayout::kSoftMax;
    for (int g = 0; g < 3; ++g) {
      const PreparedData& set = p.run.sets[g];
      const ProgressCurveData& d = set.data;
      EXPECT_EQ(set.description.group, "rep" + std::to_string(g + 1));
      const std::string stem = file.substr(0, file.rfind('.'));
      EXPECT_EQ(set.report_name, stem + ".rep" + std::to_string(g + 1) + ".out");
      EXPECT_TRUE(set.refusal.empty());
      EXPECT_TRUE(set.description.warning.empty()) << set.description.warning;
      EXPECT_EQ(d.time_unit, seconds ? "s" : "min");
      EXPECT_EQ(d.conc_unit, "uM");
      EXPECT_EQ(set.description.blank, "auto");
      ASSERT_EQ(d.nCurves, 7);
      ASSERT_EQ(d.nRows, 7 * 61);
      ASSERT_EQ(d.X1.size(), 7u * 61);
      ASSERT_EQ(d.Ycalc, std::vector<double>(7 * 61, 0.0));
      double worst = 0.0;
      for (int c = 0; c < 7; ++c) {
        const std::string well = std::string(1, static_cast<char>('A' + g)) + std::to_string(c + 1);
        // MARS writes A01: the id as the file writes it.
        const std::string& id = set.description.curve_ids[c];
        EXPECT_EQ(id.substr(0, 1) + std::to_string(std::stoi(id.substr(1))), well);
        EXPECT_EQ(d.curveCount[c], 61);
        for (int r = 0; r < 61; ++r) {
          const int i = c * 61 + r;
          EXPECT_DOUBLE_EQ(d.X1[i], seconds ? 60.0 * r : r);
          EXPECT_EQ(d.X2[i], run_.design.so[c]);
          worst =
              std::max(worst, std::abs(d.Y[i] - testing::true_product(run_.design, d.X2[i], r)));
        }
      }
      EXPECT_LT(worst, tolerance);
    }
    // The 96-well exports name 96 - 24 wells the layout leaves out.
    const bool left_out = std::any_of(p.host.messages.begin(), p.host.messages.end(), [](auto& m) {
      return m.text == "72 wells of the data not in the layout are not fitted";
    });
    EXPECT_TRUE(left_out);
  }
}

// A tidy table in any order of its rows gives the same data as sorted by well and time.
TEST_F(PlateImport, LongTableRowOrderDoesNotMatter) {
  const std::string text = testing::export_text(run_, ExportLayout::kTidyLong);
  std::istringstream in(text);
  std::string header;
  std::getline(in, header);
  std::vector<std::string> rows;
  for (std::string line; std::getline(in, line);) rows.push_back(line);
  std::mt19937 shuffle(5);
  std::shuffle(rows.begin(), rows.end(), shuffle);
  std::string shuffled = header + "\n";
  for (const std::string& r : rows) shuffled += r + "\n";
  folder_.write("tidy.layout.csv", testing::layout_csv(run_));
  folder_.write("mixed.layout.csv", testing::layout_csv(run_));
  const Prepared sorted = prepare(folder_.write("tidy.csv", text), {});
  const Prepared mixed = prepare(folder_.write("mixed.csv", shuffled), {});
  ASSERT_EQ(sorted.run.sets.size(), 3u);
  ASSERT_EQ(mixed.run.sets.size(), 3u);
  for (int g = 0; g < 3; ++g) {
    const ProgressCurveData& a = sorted.run.sets[g].data;
    const ProgressCurveData& b = mixed.run.sets[g].data;
    ASSERT_EQ(a.nRows, b.nRows);
    EXPECT_EQ(a.X1, b.X1);
    EXPECT_EQ(a.Y, b.Y);
  }
  // The observation column is the one column of numbers left, and the reading says so.
  EXPECT_EQ(mixed.host.messages.front().text,
            "The observation is column 3 (A405), the one column of numbers that is neither time, "
            "curve nor [So]");
}

// Raw absorbance against [So] in uM, or counts far above [So], are warned about; data on the
// scale of [So] are not.
TEST_F(PlateImport, ObservationsOffTheScaleOfSoAreWarnedAbout) {
  const auto table = [&](const std::string& a1, const std::string& a2) {
    std::string text = "Well,Time [min],S0 [uM],A\n";
    for (int i = 0; i < 5; ++i) {
      text += "A1," + std::to_string(i) + ",5," + a1 + std::to_string(i) + "\n";
      text += "A2," + std::to_string(i) + ",10," + a2 + std::to_string(i) + "\n";
    }
    return prepare(folder_.write("small.csv", text), {});
  };
  const Prepared absorbance = table("0.1", "0.2");  // 0.10 .. 0.14 and 0.20 .. 0.24
  ASSERT_EQ(absorbance.run.sets.size(), 1u);
  EXPECT_EQ(absorbance.run.sets[0].description.warning,
            "The observations change by less than 2% of [So] in every curve (at most 0.04 where "
            "[So] is 5): they look like a raw signal, not concentrations; convert them with "
            "--signal-per-conc");
  EXPECT_EQ(table("1.", "0.2").run.sets[0].description.warning,  // A1: 1.0 .. 1.4, 8%
            "");
  EXPECT_EQ(table("1", "0.2").run.sets[0].description.warning,  // A1: 10 .. 14, above 2 x 5
            "Curve A1 rises to 14 where its [So] is 5: the observations cannot be concentrations "
            "on the scale of [So]; convert them with --signal-per-conc");
  // The generated plate as it is (absorbance): warned; converted: not (the first test).
  const Prepared raw = prepare(write(ExportLayout::kGen5), {});
  ASSERT_EQ(raw.run.sets.size(), 3u);
  EXPECT_EQ(raw.run.sets[0].description.warning.substr(0, 46),
            "The observations change by less than 2% of [So");
}

// Every layout refusal names the layout's line; other refusals name what is missing.
TEST_F(PlateImport, RefusalsNameTheLayoutLine) {
  const std::string data =
      folder_.write("gen5.txt", testing::export_text(run_, ExportLayout::kGen5));
  const auto with_layout = [&](const std::string& layout) {
    ImportOptions options;
    options.layout_file = folder_.write("layout.csv", layout);
    return prepare(data, options);
  };
  expect_refused(with_layout("well,S0\nA1,5\nI13,5\n"),
                 "Layout file line 3 names I13, which the data do not hold");
  expect_refused(with_layout("# plate 1\nwell,S0,role\nA1,5,sample\nA2,,sample\n"),
                 "Layout file line 4 gives the sample A2 no [So]");
  expect_refused(with_layout("well,S0,role\nA1,5,std\n"),
                 "Layout file line 2, column 3 (role): \"std\" is not a role (sample or blank)");
  expect_refused(with_layout("well;S0\nA1;5\nA01;10\n"),
                 "Layout file line 3 names A01 again (line 2)");
  expect_refused(with_layout("name,S0\nA1,5\n"), "Layout file line 1 has no well column (well)");
  expect_refused(with_layout("well,S0 [uM]\nA1,five\n"),
                 "Layout file line 2, column 2 (S0 [uM]): \"five\" is not a number");
  expect_refused(with_layout("well,S0\nA1,0\n"), "Layout file line 2 has an [So] of zero or below");
  expect_refused(with_layout("# nothing yet\n\n"),
                 "The layout file names no wells: " + folder_.file("layout.csv"));
  ImportOptions missing;
  missing.layout_file = folder_.file("none.csv");
  expect_refused(prepare(data, missing), "The layout file does not exist: " + missing.layout_file);
  ImportOptions auto_blank;
  auto_blank.blank = BlankMode::kAuto;
  auto_blank.layout_file = folder_.write("layout.csv", "well,S0\nA1,5\n");
  expect_refused(prepare(data, auto_blank),
                 "--blank auto needs blank wells: the layout names none (role blank)");
  // Without a layout the wells have no [So].
  expect_refused(prepare(data, {}),
                 "The data give the wells no [So]: give a layout (--layout FILE, or a file "
                 "DATA.layout.csv beside the data file DATA.txt) naming each well's S0");
}

// The reading's refusals name the line (and column) at fault; the grouping's name the curve,
// the read or the group.
TEST_F(PlateImport, ReadingAndGroupingRefusals) {
  const auto read = [&](const std::string& name, const std::string& text,
                        const ImportOptions& options = {}) {
    return prepare(folder_.write(name, text), options);
  };
  expect_refused(read("a.csv", "well,time,S0,y\nA1,soon,5,1\n"),
                 "Data file line 2, column 2 (time): \"soon\" is not a time");
  expect_refused(read("b.txt", "Time [s]\t0\t60\t120\nA1\t1\t2\t3\nA01\t1\t2\t3\n"),
                 "Data file line 3 names well A1 again (line 2)");
  expect_refused(read("c.txt", "Time [s]\t0\t60\t120\nCycle\t1\t2\t3\n"),
                 "Data file line 1 has times but no line below it names a well (A1)");
  expect_refused(read("d.csv", "well,time,S0,S0 [uM],y\nA1,0,5,5,1\n"),
                 "Data file line 1, columns 3 and 4 both name the [So]");
  expect_refused(read("e.txt", "Reader 1\nTime\tA1\tA01\n0:00:00\t1\t2\n"),
                 "Data file line 2, columns 2 and 3 both name well A1");
  expect_refused(read("f.csv", "well,time,S0,a,b\nA1,0,5,1,2\n"),
                 "Data file line 1 names no product or substrate column (product, P, substrate, S "
                 "or y) and columns 4 (a) and 5 (b) both hold numbers");
  std::string many = "id,time,S0,y\n";
  for (int i = 0; i <= 4096; ++i) many += "c" + std::to_string(i) + ",0,5,1\n";
  expect_refused(read("g.csv", many),
                 "Data file line 4098 starts a curve beyond 4096, more than the program reads "
                 "from one file");
  expect_refused(read("big.json", "{" + std::string(16u << 20, ' ')),
                 "The EnzymeML document is larger than 16 MB: " + folder_.file("big.json"));

  // A long table of a sample A1 (5 reads) and a blank B1, with the layout `layout`.
  const auto table = [&](const std::string& blank_times, const std::string& layout,
                         const std::string& a1 = "0.5", ImportOptions options = {}) {
    std::string text = "well,time [min],A\n";
    for (int t = 0; t < 5; ++t) text += "A1," + std::to_string(t) + "," + a1 + "\n";
    for (const char t : blank_times) text += "B1," + std::string(1, t) + ",0.01\n";
    options.layout_file = folder_.write("t.layout.csv", layout);
    return read("t.csv", text, options);
  };
  const std::string sample_and_blank = "well,S0,role\nA1,5,sample\nB1,,blank\n";
  expect_refused(table("0124", sample_and_blank),
                 "No blank well was read at time 3, a read of well A1");
  expect_refused(table("01234", "well,S0,role\nA1,,blank\nB1,,blank\n"),
                 "The layout names no sample (every well it names is a blank)");
  const Prepared few = table("0123", "well,S0\nA1,5\nB1,10\n");
  EXPECT_EQ(few.run.status, kDataOk);
  ASSERT_EQ(few.run.sets.size(), 1u);
  EXPECT_EQ(few.run.sets[0].refusal, "Curve B1 has 4 observations, fewer than the 5 a curve needs");
  ImportOptions tiny;
  tiny.signal_per_conc = 1e-310;
  const Prepared huge = table("01234", sample_and_blank, "1e300", tiny);
  ASSERT_EQ(huge.run.sets.size(), 1u);
  EXPECT_EQ(huge.run.sets[0].refusal, "Curve A1 has at time 0 a value too large to fit");
  const Prepared clash = table("01234", "well,S0,group\nA1,5,a b\nB1,5,a_b\n");  // both "t.a_b.out"
  ASSERT_EQ(clash.run.sets.size(), 2u);
  EXPECT_EQ(clash.run.sets[0].refusal, "");
  EXPECT_EQ(clash.run.sets[1].refusal,
            "Group a_b writes the same report as group a b: " + folder_.file("t.a_b.out"));

  // The program's own format converted: a value made too large, blanks it cannot have.
  const std::string own = folder_.write("own.in", "0 5 1\n1 5 2\n2 5 3\n3 5 4\n4 5 5\n");
  expect_refused(prepare(own, tiny),
                 "Data row 1 becomes too large to fit by the conversion of the signal "
                 "(--signal-per-conc, --blank)");
  ImportOptions auto_blank;
  auto_blank.blank = BlankMode::kAuto;
  expect_refused(prepare(own, auto_blank),
                 "--blank auto needs blank wells, which a layout names (role blank)");
}

}  // namespace
}  // namespace velmor
