// SPDX-License-Identifier: MIT
// The batch mode: statuses, refusals, reports, the plan, pictures and the summary read back.
#include "app/batch/batch_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>

#include "app/batch/batch_inputs.h"
#include "app/batch/batch_progress.h"
#include "app/batch/exit_status.h"
#include "csv_records.h"
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

using Field = testing::CsvField;

class Batch : public ::testing::Test {
 protected:
  // The example, part of it, a file refused for its data (and, in the tests, one that is missing).
  void SetUp() override {
    example_ = read_file(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN");
    folder_.write("runs/a.in", example_);
    folder_.write("runs/b.in", example_.substr(0, example_.find("0.0\t500.0")));
    folder_.write("runs/e.csv", "time,S0,P\n0,10,1\n1,10,x\n");
  }

  struct Run {
    int status;
    std::string out, err;
    std::map<std::string, std::string> reports;  // by data file name, without dates and own name
  };

  // Runs the files of runs/; their reports are read and removed.
  Run run(const std::vector<std::string>& names, int jobs = 0, const std::string& summary = {},
          const PictureFactory& pictures = {}, std::array<int, kModelCount> models = {1, 1, 1, 1}) {
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
      const std::string report = out_name(name);
      if (!fs::exists(report)) continue;
      std::string text = std::regex_replace(read_file(report), date, "\n(date)\n");
      for (std::size_t at; (at = text.find(report)) != std::string::npos;)
        text.replace(at, report.size(), "(report)");
      r.reports[name] = text;
      fs::remove(report);
    }
    return r;
  }
  std::string out_name(const std::string& name) {
    return fs::path(folder_.file("runs/" + name)).replace_extension(".out").string();
  }

  TempFolder folder_;
  std::string example_;
};

TEST_F(Batch, ReportsDoNotDependOnTheJobsOrTheOrderOfTheFiles) {
  const std::vector<std::string> names = {"a.in", "b.in", "e.csv", "gone.in"};
  const Run one = run(names, 1);
  const Run two = run({names.rbegin(), names.rend()}, 2);
  ASSERT_EQ(one.reports.size(), 2u) << one.err;
  EXPECT_EQ(one.reports, two.reports);
  const std::string closing =
      "velmor-tarn: 2 of 4 files failed: 1 data file missing (status 1), 1 data error or report "
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
  EXPECT_LT(one.out.find("a.out"), one.out.find("b.out"));
  EXPECT_GT(two.out.find("a.out"), two.out.find("b.out"));
}

// Read back, the summary's cells are an engine run's fits, each model's parameters under their
// own names; a .JSON name gives a JSON summary.
TEST_F(Batch, SummaryHoldsTheRunsNumbers) {
  const std::string csv_path = folder_.file("summary.csv"), json_path = folder_.file("s.JSON");
  constexpr std::array<int, kModelCount> kModels = {1, 1, 0, 0, 1, 0, 1, 0};
  ASSERT_EQ(run({"a.in", "e.csv"}, 2, csv_path, {}, kModels).status, 3);
  ASSERT_EQ(run({"a.in", "e.csv"}, 2, json_path).status, 3);
  RunRequest request;
  request.imdl = kModels;
  RunResult result;
  std::ostringstream ignored;
  ConsoleHost host(ignored);
  PendingReport report;
  RunRecord record;
  ASSERT_EQ(velmor(request, result, host, folder_.write("alone/a.in", example_), report, &record),
            0);
  report.discard();
  ASSERT_EQ(record.fits.size(), 4u);

  const auto records = testing::csv_records(read_file(csv_path));
  ASSERT_EQ(records.size(), 6u);  // header, four models, the refused file
  for (std::size_t r = 1; r < records.size(); ++r) {
    ASSERT_EQ(records[r].size(), records[0].size()) << r;
    std::map<std::string, Field> row;
    for (std::size_t c = 0; c < records[0].size(); ++c) {
      EXPECT_TRUE(records[0][c].second);
      row[records[0][c].first] = records[r][c];
    }
    const auto cell = [&](const std::string& name) { return row[name].first; };
    const auto number = [&](const std::string& name) { return std::stod(cell(name)); };
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
    // The third parameter's column: model 2's baseline, 5's Kp, 7's kinact.
    const std::string third = fit.model == 2 ? "baseline" : fit.model == 5 ? "Kp" : "kinact";
    for (const std::string n : {"Km", "Vm", "baseline", "Kp", "kinact"}) {
      const int j = n == "Km" ? 0 : n == "Vm" ? 1 : (fit.model != 1 && n == third ? 2 : -1);
      SCOPED_TRACE("model " + std::to_string(fit.model) + " " + n);
      if (j < 0) {
        EXPECT_EQ(cell(n) + cell(n + "_se") + cell(n + "_prof_low95"), "");
        continue;
      }
      // Profile limits beside the Wald ones; an open side is an empty cell.
      for (const auto& [column, v] : {std::pair(n + "_prof_low95", fit.profile_low[j]),
                                      std::pair(n + "_prof_high95", fit.profile_high[j])}) {
        EXPECT_TRUE(std::isfinite(v) ? number(column) == v : cell(column).empty()) << column;
      }
      if (fit.undetermined[j]) {  // no standard error or Wald limits, and a warning
        EXPECT_EQ(cell(n + "_se") + cell(n + "_low95"), "");
        EXPECT_NE(cell("warning").find(n + " not determined by these data"), std::string::npos);
      } else if (std::isfinite(fit.se[j])) {
        EXPECT_EQ(std::tuple(number(n), number(n + "_se"), number(n + "_low95")),
                  std::tuple(fit.p[j], fit.se[j], fit.p[j] - fit.ci[j]));
      } else {
        EXPECT_EQ(cell(n + "_se"), "");  // unknown: an empty cell
      }
    }
    EXPECT_EQ(number("ssq"), fit.stage2_ssq);
    EXPECT_EQ(number("se_regression"), std::sqrt(fit.stage2_ssq / (27 - fit.npar)));
    EXPECT_EQ(cell("fit_status"), "completed");
    EXPECT_EQ(std::tuple(number("runs_p"), number("Vm_over_Km")),
              std::tuple(fit.runs.p, fit.vm_over_km));
    EXPECT_EQ(cell("warning").find("residuals systematic") != std::string::npos, fit.runs.p < 0.05);
    EXPECT_EQ(cell("warning").find("(info 2)") != std::string::npos, fit.info == 2);
  }
  const std::string json = read_file(json_path);
  EXPECT_TRUE(json.starts_with("[\n  {\"file\": \"" + folder_.file("runs/a.in")));
  EXPECT_NE(json.find("\"Km_prof_high95\": null"), std::string::npos);  // model 3: open above
}

// A summary named as a data file, a report or a picture of the run, in any spelling and whether
// or not that file exists yet, is refused before anything is fitted.
TEST_F(Batch, SummaryNamedAsAnOutputOfTheRunIsRefused) {
  const testing::WorkingFolder here(folder_.path());
  folder_.write("DATA.IN", example_);
  fs::create_directory(folder_.file("sub"));
  const std::string absolute = folder_.file("DATA.out");
  const std::pair<std::string, std::string> cases[] = {{"DATA.IN", "./DATA.out"},
                                                       {"DATA.IN", "sub/../DATA.out"},
                                                       {"DATA.IN", absolute},
                                                       {folder_.file("DATA.IN"), "DATA.out"},
                                                       {"DATA.IN", "P/DATA.model1.png"},
                                                       {"DATA.IN", "./P/../P/DATA.residuals.png"},
                                                       {"DATA.IN", "./DATA.IN"}};
  for (const auto& [data, summary] : cases) {
    SCOPED_TRACE(summary);
    CommandLine cl;
    cl.inputs = {data};
    cl.models = {1, 0, 0, 0};
    cl.summary_file = summary;
    cl.plots_dir = "P";
    std::ostringstream out, err;
    EXPECT_EQ(run_batch(cl, out, err), kExitOutputNotWritten);
    EXPECT_TRUE(err.str().starts_with("velmor-tarn: the summary would overwrite the "))
        << err.str();
    EXPECT_FALSE(fs::exists(absolute) || fs::exists("P"));
  }
  EXPECT_EQ(read_file("DATA.IN"), example_);
}

// With several files every line on stderr starts with its file's name, escaped as the messages
// are, and holds no control character; an empty file's column-count warning comes with that
// file's other messages, in the files' order, and nothing goes to std::clog.
TEST_F(Batch, EveryLineOnStderrNamesItsFileEscaped) {
  const std::string empty = folder_.write("runs/empty.in", "");
  const std::string odd = folder_.write("runs/odd\x1B[2J\nname.in", example_);
  const std::string cell = folder_.write("runs/cell.csv", "t,S0,P\n0,10,\x1B[31m\n");
  std::ostringstream console;
  std::streambuf* const clog_buffer = std::clog.rdbuf(console.rdbuf());
  const Run r = run({"empty.in", "odd\x1B[2J\nname.in", "cell.csv"}, 2);
  std::clog.rdbuf(clog_buffer);
  const std::string quoted = "\"" + folder_.file("runs/odd\\x1B[2J\\nname.in") + "\"";
  EXPECT_EQ(r.err, empty + ": FILE_COLUMN_COUNT - Warning.\n" + empty +
                       ":   The file does not contain any data.\n" + empty +
                       ": Warning: The data file is empty: " + empty + "\n" + empty +
                       ": Error: * * * ERROR: RUN ABORTED * * *\n" + quoted +
                       ": Warning: The data file name holds a line break or another control "
                       "character: " +
                       quoted + "\n" + quoted + ": Error: * * * OPEN ANOTHER DATA FILE * * *\n" +
                       cell + ": Warning: Data file line 2, column 3 (P): \"\\x1B[31m\" is not a " +
                       "number\n" + cell + ": Error: * * * ERROR: RUN ABORTED * * *\n" +
                       "velmor-tarn: 3 of 3 files failed: 1 data file missing (status 1), 2 data "
                       "error or report not written (status 3)\n");
  EXPECT_EQ(console.str(), "");
}

// A fit picture per model and the residuals per file; a failed picture gives status 7.
TEST_F(Batch, PicturesPerFileAndTheirFailures) {
  std::mutex mutex;
  std::map<std::string, std::pair<int, int>> drawn;  // stem -> fits, residuals
  const PictureFactory pictures = [&](const std::string& stem, std::ostream& err) {
    const auto count = [&, stem](int which) {
      return [&, stem, which](const FittedData&) {
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

// Refused runs write no report: substrate models on product data (4), no rows (3), missing (1).
// One Y of 1e300 makes every fit fail: the report and warnings say so, nothing is ranked (9).
TEST_F(Batch, CompletedRefusedAndFailedRuns) {
  Run r = run({"a.in"}, 0, {}, {}, {1, 0, 0, 0});
  EXPECT_EQ(std::tuple(r.status, r.out, r.err), std::tuple(0, out_name("a.in") + "\n", ""));
  EXPECT_TRUE(r.reports.at("a.in").ends_with("\n   Results written to (report)\n"));
  r = run({"a.in"}, 0, {}, {}, {0, 0, 1, 1});
  EXPECT_EQ(std::tuple(r.status, r.err, r.reports.size()),
            std::tuple(kExitWrongModelType,
                       "Information: THE WRONG MODEL TYPE WAS SELECTED!\n"
                       "THE DATA SUGGESTS A PRODUCT vs TIME MODEL INSTEAD.\n",
                       0u));
  folder_.write("runs/a.in", "# a comment first\n0 10 1\n1 10 2\n2 10 3\n3 10 4\n");
  r = run({"a.in"}, 0, {}, {}, {0, 0, 1, 0});
  EXPECT_EQ(std::pair(r.status, r.err),
            std::pair(3, std::string("Warning: Data rows exceeded limit of 1000\nError: * * * "
                                     "ERROR: RUN ABORTED * * *\n")));
  r = run({"gone.in"});
  EXPECT_EQ(std::tuple(r.status, r.out, r.err),
            std::tuple(1, "",
                       "Warning: File does not exist: " + folder_.file("runs/gone.in") +
                           "\nError: * * * OPEN ANOTHER DATA FILE * * *\n"));

  folder_.write("runs/a.in", "0 50 0.5\n40 50 13.7\n120 50 1e300\n160 50 42.6\n200 50 45.4\n");
  r = run({"a.in"}, 0, {}, {}, {1, 1, 0, 0});
  EXPECT_EQ(r.status, kStatusNoFiniteFit);
  const std::string text = r.reports.at("a.in");
  EXPECT_EQ(text.find("BEST-FIT MODEL SUMMARY"), std::string::npos);
  const std::size_t failed_section = text.find("\n          FIT FAILED: ");
  EXPECT_NE(text.find("\n          FIT FAILED: ", failed_section + 1), std::string::npos);
  const std::string failed =
      "Warning: Fit failed (sum of squares or parameters not finite), left out of the ranking: "
      "model ";
  EXPECT_EQ(r.err, failed + "1\n" + failed + "2\n" +
                       "Error: No model could be fitted to these data: every fit failed\n");
}

// An unwritable report (locked by another run, or a write failing half-way) keeps the old one.
TEST_F(Batch, FailedRunsKeepThePreviousReport) {
  const std::string report = out_name("a.in"), summary = folder_.file("s.csv");
  util::FileLock other_run;
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { ASSERT_EQ(other_run.try_lock(report), util::FileLock::Result::kLocked); },
       "Warning: The file is in use by another run: " + report},
      {[] {}, "Error: The output file could not be written (File too large): " + report},
  };
  for (const auto& [arrange, message] : cases) {
    SCOPED_TRACE(message);
    folder_.write("runs/a.out", "previous report\n");
    arrange();
    Run r;
    {
      const testing::FileSizeLimit limit(3000);
      ASSERT_TRUE(limit.ok());
      r = run({"a.in"}, 0, summary, {}, {1, 0, 0, 0});
    }
    other_run.unlock();
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_EQ(r.reports.at("a.in"), "previous report\n");
    // No report path is printed; the summary has the file's one row, with no model.
    EXPECT_EQ(r.out, summary + "\n");
    const std::string text = read_file(summary);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    EXPECT_NE(text.find(",\"not fitted\","), std::string::npos) << text;
  }
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
                           "set/sub/deep.in", "set/summary.csv", "set/c.layout.csv",
                           "set/points.json", "set/fits.json", "other/b.csv", "other/b.in"}) {
    folder.write(name, "x");
  }
  // .txt and .json files are taken only when they hold a table or are EnzymeML documents.
  folder.write("set/plate.TXT", "Reader: X\nTime\tA1\tA2\n0:00:00\t0.1\t0.2\n");
  folder.write("set/doc.json", R"({"name": "x", "measurements": []})");
  fs::create_directory(folder.file("empty"));
  const std::string set = folder.file("set"), b = folder.file("other/b.in");
  CommandLine cl;
  cl.inputs = {set,
               set + "/b.in",
               b,
               folder.file("other/b.csv"),
               folder.file("empty"),
               folder.file("nothing")};
  cl.summary_file = set + "/summary.csv";
  cl.points_file = set + "/points.json";
  std::vector<std::string> skipped;
  const std::vector<BatchFile> plan = plan_batch(cl, &skipped);
  EXPECT_EQ(skipped, (std::vector<std::string>{set + "/fits.json" + kMsgSkippedJson,
                                               set + "/notes.txt" + kMsgSkippedText}));
  const std::tuple<std::string, std::string, int> expected[] = {
      {set + "/A.CSV", "A", 0},
      {set + "/b.in", "b", 0},
      {set + "/c.tsv", "c", 0},
      {set + "/doc.json", "doc", 0},
      {set + "/plate.TXT", "plate", 0},
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
  EXPECT_EQ(plan[6].refusal, "Another data file of this run writes the same report: " +
                                 folder.file("other/b.out") + " (" + b + ")");
  EXPECT_EQ(plan[7].refusal, kMsgNoDataFiles + folder.file("empty"));
}

// Relative spellings of one report, existing or not yet, are one report: the second file is
// refused (DATA.IN and ./DATA.csv). No two files' pictures share a name, whatever the files are
// called, and no picture is named as a data file of the run.
TEST(BatchPlan, OneFileUnderManyNamesAndUniquePictures) {
  const TempFolder folder;
  const testing::WorkingFolder here(folder.path());
  for (const char* name :
       {"DATA.IN", "DATA.csv", "d1/DATA.in", "d2/DATA.in", "d3/DATA-2.in", "P/DATA-3.model4.png"}) {
    folder.write(name, "x");
  }
  CommandLine cl;
  cl.inputs = {"DATA.IN",      "./DATA.csv",          "d1/DATA.in",      "d2/DATA.in",
               "d3/DATA-2.in", "P/DATA-3.model4.png", "d1/../d1/DATA.in"};
  cl.plots_dir = "P";
  const std::vector<BatchFile> plan = plan_batch(cl);
  ASSERT_EQ(plan.size(), 6u);
  EXPECT_EQ(plan[1].refusal, std::string(kMsgSameReport) + "./DATA.out (DATA.IN)");
  std::set<std::string> stems;
  for (const BatchFile& file : plan) {
    if (file.refusal.empty()) {
      EXPECT_TRUE(stems.insert(file.picture_stem).second) << file.data_file;
    }
  }
  EXPECT_EQ(stems,
            (std::set<std::string>{"DATA", "DATA-2", "DATA-4", "DATA-3.model4", "DATA-2-2"}));
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

}  // namespace
}  // namespace velmor::app
