// Whole runs on bad and extreme data files: every file either is refused with a message or
// yields a complete report, and no run crashes, hangs or writes anything but its own report.
// The files are generated from fixed seeds, so a failure reproduces exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/driver/fit_status.h"
#include "engine/driver/velmor.h"
#include "engine/stats/parameter_statistics.h"
#include "recording_host.h"
#include "temp_folder.h"

namespace velmor {
namespace {

using testing::RecordingHost;
using testing::TempFolder;

// A run that takes longer than this has hung: the slowest case here, four models on 1000 rows,
// takes about two seconds in an optimised build and ten times that under the sanitizers.
constexpr double kHangSeconds = 60.0;

// [SECTION] Data generation

// Principal Lambert W of z = exp(log_z), from the logarithm so that arguments far beyond the
// double range (zero-order kinetics) still resolve: Newton on w + ln w = ln z.
double reference_w_of_log(double log_z) {
  double w = log_z > 1.0 ? log_z - std::log(log_z) : std::exp(log_z);
  for (int i = 0; i < 100; ++i) {
    const double step = (w + std::log(w) - log_z) / (1.0 + 1.0 / w);
    const double next = w - step;
    w = next > 0.0 ? next : 0.5 * w;
    if (std::fabs(step) <= 1e-15 * w) break;
  }
  return w;
}

struct Kinetics {
  double km;
  double vm;
  double baseline;
};

// Remaining substrate of the integrated Michaelis-Menten law at time t.
double substrate_at(double t, double so, const Kinetics& k) {
  return k.km * reference_w_of_log(std::log(so / k.km) + (so - k.vm * t) / k.km);
}

// Rows "t So y" of one curve from model 1..4 (product for 1 and 2, substrate for 3 and 4; a
// baseline for 2 and 4) with Gaussian noise of the given relative size.
std::string model_curve(int model, double so, const Kinetics& k, int points, double t_end,
                        double noise, std::mt19937& rng) {
  std::normal_distribution<double> gauss(0.0, 1.0);
  std::ostringstream text;
  text.precision(10);
  for (int i = 0; i < points; ++i) {
    const double t = t_end * i / (points - 1);
    const double s = substrate_at(t, so, k);
    double y = model <= 2 ? so - s : s;
    if (model == 2 || model == 4) y += k.baseline;
    y += noise * so * gauss(rng);
    text << t << '\t' << so << '\t' << y << '\n';
  }
  return text.str();
}

// Rows "t So y" from their three words.
std::string rows_of(const std::vector<std::array<std::string, 3>>& rows) {
  std::string text;
  for (const auto& r : rows) text += r[0] + " " + r[1] + " " + r[2] + "\n";
  return text;
}

// `points` rows of a rising product curve with [So] = so, times t0, t0 + dt, ...
std::string rising_curve(double so, int points, double t0 = 0.0, double dt = 10.0) {
  std::ostringstream text;
  text.precision(10);
  for (int i = 0; i < points; ++i) {
    text << t0 + dt * i << ' ' << so << ' ' << 0.1 * so * (1.0 - std::exp(-0.3 * i)) << '\n';
  }
  return text.str();
}

std::string random_bytes(std::mt19937& rng, int size, bool printable) {
  std::uniform_int_distribution<int> byte(printable ? 32 : 0, printable ? 126 : 255);
  std::string text(size, ' ');
  for (char& c : text) c = static_cast<char>(byte(rng));
  return text;
}

// [SECTION] Running a file

struct Case {
  std::string name;
  std::string text;
  std::set<int> expected;  // statuses this file must give; empty: any status of a run
};

struct Outcome {
  int status = -1;
  std::vector<std::string> report;
};

std::vector<std::string> read_lines(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Per model section of a report: the estimates are always numbers, and a section whose sum of
// squares is finite has no NaN in its parameter table (an error that cannot be computed prints
// as "unknown"). Returns the number of sections.
int check_parameter_tables(const std::vector<std::string>& report) {
  int sections = 0;
  bool ssq_finite = true;
  for (size_t i = 0; i < report.size(); ++i) {
    if (report[i].find("MODEL NAME:") != std::string::npos) ++sections;
    const size_t ssq_at = report[i].find("STAGE-2 QUADRATIC PROGRAMMING SSQ=");
    if (ssq_at != std::string::npos) {
      const std::string value = report[i].substr(ssq_at + 34);
      ssq_finite = value.find("NaN") == std::string::npos && value.find("Inf") == std::string::npos;
    }
    if (report[i].find("BEST FIT PARAMETERS:") == std::string::npos) continue;
    // Rows up to the separator; the estimate stands in the first 22 columns.
    for (size_t j = i + 1; j < report.size() && report[j].rfind(" ---", 0) != 0; ++j) {
      const std::string& row = report[j];
      EXPECT_EQ(row.substr(0, 22).find("NaN"), std::string::npos)
          << "section " << sections << ": " << row;
      if (ssq_finite) {
        EXPECT_EQ(row.find("NaN"), std::string::npos) << "section " << sections << ": " << row;
      }
    }
  }
  return sections;
}

// The model summary: the `ranked` models whose fit did not fail, rank 1 with the best mark unless
// its AICc is unknown, a row with a known AICc has a defined difference and evidence ratio, and
// each failed fit is named under the table.
void check_summary(const std::vector<std::string>& report, int ranked) {
  size_t i = 0;
  while (i < report.size() && report[i].find("BEST-FIT MODEL SUMMARY:") == std::string::npos) ++i;
  if (ranked == 0) {
    EXPECT_EQ(i, report.size()) << "a summary without a ranked model";
    return;
  }
  ASSERT_LT(i + 4 + ranked, report.size()) << "no model summary";
  for (int r = 0; r < ranked; ++r) {
    const std::string& row = report[i + 4 + r];
    ASSERT_GE(row.size(), 21u) << row;
    EXPECT_EQ(row.find("NaN"), std::string::npos) << row;
    if (row.find("unknown") != std::string::npos) continue;
    if (r == 0) {
      EXPECT_EQ(row.substr(row.size() - 2), "**") << row;
    }
  }
  EXPECT_EQ(report[i + 4 + ranked], " " + std::string(78, '-'));
  const int not_ranked =
      static_cast<int>(std::count_if(report.begin() + i, report.end(), [](const std::string& line) {
        return line.rfind("     not ranked, the fit failed: ", 0) == 0;
      }));
  EXPECT_EQ(not_ranked, kModelCount - ranked);
}

// Checks one finished run: the status, the messages of a refusal, the files in the folder and,
// for a completed run, the report and the data handed back to the plots.
void check_run(const Case& c, const RunState& state, const RecordingHost& host,
               const Outcome& outcome, const std::filesystem::path& folder) {
  const int status = outcome.status;
  const std::set<int> run_statuses = {kStatusCompleted,    kStatusFileMissing,
                                      kStatusDataError,    kStatusTooManyParameters,
                                      kStatusModelColumns, kStatusNoFiniteFit};
  ASSERT_TRUE(run_statuses.count(status)) << "status " << status;
  if (!c.expected.empty()) {
    EXPECT_TRUE(c.expected.count(status)) << "status " << status;
  }

  // Nothing but the data file and its report may be in the folder afterwards.
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string file = entry.path().filename().string();
    EXPECT_TRUE(file == "case.in" || file == "case.out") << "unexpected file " << file;
  }

  const bool report_written = status == kStatusCompleted || status == kStatusNoFiniteFit;
  if (!report_written) {
    ASSERT_FALSE(host.messages.empty()) << "refused without a message";
    EXPECT_EQ(host.messages.back().kind, kError);
    EXPECT_TRUE(host.messages.back().text == "* * * ERROR: RUN ABORTED * * *" ||
                host.messages.back().text == "* * * OPEN ANOTHER DATA FILE * * *")
        << host.messages.back().text;
    return;
  }

  // A singular normal matrix is reported but does not stop the run, nor do negative times; each
  // failed fit is named, and a run whose every fit failed ends with an error.
  // A fit that the final check of optimality moved is announced, with a report line each.
  int failed_messages = 0;
  int moved_fits = 0;
  std::set<int> failed_models;
  for (size_t k = 0; k < host.messages.size(); ++k) {
    const std::string& text = host.messages[k].text;
    if (text.rfind("Fit failed", 0) == 0) {
      ++failed_messages;
      failed_models.insert(text.back() - '0');
    } else if (text.find("the final check of optimality") != std::string::npos) {
      EXPECT_EQ(host.messages[k].kind, kInformation);
      ++moved_fits;
    } else if (text.find(" has a negative time; the run goes on") != std::string::npos) {
      EXPECT_EQ(host.messages[k].kind, kWarning);
    } else if (k + 1 == host.messages.size() && status == kStatusNoFiniteFit) {
      EXPECT_EQ(host.messages[k].kind, kError);
    } else {
      EXPECT_EQ(text, kMatrixDiagonalMessage);
    }
  }
  EXPECT_EQ(failed_messages == kModelCount, status == kStatusNoFiniteFit);
  // The plots get a ranked model whenever there is one.
  if (status == kStatusCompleted) {
    EXPECT_EQ(failed_models.count(state.imdlno), 0u) << "model " << state.imdlno;
  }
  EXPECT_EQ(state.global_mdl_count, kModelCount);
  EXPECT_GE(state.imdlno, 1);
  EXPECT_LE(state.imdlno, kModelCount);
  EXPECT_EQ(host.fits_shown, kModelCount);
  for (int i = 0; i < state.data.nRows; ++i) {
    ASSERT_TRUE(std::isfinite(state.data.Ycalc[i]) && state.data.Ycalc[i] >= 0.0)
        << "drawn value " << state.data.Ycalc[i] << " at row " << i + 1;
  }

  const std::vector<std::string>& report = outcome.report;
  ASSERT_FALSE(report.empty()) << "no report";
  EXPECT_EQ(report.back().rfind(" SAVED TO: ", 0), 0u) << report.back();
  EXPECT_EQ(check_parameter_tables(report), kModelCount);
  int failed_sections = 0;
  for (const std::string& line : report) failed_sections += line.find("FIT FAILED:") == 10;
  EXPECT_EQ(failed_sections, failed_messages);
  EXPECT_EQ(std::count_if(report.begin(), report.end(),
                          [](const std::string& line) {
                            return line.find("FINAL CHECK LOWERED SSQ FROM") != std::string::npos;
                          }),
            moved_fits);
  check_summary(report, kModelCount - failed_sections);
}

enum class Weights { kNone, kBoth };

class Robustness : public ::testing::Test {
 protected:
  // Runs all four models on the file in a fresh folder and checks the outcome.
  void run(const Case& c, int weighting, int method = kClassicMethod) {
    SCOPED_TRACE(c.name + (weighting == kRobustWeighting ? " (robust weights)" : "") +
                 (method == kFastMethod ? " (fast method)" : ""));
    TempFolder folder;
    const std::string data_file = folder.write("case.in", c.text);
    RunState state;
    state.imdl.fill(1);
    state.nwt_global = weighting;
    state.fit_method = method;
    RecordingHost host;
    Outcome outcome;
    const auto start = std::chrono::steady_clock::now();
    outcome.status = velmor(state, host, data_file);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took.count(), kHangSeconds) << "the run hung";
    state.units.close_all();
    outcome.report = read_lines(folder.path() / "case.out");
    check_run(c, state, host, outcome, folder.path());
  }

  // Every case by the classic chain, and unweighted also by the fast method.
  void run_all(const std::vector<Case>& cases, Weights weights) {
    for (const Case& c : cases) {
      run(c, kNoWeighting);
      run(c, kNoWeighting, kFastMethod);
      if (weights == Weights::kBoth) run(c, kRobustWeighting);
    }
  }
};

// [SECTION] Files that are not data

TEST_F(Robustness, FilesThatAreNotDataAreRefused) {
  std::mt19937 rng(20261206);
  std::vector<Case> cases;
  for (int size : {0, 1, 7, 300, 5000, 70000}) {
    cases.push_back({"random bytes " + std::to_string(size), random_bytes(rng, size, false), {3}});
    cases.push_back(
        {"printable noise " + std::to_string(size), random_bytes(rng, size, true), {3}});
  }
  cases.push_back({"binary zeros", std::string(4096, '\0'), {3}});
  cases.push_back({"zero after valid rows", rising_curve(10.0, 6) + std::string(8, '\0'), {3}});
  cases.push_back({"only blanks", std::string(200, ' ') + "\n\n\t\n", {3}});
  cases.push_back({"only comments", "# a\n' b\n\" c\n", {3}});
  cases.push_back({"commas", "1,10,0.5\n2,10,0.7\n3,10,0.9\n4,10,1.0\n5,10,1.1\n", {3}});
  cases.push_back({"two columns", "1 10\n2 10\n3 10\n4 10\n5 10\n", {3}});
  cases.push_back({"four columns", "1 10 1 1\n2 10 2 2\n3 10 3 3\n4 10 4 4\n5 10 5 5\n", {3}});
  cases.push_back(
      {"valid rows then garbage", rising_curve(10.0, 6) + random_bytes(rng, 400, true), {3}});
  cases.push_back({"valid rows, blank line, garbage",
                   rising_curve(10.0, 6) + "\n" + random_bytes(rng, 400, true),
                   {0}});
  // A NUL byte anywhere near the top marks the file as not text, even after the data block.
  cases.push_back({"valid rows, blank line, binary",
                   rising_curve(10.0, 6) + "\n" + random_bytes(rng, 400, false),
                   {0, 3}});
  cases.push_back({"column titles first", "time So Y\n" + rising_curve(10.0, 6), {3}});
  cases.push_back({"commented titles first", "# time So Y\n" + rising_curve(10.0, 6), {3}});
  cases.push_back({"byte order mark", "\xEF\xBB\xBF" + rising_curve(10.0, 6), {0}});
  cases.push_back({"UTF-16", std::string{'1', '\0', ' ', '\0', '1', '\0', '\n', '\0'}, {3}});
  cases.push_back({"stray letter", "1 10 0.5\n2 10 0.7\n3 1O 0.9\n4 10 1.0\n5 10 1.1\n", {3}});
  run_all(cases, Weights::kNone);
}

TEST_F(Robustness, NonFiniteNumbersInTheFileAreRefused) {
  std::vector<Case> cases;
  for (const char* word : {"nan", "NaN", "inf", "-inf", "Infinity", "+Infinity", "1e400", "-1d999",
                           "1e", "e5", ".", "--1", "0x10", "1.5.2"}) {
    for (int column = 0; column < 3; ++column) {
      std::vector<std::array<std::string, 3>> rows;
      for (int i = 0; i < 6; ++i) rows.push_back({std::to_string(i), "10", std::to_string(i)});
      rows[3][column] = word;
      cases.push_back(
          {std::string(word) + " in column " + std::to_string(column + 1), rows_of(rows), {3}});
    }
  }
  run_all(cases, Weights::kNone);
}

TEST_F(Robustness, ExtremelyLongLines) {
  const std::string padding(200000, ' ');
  const std::string digits(200000, '7');
  std::vector<Case> cases;
  cases.push_back({"one endless line", digits, {3}});
  cases.push_back({"endless digits in a row",
                   rising_curve(10.0, 3) + digits + " 10 1\n" + rising_curve(10.0, 3, 100.0),
                   {3}});
  cases.push_back({"blanks before the numbers",
                   rising_curve(10.0, 3) + padding + "35 10 0.6\n" + rising_curve(10.0, 3, 100.0),
                   {3}});
  cases.push_back(
      {"blanks after the numbers",
       rising_curve(10.0, 3) + "35 10 0.6" + padding + "\n" + rising_curve(10.0, 3, 100.0),
       {0}});
  cases.push_back(
      {"digits as a fraction",
       rising_curve(10.0, 3) + "0." + digits + " 10 0.6\n" + rising_curve(10.0, 3, 100.0),
       {3}});
  run_all(cases, Weights::kNone);
}

// [SECTION] Limits of the data block

TEST_F(Robustness, RowAndCurveLimits) {
  std::string rows_1000;
  for (int c = 0; c < 10; ++c) rows_1000 += rising_curve(10.0 * (c + 1), 100);
  std::string curves_10;
  std::string curves_11;
  for (int c = 0; c < 11; ++c) {
    if (c < 10) curves_10 += rising_curve(5.0 + c, 5);
    curves_11 += rising_curve(5.0 + c, 5);
  }
  // The full 1000 rows under robust weighting take seconds; unit weights show the limit.
  run_all({{"1000 rows", rows_1000, {0}}, {"1001 rows", rows_1000 + "1 110 1\n", {3}}},
          Weights::kNone);
  const std::vector<Case> cases = {
      {"10 curves of 5 points", curves_10, {0}},
      {"11 curves of 5 points", curves_11, {3}},
      {"one curve of 5 points", rising_curve(3.0, 5), {0}},
      {"a curve of 4 points", rising_curve(3.0, 5) + rising_curve(4.0, 4), {3}},
      {"Windows line ends", "0 10 0\r\n1 10 1\r\n2 10 2\r\n3 10 3\r\n4 10 3.5\r\n", {0}},
      {"no final line end", "0 10 0\n1 10 1\n2 10 2\n3 10 3\n4 10 3.5", {0}},
  };
  run_all(cases, Weights::kBoth);
}

// [SECTION] Degenerate and extreme values

TEST_F(Robustness, DegenerateColumns) {
  const std::vector<Case> cases = {
      {"all-zero Y", "0 10 0\n1 10 0\n2 10 0\n3 10 0\n4 10 0\n5 10 0\n", {}},
      {"constant Y", "0 10 4\n1 10 4\n2 10 4\n3 10 4\n4 10 4\n5 10 4\n", {}},
      {"all-equal time", "5 10 1\n5 10 2\n5 10 3\n5 10 4\n5 10 5\n5 10 6\n", {}},
      {"all-zero time", "0 10 1\n0 10 2\n0 10 3\n0 10 4\n0 10 5\n", {}},
      {"negative times", "-50 10 1\n-40 10 2\n-30 10 3\n-20 10 4\n-10 10 5\n", {}},
      {"negative [So]", "0 -10 0\n1 -10 1\n2 -10 2\n3 -10 3\n4 -10 3.5\n", {}},
      {"[So] = 0", "0 0 0\n1 0 1\n2 0 2\n3 0 3\n4 0 3.5\n", {}},
      {"everything zero", "0 0 0\n0 0 0\n0 0 0\n0 0 0\n0 0 0\n", {}},
      {"falling product", "0 10 9\n1 10 7\n2 10 5\n3 10 3\n4 10 1\n", {}},
      {"negative Y", "0 10 -1\n1 10 -2\n2 10 -3\n3 10 -4\n4 10 -5\n", {}},
      {"times descending", "40 10 5\n30 10 4\n20 10 3\n10 10 2\n0 10 0\n", {}},
  };
  run_all(cases, Weights::kBoth);
}

TEST_F(Robustness, HugeAndTinyValues) {
  const std::vector<std::string> extremes = {
      "1e300", "-1e300", "1e-300", "0", "1.7976931348623157e308", "4.9e-324"};
  std::vector<Case> cases;
  for (const std::string& v : extremes) {
    for (int column = 0; column < 3; ++column) {
      // One extreme row in an otherwise ordinary curve, and a whole column of it.
      std::vector<std::array<std::string, 3>> one;
      std::vector<std::array<std::string, 3>> all;
      for (int i = 0; i < 6; ++i) {
        one.push_back({std::to_string(10 * i), "10", std::to_string(0.5 * i)});
        all.push_back({std::to_string(10 * i), "10", std::to_string(0.5 * i)});
        all[i][column] = v;
      }
      one[2][column] = v;
      const std::string where = " in column " + std::to_string(column + 1);
      cases.push_back({"one " + v + where, rows_of(one), {}});
      cases.push_back({"all " + v + where, rows_of(all), {}});
    }
  }
  cases.push_back({"tiny but regular",
                   "0 1e-300 0\n1 1e-300 1e-301\n2 1e-300 2e-301\n"
                   "3 1e-300 3e-301\n4 1e-300 4e-301\n",
                   {}});
  // Every Jacobian difference that probes a negative Vm overflows the model's exponent.
  cases.push_back({"huge time, tiny [So]",
                   "1.7976931348623157e308 1.75e-6 4.8e-9\n1.7976931348623157e308 1.75e-6 1.9e-7\n"
                   "1.7976931348623157e308 1.75e-6 3.6e-7\n1.7976931348623157e308 1.75e-6 5.1e-7\n"
                   "1.7976931348623157e308 1.75e-6 6.4e-7\n1.7976931348623157e308 1.75e-6 7.5e-7\n",
                   {0}});
  cases.push_back({"huge but regular",
                   "0 1e300 0\n1e300 1e300 1e299\n2e300 1e300 2e299\n"
                   "3e300 1e300 3e299\n4e300 1e300 4e299\n",
                   {}});
  run_all(cases, Weights::kBoth);
}

// [SECTION] Real kinetics

// Data generated by each model, so each has a curve it fits properly, and near zero-order
// kinetics ([So] far above Km) where the exponential of the model overflows.
TEST_F(Robustness, DataFromEachModel) {
  std::mt19937 rng(4242);
  std::vector<Case> cases;
  const Kinetics k{8.0, 0.35, 1.5};
  for (int model = 1; model <= kModelCount; ++model) {
    std::string text;
    for (double so : {5.0, 20.0, 60.0}) text += model_curve(model, so, k, 9, 300.0, 0.01, rng);
    cases.push_back({"model " + std::to_string(model) + " data", text, {0}});
  }
  const Kinetics zero_order{1.0, 50.0, 0.0};
  cases.push_back(
      {"product, [So]/Km = 1e4", model_curve(1, 1e4, zero_order, 12, 190.0, 0.001, rng), {0}});
  cases.push_back(
      {"product, [So]/Km = 1e4, exact", model_curve(1, 1e4, zero_order, 12, 190.0, 0.0, rng), {0}});
  cases.push_back(
      {"substrate, [So]/Km = 1e4", model_curve(3, 1e4, zero_order, 12, 190.0, 0.001, rng), {0}});
  cases.push_back({"two zero-order curves",
                   model_curve(1, 1e4, zero_order, 8, 150.0, 0.001, rng) +
                       model_curve(1, 2e4, zero_order, 8, 300.0, 0.001, rng),
                   {0}});
  run_all(cases, Weights::kBoth);
}

// Random but plausible files: one to ten curves of product or substrate with random constants,
// sampling times and noise; every third also under robust weighting.
TEST_F(Robustness, RandomValidLookingCurves) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  auto log_uniform = [&](double lo, double hi) { return lo * std::pow(hi / lo, unit(rng)); };
  for (int i = 0; i < 10; ++i) {
    const int model = 1 + static_cast<int>(unit(rng) * 4);
    const Kinetics k{log_uniform(0.01, 1000.0), log_uniform(0.001, 100.0), log_uniform(0.01, 10.0)};
    const int curves = 1 + static_cast<int>(unit(rng) * 10);
    const int points = 5 + static_cast<int>(unit(rng) * 20);
    const double noise = unit(rng) < 0.2 ? 0.0 : log_uniform(1e-4, 0.2);
    std::string text;
    double so = log_uniform(0.01, 1000.0);
    for (int c = 0; c < curves; ++c) {
      so *= 1.0 + log_uniform(0.1, 3.0);
      // Sample up to a random fraction of the time the curve needs to run down.
      const double t_end = log_uniform(0.05, 3.0) * (so + k.km) / k.vm;
      text += model_curve(model, so, k, points, t_end, noise, rng);
    }
    const Case c{
        "random curves " + std::to_string(i) + " of model " + std::to_string(model), text, {0}};
    run_all({c}, i % 3 == 0 ? Weights::kBoth : Weights::kNone);
  }
}

}  // namespace
}  // namespace velmor
