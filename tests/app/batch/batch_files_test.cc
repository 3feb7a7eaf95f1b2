// The batch mode over many files: the same reports whatever the number of jobs and the order of
// the files, the exit status and closing line, and the summary read back by parsers of the
// test's own.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>
#include <mutex>
#include <regex>
#include <sstream>

#include "app/batch/batch_inputs.h"
#include "app/batch/batch_progress.h"
#include "app/batch/batch_run.h"
#include "app/batch/exit_status.h"
#include "engine/core/console_host.h"
#include "engine/driver/velmor.h"
#include "temp_folder.h"

namespace velmor::app {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::TempFolder;

// [SECTION] Readers of the test's own

// RFC 4180: records of fields separated by commas, CR LF between records; a field in double
// quotes may hold commas, line breaks and doubled quotes. Each field remembers whether it was
// quoted.
struct CsvField {
  std::string text;
  bool quoted = false;
};
using CsvRecord = std::vector<CsvField>;

std::vector<CsvRecord> parse_csv(const std::string& s) {
  std::vector<CsvRecord> records;
  CsvRecord record;
  CsvField field;
  std::size_t i = 0;
  bool at_field_start = true;
  while (i < s.size()) {
    const char c = s[i];
    if (at_field_start && c == '"') {
      field.quoted = true;
      for (++i; i < s.size(); ++i) {
        if (s[i] == '"' && i + 1 < s.size() && s[i + 1] == '"') {
          field.text += '"';
          ++i;
        } else if (s[i] == '"') {
          break;
        } else {
          field.text += s[i];
        }
      }
      ++i;  // the closing quote
      at_field_start = false;
    } else if (c == ',') {
      record.push_back(std::exchange(field, {}));
      at_field_start = true;
      ++i;
    } else if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      record.push_back(std::exchange(field, {}));
      records.push_back(std::exchange(record, {}));
      at_field_start = true;
      i += 2;
    } else {
      field.text += c;
      at_field_start = false;
      ++i;
    }
  }
  return records;
}

// JSON of the summary's shape: an array of flat objects whose values are strings, numbers or
// null (null read as an empty text). Throws on anything else.
struct JsonReader {
  const std::string& s;
  std::size_t i = 0;

  void blank() {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  }
  void expect(char c) {
    blank();
    if (i >= s.size() || s[i] != c) throw std::runtime_error(std::string("expected ") + c);
    ++i;
  }
  std::string string() {
    expect('"');
    std::string out;
    while (s.at(i) != '"') {
      if (s[i] == '\\') {
        const char e = s.at(++i);
        out += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
        if (e == 'u') throw std::runtime_error("\\u not expected here");
      } else {
        out += s[i];
      }
      ++i;
    }
    ++i;
    return out;
  }
  std::string value() {
    blank();
    if (s.at(i) == '"') return string();
    if (s.compare(i, 4, "null") == 0) {
      i += 4;
      return {};
    }
    const std::size_t start = i;
    while (i < s.size() && std::string_view("+-.0123456789eE").find(s[i]) != std::string::npos) ++i;
    if (i == start) throw std::runtime_error("not a value at " + std::to_string(i));
    return s.substr(start, i - start);
  }
  std::vector<std::vector<std::pair<std::string, std::string>>> rows() {
    std::vector<std::vector<std::pair<std::string, std::string>>> out;
    expect('[');
    blank();
    while (s.at(i) != ']') {
      expect('{');
      std::vector<std::pair<std::string, std::string>> row;
      for (;;) {
        std::string key = string();
        expect(':');
        row.emplace_back(std::move(key), value());
        blank();
        if (s.at(i) == '}') break;
        expect(',');
      }
      ++i;
      out.push_back(std::move(row));
      blank();
      if (s.at(i) == ',') ++i;
      blank();
    }
    return out;
  }
};

double number(const std::string& text) {
  double v = std::nan("");
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
  EXPECT_TRUE(error == std::errc() && end == text.data() + text.size()) << "'" << text << "'";
  return v;
}

// A value agrees with the report's text of it ("42.97867124", "0.3688953E+06") to within half a
// unit of the text's last digit.
void expect_printed(double value, const std::string& text) {
  const std::size_t point = text.find('.');
  ASSERT_NE(point, std::string::npos) << text;
  std::size_t end = point + 1;
  while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
  const std::size_t e = text.find_first_of("eE");
  const int exponent = e == std::string::npos ? 0 : std::stoi(text.substr(e + 1));
  const double unit = std::pow(10.0, exponent - static_cast<int>(end - point - 1));
  EXPECT_NEAR(value, std::stod(text), 0.5 * unit * (1 + 1e-9)) << text;
}

// The report without its date lines, which tell when it was written, and its own name.
std::string report_without_names(const std::string& path) {
  const std::regex date(R"(\n {19}[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4}\n)");
  std::string text = std::regex_replace(read_file(path), date, "\n(date)\n");
  for (std::size_t at; (at = text.find(path)) != std::string::npos;) {
    text.replace(at, path.size(), "(report)");
  }
  return text;
}

// [SECTION] Runs of many files

class BatchFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    example_ = read_file(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN");
    // The example and part of it in the program's own format, the example as a semicolon table
    // with decimal commas, a wide table; a file refused for its data, and one that is missing.
    folder_.write("runs/a.in", example_);
    folder_.write("runs/b.in", example_.substr(0, example_.find("0.0\t500.0")));
    std::string table = "time;S0 [uM];P\n";
    std::istringstream rows(example_);
    double t, so, y;
    while (rows >> t >> so >> y) {
      std::string cell = std::to_string(y);
      cell[cell.find('.')] = ',';
      table += std::to_string(t) + ";" + std::to_string(so) + ";" + cell + "\n";
    }
    folder_.write("runs/c.csv", table);
    folder_.write("runs/d.tsv",
                  "t\tS0=40\tS0=80\n0\t0\t0\n10\t9\t10\n20\t16\t19\n30\t22\t27\n40\t27\t34\n"
                  "50\t31\t40\n60\t34\t45\n");
    folder_.write("runs/e.csv", "time,S0,P\n0,10,1\n1,10,x\n");
    names_ = {"a.in", "b.in", "c.csv", "d.tsv", "e.csv", "gone.in"};
  }

  struct Run {
    int status;
    std::string out;
    std::string err;
    std::map<std::string, std::string> reports;  // by data file name, without the date
  };

  Run run(std::vector<std::string> names, int jobs, std::string summary = {}) {
    CommandLine cl;
    cl.mode = CommandLine::Mode::kBatch;
    for (const std::string& name : names) cl.inputs.push_back(folder_.file("runs/" + name));
    cl.jobs = jobs;
    cl.summary_file = summary;
    std::ostringstream out, err;
    Run r{run_batch(cl, out, err), out.str(), err.str(), {}};
    for (const std::string& name : names) {
      const fs::path report = fs::path(folder_.file("runs/" + name)).replace_extension(".out");
      if (fs::exists(report)) {
        r.reports[name] = report_without_names(report.string());
        fs::remove(report);
      }
    }
    return r;
  }

  TempFolder folder_;
  std::string example_;
  std::vector<std::string> names_;
};

TEST_F(BatchFiles, ReportsDoNotDependOnTheJobsOrTheOrderOfTheFiles) {
  const Run one = run(names_, 1);
  std::vector<std::string> reversed(names_.rbegin(), names_.rend());
  const Run two = run(reversed, 2);
  ASSERT_EQ(one.reports.size(), 4u) << one.err;
  EXPECT_EQ(one.reports, two.reports);
  EXPECT_EQ(one.status, 1);  // the missing file is the most serious failure
  EXPECT_EQ(two.status, 1);
  const std::string closing =
      "velmor-tarn: 2 of 6 files failed: 1 data file missing (status 1), 1 data error or report "
      "not written (status 3)\n";
  EXPECT_TRUE(one.err.ends_with(closing)) << one.err;
  EXPECT_TRUE(two.err.ends_with(closing)) << two.err;
  // Messages and report paths in the order the files were named, each line naming its file.
  const std::string e = folder_.file("runs/e.csv");
  EXPECT_NE(one.err.find(e + ": Warning: Data file line 3, column 3 (P): \"x\" is not a number\n" +
                         e + ": Error: * * * ERROR: RUN ABORTED * * *\n"),
            std::string::npos)
      << one.err;
  EXPECT_LT(one.out.find("a.out"), one.out.find("d.out"));
  EXPECT_GT(two.out.find("a.out"), two.out.find("d.out"));

  // The table files give the reports of the same data in the program's own format.
  EXPECT_EQ(one.reports.at("c.csv"), one.reports.at("a.in"));
  // A file fitted alone has the report it has among others.
  EXPECT_EQ(run({"b.in"}, 0).reports.at("b.in"), one.reports.at("b.in"));
}

// The summary's numbers are the run's own, at full precision: read back by the test's own CSV
// and JSON parsers, they equal the fits of an engine run of the same file, and they agree with
// the report's printed numbers to the report's last digit.
TEST_F(BatchFiles, SummaryHoldsTheRunsNumbers) {
  const std::string csv_path = folder_.file("summary.csv");
  const std::string json_path = folder_.file("summary.json");
  ASSERT_EQ(run({"a.in", "e.csv"}, 2, csv_path).status, 3);
  const std::string csv = read_file(csv_path);
  ASSERT_EQ(run({"a.in", "e.csv"}, 2, json_path).status, 3);
  const std::string json = read_file(json_path);

  // The engine run of the same file, with the fits the report prints.
  const std::string data = folder_.write("alone/a.in", example_);
  RunState state;
  state.imdl = {1, 1, 1, 1};
  state.imdlno = 1;
  std::ostringstream ignored;
  ConsoleHost host(ignored);
  PendingReport report;
  RunRecord record;
  ASSERT_EQ(velmor(state, host, data, report, &record), 0);
  const std::string report_text = report.text();
  report.discard();
  ASSERT_EQ(record.fits.size(), 4u);

  const std::vector<CsvRecord> records = parse_csv(csv);
  ASSERT_EQ(records.size(), 1u + 4u + 1u);  // header, four models, the refused file
  std::vector<std::string> header;
  for (const CsvField& f : records[0]) {
    EXPECT_TRUE(f.quoted);
    header.push_back(f.text);
  }
  JsonReader reader{json};
  const auto json_rows = reader.rows();
  ASSERT_EQ(json_rows.size(), 5u);

  for (std::size_t r = 1; r < records.size(); ++r) {
    ASSERT_EQ(records[r].size(), header.size()) << r;
    std::map<std::string, CsvField> row;
    for (std::size_t c = 0; c < header.size(); ++c) {
      row[header[c]] = records[r][c];
      // JSON has the same fields in the same order with the same values.
      EXPECT_EQ(json_rows[r - 1][c].first, header[c]);
      EXPECT_EQ(json_rows[r - 1][c].second, records[r][c].text) << header[c];
    }
    EXPECT_TRUE(row["file"].quoted && row["messages"].quoted);
    EXPECT_FALSE(row["file_status"].quoted);
    if (r == 5) {
      EXPECT_EQ(row["file"].text, folder_.file("runs/e.csv"));
      EXPECT_EQ(row["file_status"].text, "3");
      EXPECT_EQ(row["fit_status"].text, "not fitted");
      EXPECT_EQ(row["Km"].text, "");
      EXPECT_NE(row["messages"].text.find("\"x\" is not a number | Error: "), std::string::npos);
      continue;
    }
    const ModelFit& fit = record.fits[r - 1];
    EXPECT_TRUE(row["model_name"].quoted && row["warning"].quoted);
    EXPECT_FALSE(row["Km"].quoted);
    EXPECT_EQ(row["file_status"].text, "0");
    EXPECT_EQ(row["rows"].text, "27");
    EXPECT_EQ(row["curves"].text, "3");
    EXPECT_EQ(row["model"].text, std::to_string(fit.model));
    EXPECT_EQ(row["weighting"].text, "none");
    const char* names[] = {"Km", "Vm", "baseline"};
    for (int j = 0; j < 3; ++j) {
      if (j >= fit.npar) {
        EXPECT_EQ(row[names[j]].text, "");
        continue;
      }
      EXPECT_EQ(number(row[names[j]].text), fit.p[j]);
      if (std::isfinite(fit.se[j])) {
        EXPECT_EQ(number(row[std::string(names[j]) + "_se"].text), fit.se[j]);
        EXPECT_EQ(number(row[std::string(names[j]) + "_low95"].text), fit.p[j] - fit.ci[j]);
      } else {
        EXPECT_EQ(row[std::string(names[j]) + "_se"].text, "");  // unknown: an empty cell
      }
    }
    EXPECT_EQ(number(row["ssq"].text), fit.stage2_ssq);
    if (std::isnan(fit.breakpoints.range_from[0])) {
      EXPECT_EQ(row["range1_from"].text, "");  // N/A
    } else {
      EXPECT_EQ(number(row["range1_from"].text), fit.breakpoints.range_from[0]);
    }
    EXPECT_EQ(row["range4_from"].text, "");  // there are three curves

    // The report's own figures: in the model's section (the sections follow the fits' order),
    // and on its line of the model summary.
    std::size_t section = 0;
    for (std::size_t k = 0; k < r; ++k) {
      section = report_text.find("VELMOR-TARN NONLINEAR", section + 1);
    }
    const auto printed = [&](const std::string& label, const std::string& after = "") {
      const std::size_t from = after.empty() ? section : report_text.find(after, section);
      std::istringstream in(report_text.substr(report_text.find(label, from) + label.size()));
      std::string token;
      in >> token;
      return token;
    };
    expect_printed(number(row["ssq"].text), printed("STAGE-2 QUADRATIC PROGRAMMING SSQ="));
    expect_printed(number(row["se_regression"].text), printed("STANDARD ERROR OF REGRESSION="));
    expect_printed(number(row["Km"].text), printed("\n       1 ", "BEST FIT PARAMETERS:"));
    const std::regex summary_line(" +(\\d) +([-0-9.]+|unknown) +([-0-9.]+|unknown)  " +
                                  std::to_string(fit.model) +
                                  "- .* ([-0-9.]+|unknown)\\*?\\*? *\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(report_text, m, summary_line)) << fit.model;
    EXPECT_EQ(row["rank"].text, m[1].str());
    if (m[2] == "unknown") {
      EXPECT_EQ(row["aicc"].text, "");
      EXPECT_EQ(row["akaike_weight"].text, "");
    } else {
      expect_printed(number(row["aicc"].text), m[2]);
      expect_printed(number(row["ler"].text), m[4]);
    }
  }
}

// The pictures of each file come from the factory, named after the file: a fit picture per
// model, the residuals only after a completed run; a picture that fails makes the file's status
// 7, and its message is the file's.
TEST_F(BatchFiles, PicturesPerFileAndTheirFailures) {
  std::mutex mutex;
  std::map<std::string, std::pair<int, int>> drawn;  // stem -> fits, residuals
  const PictureFactory pictures = [&](const std::string& stem, std::ostream& err) {
    return BatchPictures{[&, stem](const RunState&) {
                           const std::lock_guard<std::mutex> lock(mutex);
                           ++drawn[stem].first;
                         },
                         [&, stem](const RunState&) {
                           const std::lock_guard<std::mutex> lock(mutex);
                           ++drawn[stem].second;
                           if (stem == "b") err << "Error: no room for b\n";
                         },
                         [stem] { return stem == "b"; }};
  };
  CommandLine cl;
  cl.mode = CommandLine::Mode::kBatch;
  for (const char* name : {"a.in", "b.in", "e.csv"})
    cl.inputs.push_back(folder_.file("runs/") + name);
  cl.models = {1, 1, 0, 0};
  cl.jobs = 2;
  std::ostringstream out, err;
  EXPECT_EQ(run_batch(cl, out, err, pictures), 3);  // e.csv's data error outranks b's pictures
  EXPECT_EQ(drawn, (std::map<std::string, std::pair<int, int>>{{"a", {2, 1}}, {"b", {2, 1}}}));
  EXPECT_NE(err.str().find(folder_.file("runs/b.in") + ": Error: no room for b\n"),
            std::string::npos);
  EXPECT_NE(err.str().find("1 data error or report not written (status 3), 1 a picture or the "
                           "summary not written (status 7)"),
            std::string::npos)
      << err.str();
}

TEST(SummaryText, JsonAndCsvEscapeTheirText) {
  SummaryTable table;
  table.columns = {"text", "x", "n"};
  table.rows.push_back(
      {std::string("a\"b\\c\n\x01 \xC2\xB5 \xF0\x9F\x98\x80 \xFF\xC2 \xF4\x90\x80\x80"),
       SummaryCell(std::nan("")), SummaryCell(0.1)});
  EXPECT_EQ(summary_json(table),
            "[\n  {\"text\": \"a\\\"b\\\\c\\n\\u0001 \xC2\xB5 \xF0\x9F\x98\x80 \\ufffd\\ufffd "
            "\\ufffd\\ufffd\\ufffd\\ufffd\", \"x\": null, \"n\": 0.1}\n]\n");
  EXPECT_EQ(summary_csv(table).substr(summary_csv(table).find("\r\n") + 2, 8), "\"a\"\"b\\c\n");
}

// [SECTION] The plan, the exit status and the progress line

TEST(BatchPlan, FoldersFilesDuplicatesAndNames) {
  const TempFolder folder;
  for (const char* name : {"set/b.in", "set/A.CSV", "set/c.tsv", "set/.hidden.in", "set/notes.txt",
                           "set/sub/deep.in", "set/summary.csv", "other/b.csv", "other/b.in"}) {
    folder.write(name, "x");
  }
  fs::create_directory(folder.file("empty"));
  const std::string set = folder.file("set");
  const std::vector<BatchFile> plan =
      plan_batch({set, set + "/b.in", folder.file("other/b.in"), folder.file("other/b.csv"),
                  folder.file("empty"), folder.file("nothing")},
                 set + "/summary.csv");
  struct Expected {
    std::string file, stem;
    int refusal_status;
  };
  const std::vector<Expected> expected = {
      {set + "/A.CSV", "A", 0},
      {set + "/b.in", "b", 0},
      {set + "/c.tsv", "c", 0},
      {folder.file("other/b.in"), "b-2", 0},
      {folder.file("other/b.csv"), "b-3", 3},  // its report is other/b.in's
      {folder.file("empty"), "", 1},
      {folder.file("nothing"), "nothing", 0},  // the run will say it does not exist
  };
  ASSERT_EQ(plan.size(), expected.size());
  for (std::size_t i = 0; i < plan.size(); ++i) {
    EXPECT_EQ(plan[i].data_file, expected[i].file);
    EXPECT_EQ(plan[i].refusal_status, expected[i].refusal_status) << plan[i].refusal;
    if (expected[i].refusal_status == 0) {
      EXPECT_EQ(plan[i].picture_stem, expected[i].stem);
    }
  }
  EXPECT_EQ(plan[4].refusal,
            "Another data file of this run writes the same report: " + folder.file("other/b.out") +
                " (" + folder.file("other/b.in") + ")");
  EXPECT_EQ(plan[5].refusal,
            "No data files (*.in, *.csv, *.tsv) in the folder: " + folder.file("empty"));
}

TEST(BatchStatus, MostSeriousFirstAndTheClosingLine) {
  const int order[] = {1, 3, 4, 6, 5, 9, 7, 0};
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 8; ++j) {
      EXPECT_EQ(more_serious_status(order[i], order[j]), order[std::min(i, j)]);
    }
  }
  EXPECT_EQ(closing_line(96, {{0, 96}}), "all 96 files completed");
  EXPECT_EQ(closing_line(5, {{0, 2}, {9, 1}, {3, 2}}),
            "3 of 5 files failed: 2 data error or report not written (status 3), 1 every fit "
            "failed (status 9)");
  EXPECT_EQ(progress_line(0, 96, 0, 0.0), "velmor-tarn: 0 of 96 files done, 0 failed");
  EXPECT_EQ(progress_line(12, 96, 1, 5.0),
            "velmor-tarn: 12 of 96 files done, 1 failed, about 0:35 left");
  EXPECT_EQ(progress_line(1, 2, 0, 3725.0),
            "velmor-tarn: 1 of 2 files done, 0 failed, about 1:02:05 left");
}

}  // namespace
}  // namespace velmor::app
