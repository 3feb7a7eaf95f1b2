// The batch mode: one file run alone (statuses, refusals, a report that cannot be written), and
// many files (reports independent of jobs and order, the plan, pictures, the summary read back).
#include "app/batch/batch_run.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <regex>
#include <sstream>

#include "app/batch/batch_inputs.h"
#include "app/batch/batch_progress.h"
#include "app/batch/exit_status.h"
#include "engine/core/console_host.h"
#include "engine/driver/fit_status.h"
#include "engine/driver/velmor.h"
#include "file_size_limit.h"
#include "temp_folder.h"
#include "util/file_lock.h"

namespace velmor::app {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::TempFolder;

// RFC 4180 records; each field is its text and whether it was quoted.
using Field = std::pair<std::string, bool>;
std::vector<std::vector<Field>> parse_csv(const std::string& s) {
  std::vector<std::vector<Field>> records;
  std::vector<Field> record;
  Field f;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"' && f.first.empty() && !f.second) {
      f.second = true;
      for (++i; i < s.size() && (s[i] != '"' || s.compare(i, 2, "\"\"") == 0); ++i) {
        if (s[i] == '"') ++i;  // a doubled quote
        f.first += s[i];
      }
    } else if (s[i] == ',' || s.compare(i, 2, "\r\n") == 0) {
      record.push_back(std::exchange(f, {}));
      if (s[i] == '\r') records.push_back(std::exchange(record, {})), ++i;
    } else {
      f.first += s[i];
    }
  }
  return records;
}

double number(const std::string& text) {
  double v = std::nan("");
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
  EXPECT_TRUE(error == std::errc() && end == text.data() + text.size()) << "'" << text << "'";
  return v;
}

// A value agrees with the report's text of it ("0.3688953E+06") to half a unit of its last digit.
void expect_printed(double value, const std::string& text) {
  const std::size_t point = text.find('.'), e = text.find_first_of("eE");
  ASSERT_NE(point, std::string::npos) << text;
  const std::size_t digits = (e == std::string::npos ? text.size() : e) - point - 1;
  const int exponent = e == std::string::npos ? 0 : std::stoi(text.substr(e + 1));
  EXPECT_NEAR(value, std::stod(text), 0.5 * std::pow(10.0, exponent - int(digits)) * (1 + 1e-9))
      << text;
}

class BatchFiles : public ::testing::Test {
 protected:
  // The example, part of it, the example as a semicolon table with decimal commas, a wide table;
  // a file refused for its data (and, in the tests, one that is missing).
  void SetUp() override {
    example_ = read_file(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN");
    folder_.write("runs/a.in", example_);
    folder_.write("runs/b.in", example_.substr(0, example_.find("0.0\t500.0")));
    std::string table = "time;S0 [uM];P\n";
    std::istringstream rows(example_);
    for (double t, so, y; rows >> t >> so >> y;) {
      table += std::to_string(t) + ";" + std::to_string(so) + ";" +
               std::regex_replace(std::to_string(y), std::regex("\\."), ",") + "\n";
    }
    folder_.write("runs/c.csv", table);
    folder_.write("runs/d.tsv",
                  "t\tS0=40\tS0=80\n0\t0\t0\n10\t9\t10\n20\t16\t19\n30\t22\t27\n"
                  "40\t27\t34\n50\t31\t40\n60\t34\t45\n");
    folder_.write("runs/e.csv", "time,S0,P\n0,10,1\n1,10,x\n");
  }

  struct Run {
    int status;
    std::string out, err;
    std::map<std::string, std::string> reports;  // by data file name, without dates and own name
  };

  Run run(std::vector<std::string> names, int jobs, std::string summary = {},
          const PictureFactory& pictures = {}, std::array<int, 4> models = {1, 1, 1, 1}) {
    CommandLine cl;
    cl.mode = CommandLine::Mode::kBatch;
    for (const std::string& name : names) cl.inputs.push_back(folder_.file("runs/" + name));
    cl.jobs = jobs;
    cl.summary_file = summary;
    cl.models = models;
    std::ostringstream out, err;
    Run r{run_batch(cl, out, err, pictures), out.str(), err.str(), {}};
    const std::regex date(R"(\n {19}[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4}\n)");
    for (const std::string& name : names) {
      const std::string report =
          fs::path(folder_.file("runs/" + name)).replace_extension(".out").string();
      if (!fs::exists(report)) continue;
      std::string text = std::regex_replace(read_file(report), date, "\n(date)\n");
      for (std::size_t at; (at = text.find(report)) != std::string::npos;)
        text.replace(at, report.size(), "(report)");
      r.reports[name] = text;
      fs::remove(report);
    }
    return r;
  }

  TempFolder folder_;
  std::string example_;
};

TEST_F(BatchFiles, ReportsDoNotDependOnTheJobsOrTheOrderOfTheFiles) {
  const std::vector<std::string> names = {"a.in", "b.in", "c.csv", "d.tsv", "e.csv", "gone.in"};
  const Run one = run(names, 1);
  const Run two = run({names.rbegin(), names.rend()}, 2);
  ASSERT_EQ(one.reports.size(), 4u) << one.err;
  EXPECT_EQ(one.reports, two.reports);
  const std::string closing =
      "velmor-tarn: 2 of 6 files failed: 1 data file missing (status 1), 1 data error or report "
      "not written (status 3)\n";
  for (const Run* r : {&one, &two}) {  // the missing file is the most serious failure
    EXPECT_TRUE(r->status == 1 && r->err.ends_with(closing)) << r->err;
  }
  // Messages and report paths in the order the files were named, each line naming its file.
  const std::string e = folder_.file("runs/e.csv");
  EXPECT_NE(one.err.find(e + ": Warning: Data file line 3, column 3 (P): \"x\" is not a number\n" +
                         e + ": Error: * * * ERROR: RUN ABORTED * * *\n"),
            std::string::npos)
      << one.err;
  EXPECT_LT(one.out.find("a.out"), one.out.find("d.out"));
  EXPECT_GT(two.out.find("a.out"), two.out.find("d.out"));
  EXPECT_EQ(one.reports.at("c.csv"), one.reports.at("a.in"));  // the table gives the same data
  EXPECT_EQ(run({"b.in"}, 0).reports.at("b.in"), one.reports.at("b.in"));
}

// Read back, the summary's numbers equal an engine run's fits and agree with the report's printed
// figures; the JSON summary holds the same cells.
TEST_F(BatchFiles, SummaryHoldsTheRunsNumbers) {
  const std::string csv_path = folder_.file("summary.csv"), json_path = folder_.file("s.JSON");
  ASSERT_EQ(run({"a.in", "e.csv"}, 2, csv_path).status, 3);
  ASSERT_EQ(run({"a.in", "e.csv"}, 2, json_path).status, 3);

  RunState state;
  state.imdl = {1, 1, 1, 1};
  state.imdlno = 1;
  std::ostringstream ignored;
  ConsoleHost host(ignored);
  PendingReport report;
  RunRecord record;
  ASSERT_EQ(velmor(state, host, folder_.write("alone/a.in", example_), report, &record), 0);
  const std::string report_text = report.text();
  report.discard();
  ASSERT_EQ(record.fits.size(), 4u);

  const auto records = parse_csv(read_file(csv_path));
  ASSERT_EQ(records.size(), 6u);  // header, four models, the refused file
  std::string json = "[";
  for (std::size_t r = 1; r < records.size(); ++r) {
    ASSERT_EQ(records[r].size(), records[0].size()) << r;
    std::map<std::string, Field> row;
    json += r == 1 ? "\n  {" : ",\n  {";
    for (std::size_t c = 0; c < records[0].size(); ++c) {
      EXPECT_TRUE(records[0][c].second);
      const auto& [text, quoted] = records[r][c];
      row[records[0][c].first] = records[r][c];
      json += (c ? ", \"" : "\"") + records[0][c].first + "\": ";
      if (!quoted) json += text.empty() ? "null" : text;
      if (quoted) json += "\"" + std::regex_replace(text, std::regex(R"(["\\])"), "\\$&") + "\"";
    }
    json += "}";
    const auto cell = [&](const std::string& name) { return row[name].first; };
    EXPECT_TRUE(row["file"].second && row["messages"].second && !row["file_status"].second);
    if (r == 5) {
      EXPECT_EQ(cell("file"), folder_.file("runs/e.csv"));
      EXPECT_EQ(cell("file_status") + cell("fit_status") + cell("Km"), "3not fitted");
      EXPECT_NE(cell("messages").find("\"x\" is not a number | Error: "), std::string::npos);
      continue;
    }
    const ModelFit& fit = record.fits[r - 1];
    EXPECT_TRUE(row["model_name"].second && row["warning"].second && !row["Km"].second);
    EXPECT_EQ(
        cell("file_status") + cell("rows") + cell("curves") + cell("model") + cell("weighting"),
        "0273" + std::to_string(fit.model) + "none");
    const char* names[] = {"Km", "Vm", "baseline"};
    for (int j = 0; j < 3; ++j) {
      const std::string n = names[j];
      if (j >= fit.npar) {
        EXPECT_EQ(cell(n), "");
        continue;
      }
      EXPECT_EQ(number(cell(n)), fit.p[j]);
      if (std::isfinite(fit.se[j])) {
        EXPECT_EQ(number(cell(n + "_se")), fit.se[j]);
        EXPECT_EQ(number(cell(n + "_low95")), fit.p[j] - fit.ci[j]);
        EXPECT_EQ(number(cell(n + "_high95")), fit.p[j] + fit.ci[j]);
      } else {
        EXPECT_EQ(cell(n + "_se"), "");  // unknown: an empty cell
      }
    }
    EXPECT_EQ(number(cell("ssq")), fit.stage2_ssq);
    EXPECT_EQ(cell("warning").find("(info 2)") != std::string::npos, fit.info == 2);
    if (std::isfinite(fit.aicc)) {
      EXPECT_EQ(number(cell("aicc")), fit.aicc);
    }
    if (std::isnan(fit.breakpoints.range_from[2])) {
      EXPECT_EQ(cell("range3_to"), "");  // N/A
    } else {
      EXPECT_EQ(number(cell("range3_to")), fit.breakpoints.range_to[2]);
    }
    EXPECT_EQ(cell("range4_from"), "");  // there are three curves
    // The report's figures: in the model's section (in the fits' order) and its summary line.
    std::size_t section = 0;
    for (std::size_t k = 0; k < r; ++k)
      section = report_text.find("VELMOR-TARN NONLINEAR", section + 1);
    const std::string label = "STANDARD ERROR OF REGRESSION=";
    std::istringstream in(report_text.substr(report_text.find(label, section) + label.size()));
    std::string printed;
    in >> printed;
    expect_printed(number(cell("se_regression")), printed);
    const std::regex line(" +(\\d) +([-0-9.]+|unknown) +([-0-9.]+|unknown)  " +
                          std::to_string(fit.model) + "- .* ([-0-9.]+|unknown)\\*?\\*? *\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(report_text, m, line)) << fit.model;
    EXPECT_EQ(cell("rank"), m[1].str());
    if (m[4] != "unknown") expect_printed(number(cell("ler")), m[4]);
    EXPECT_EQ(m[2] == "unknown", cell("aicc").empty() && cell("akaike_weight").empty());
  }
  EXPECT_EQ(read_file(json_path), json + "\n]\n");
}

// A fit picture per model, the residuals after a completed run, named after the file; a picture
// that fails makes the file's status 7, its message the file's.
TEST_F(BatchFiles, PicturesPerFileAndTheirFailures) {
  std::mutex mutex;
  std::map<std::string, std::pair<int, int>> drawn;  // stem -> fits, residuals
  const PictureFactory pictures = [&](const std::string& stem, std::ostream& err) {
    const auto count = [&, stem](int which) {
      return [&, stem, which](const RunState&) {
        const std::lock_guard<std::mutex> lock(mutex);
        ++(which ? drawn[stem].second : drawn[stem].first);
        if (which && stem == "b") err << "Error: no room for b\n";
      };
    };
    return BatchPictures{count(0), count(1), [stem] { return stem == "b"; }};
  };
  const Run r = run({"a.in", "b.in", "e.csv"}, 2, {}, pictures, {1, 1, 0, 0});
  EXPECT_EQ(r.status, 3);  // e.csv's data error outranks b's pictures
  EXPECT_EQ(drawn, (std::map<std::string, std::pair<int, int>>{{"a", {2, 1}}, {"b", {2, 1}}}));
  EXPECT_NE(r.err.find(folder_.file("runs/b.in") + ": Error: no room for b\n"), std::string::npos);
  EXPECT_NE(r.err.find("1 data error or report not written (status 3), 1 a picture or the "
                       "summary not written (status 7)"),
            std::string::npos)
      << r.err;
}

TEST(SummaryText, JsonAndCsvEscapeTheirText) {
  SummaryTable table;
  table.columns = {"text", "x", "n"};
  table.rows.push_back(
      {std::string(
           "a\"b\\c\n\x01 \xC2\xB5 \xF0\x9F\x98\x80 \xFF\xC2 \xF4\x90\x80\x80 \xED\xA0\x80"),
       SummaryCell(std::nan("")), SummaryCell(0.1)});
  EXPECT_EQ(summary_json(table),
            "[\n  {\"text\": \"a\\\"b\\\\c\\n\\u0001 \xC2\xB5 \xF0\x9F\x98\x80 \\ufffd\\ufffd "
            "\\ufffd\\ufffd\\ufffd\\ufffd \\ufffd\\ufffd\\ufffd\", \"x\": null, \"n\": 0.1}\n]\n");
  EXPECT_EQ(summary_csv(table).substr(summary_csv(table).find("\r\n") + 2, 8), "\"a\"\"b\\c\n");
}

TEST(BatchPlan, FoldersFilesDuplicatesAndNames) {
  const TempFolder folder;
  for (const char* name : {"set/b.in", "set/A.CSV", "set/c.tsv", "set/.hidden.in", "set/notes.txt",
                           "set/sub/deep.in", "set/summary.csv", "other/b.csv", "other/b.in"}) {
    folder.write(name, "x");
  }
  fs::create_directory(folder.file("empty"));
  const std::string set = folder.file("set"), b = folder.file("other/b.in");
  const std::vector<BatchFile> plan = plan_batch({set, set + "/b.in", b, folder.file("other/b.csv"),
                                                  folder.file("empty"), folder.file("nothing")},
                                                 set + "/summary.csv");
  const std::tuple<std::string, std::string, int> expected[] = {
      {set + "/A.CSV", "A", 0},
      {set + "/b.in", "b", 0},
      {set + "/c.tsv", "c", 0},
      {b, "b-2", 0},
      {folder.file("other/b.csv"), "", 3},  // its report is other/b.in's
      {folder.file("empty"), "", 1},
      {folder.file("nothing"), "nothing", 0}};  // the run will say it does not exist
  ASSERT_EQ(plan.size(), std::size(expected));
  for (std::size_t i = 0; i < plan.size(); ++i) {
    EXPECT_EQ(std::tuple(plan[i].data_file, plan[i].refusal_status ? "" : plan[i].picture_stem,
                         plan[i].refusal_status),
              expected[i])
        << plan[i].refusal;
  }
  EXPECT_EQ(plan[4].refusal, "Another data file of this run writes the same report: " +
                                 folder.file("other/b.out") + " (" + b + ")");
  EXPECT_EQ(plan[5].refusal,
            "No data files (*.in, *.csv, *.tsv) in the folder: " + folder.file("empty"));
}

TEST(BatchStatus, MostSeriousFirstAndTheClosingLine) {
  const int order[] = {1, 3, 4, 6, 5, 9, 7, 0};
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 8; ++j)
      EXPECT_EQ(more_serious_status(order[i], order[j]), order[std::min(i, j)]);
  }
  EXPECT_EQ(closing_line(96, {{0, 96}}), "all 96 files completed");
  EXPECT_EQ(closing_line(5, {{0, 2}, {9, 1}, {3, 2}}),
            "3 of 5 files failed: 2 data error or report not written (status 3), 1 every fit "
            "failed (status 9)");
  EXPECT_EQ(progress_line(0, 96, 0, 0.0), "velmor-tarn: 0 of 96 files done, 0 failed");
  EXPECT_EQ(progress_line(12, 96, 1, 5.0) + progress_line(1, 2, 0, 3725.0),
            "velmor-tarn: 12 of 96 files done, 1 failed, about 0:35 left"
            "velmor-tarn: 1 of 2 files done, 0 failed, about 1:02:05 left");
}

// One data file, DATA.IN (the example unless a test writes another), run alone.
class BatchRun : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = folder_.write("DATA.IN", read_file(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN"));
    report_ = folder_.file("DATA.out");
  }

  int run(std::array<int, 4> models, std::string summary = {}) {
    CommandLine cl;
    cl.mode = CommandLine::Mode::kBatch;
    cl.inputs = {data_};
    cl.models = models;
    cl.summary_file = summary;
    out_.str("");
    err_.str("");
    return run_batch(cl, out_, err_);
  }

  // A completed report names itself on its last line; its path is what the run prints.
  void expect_report_written() {
    EXPECT_EQ(out_.str(), report_ + "\n");
    EXPECT_TRUE(read_file(report_).ends_with("\n   Results written to " + report_ + "\n"));
  }

  testing::TempFolder folder_;
  std::string data_, report_;
  std::ostringstream out_, err_;
};

// Refused runs write no report and give the driver's status: only substrate models for product
// data (4), no data rows whichever the model (3), a missing file (1).
TEST_F(BatchRun, CompletedAndRefusedRuns) {
  EXPECT_EQ(run({1, 0, 0, 0}), 0);
  expect_report_written();
  EXPECT_EQ(err_.str(), "");
  std::filesystem::remove(report_);
  EXPECT_EQ(run({0, 0, 1, 1}), kExitWrongModelType);
  EXPECT_EQ(err_.str(),
            "Information: THE WRONG MODEL TYPE WAS SELECTED!\n"
            "THE DATA SUGGESTS A PRODUCT vs TIME MODEL INSTEAD.\n");
  folder_.write("DATA.IN", "# a comment first\n0 10 1\n1 10 2\n2 10 3\n3 10 4\n");
  for (const std::array<int, 4> models : {std::array<int, 4>{1, 0, 0, 0}, {0, 0, 1, 0}}) {
    EXPECT_EQ(run(models), 3);
    EXPECT_EQ(err_.str(),
              "Warning: Data rows exceeded limit of 1000\nError: * * * ERROR: RUN ABORTED * * *\n");
  }
  std::filesystem::remove(data_);
  EXPECT_EQ(run({1, 0, 0, 0}), 1);
  EXPECT_EQ(err_.str(), "Warning: File does not exist: " + data_ +
                            "\nError: * * * OPEN ANOTHER DATA FILE * * *\n");
  EXPECT_EQ(out_.str(), "");
  EXPECT_FALSE(std::filesystem::exists(report_));
}

// One Y of 1e300 makes every fit fail: sections and warnings say so, nothing is ranked, status 9.
TEST_F(BatchRun, EveryFitFailedGivesStatus9AndTheReport) {
  folder_.write("DATA.IN", "0 50 0.5\n40 50 13.7\n120 50 1e300\n160 50 42.6\n200 50 45.4\n");
  EXPECT_EQ(run({1, 1, 0, 0}), kStatusNoFiniteFit);
  expect_report_written();
  const std::string text = read_file(report_);
  EXPECT_EQ(text.find("BEST-FIT MODEL SUMMARY"), std::string::npos);
  const std::regex failed_section("\n {10}FIT FAILED: ");
  EXPECT_EQ(std::distance(std::sregex_iterator(text.begin(), text.end(), failed_section), {}), 2);
  const std::string failed =
      "Warning: Fit failed (sum of squares or parameters not finite), left out of the ranking: "
      "model ";
  EXPECT_EQ(err_.str(), failed + "1\n" + failed + "2\n" +
                            "Error: No model could be fitted to these data: every fit failed\n");
}

// A report that cannot be written is an error and the previous report stays: another run writing
// it, or a write that fails half-way (a file size limit, as on a full disk).
TEST_F(BatchRun, FailedRunsKeepThePreviousReport) {
  util::FileLock other_run;
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { ASSERT_EQ(other_run.try_lock(report_), util::FileLock::Result::kLocked); },
       "Warning: The file is in use by another run: " + report_},
      {[] {}, "Error: The output file could not be written (File too large): " + report_},
  };
  for (const auto& [arrange, message] : cases) {
    SCOPED_TRACE(message);
    folder_.write("DATA.out", "previous report\n");
    arrange();
    {
      const testing::FileSizeLimit limit(3000);
      ASSERT_TRUE(limit.ok());
      EXPECT_EQ(run({1, 0, 0, 0}, folder_.file("s.csv")), 3);
    }
    other_run.unlock();
    EXPECT_NE(err_.str().find(message), std::string::npos) << err_.str();
    EXPECT_EQ(read_file(report_), "previous report\n");
    // No report path is printed; the summary has the file's one row, with no model.
    EXPECT_EQ(out_.str(), folder_.file("s.csv") + "\n");
    const std::string summary = read_file(folder_.file("s.csv"));
    EXPECT_EQ(std::count(summary.begin(), summary.end(), '\n'), 2) << summary;
    EXPECT_NE(summary.find(",\"not fitted\","), std::string::npos) << summary;
  }
}

}  // namespace
}  // namespace velmor::app
