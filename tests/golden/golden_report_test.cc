// Whole reports against tests/golden/expected, byte for byte apart from the date line and the
// temporary folder: one test that pins every printed number of the classic chain, on the
// example, the generated 1000-row file and one data set of each generated family. The files
// were written by the build before the chain was made faster, which must leave every bit of
// every fit as it was. Each file is run the way the batch mode runs it (run_data_file: the
// model-type rule, the fit, the report with its closing line).
//
// To write the expected reports anew after an intended change of the report, set
// VELMOR_GOLDEN_OUT to a folder: the reports produced go there (masked) besides being compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch/batch_run.h"
#include "bench_data.h"
#include "data_family.h"
#include "temp_folder.h"

namespace velmor {
namespace {

namespace fs = std::filesystem;
using testing::FamilyCase;
using testing::TempFolder;

enum class Data { kExample, kRows1000, kFamily, kSubstrate, kUnits, kRobust };

struct GoldenCase {
  const char* name;  // the expected report is <name>.out
  Data data;
  std::array<int, 4> models;
  bool robust = false;
};

// The case's name in test listings instead of its bytes.
void PrintTo(const GoldenCase& c, std::ostream* out) {
  *out << c.name;
}

const FamilyCase& family_case(const std::vector<FamilyCase>& family, const std::string& name) {
  const auto it = std::find_if(family.begin(), family.end(),
                               [&](const FamilyCase& c) { return c.name == name; });
  if (it == family.end()) throw std::logic_error("no family case " + name);
  return *it;
}

// Writes the data file of `data` into `dir` as <name>.in and returns its path.
std::string write_data(Data data, const std::string& dir, const std::string& name) {
  const std::string path = (fs::path(dir) / (name + ".in")).string();
  switch (data) {
    case Data::kExample:
      fs::copy_file(fs::path(VELMOR_EXAMPLES_DIR) / "DATA.IN", path);
      break;
    case Data::kRows1000:
      bench::write_data_file(path, bench::generated_1000_rows());
      break;
    case Data::kFamily:
      testing::write_data_file(path, family_case(testing::generated_family(), "ten_curves_p").data);
      break;
    case Data::kSubstrate:
      testing::write_data_file(path, testing::basic_substrate_case().data);
      break;
    case Data::kUnits:
      testing::write_data_file(path,
                               testing::rescaled(testing::basic_substrate_case(), 1e-6, 3600).data);
      break;
    case Data::kRobust: {
      const auto robust = testing::robust_family(1);
      std::vector<FamilyCase> contaminated;
      for (const auto& r : robust) contaminated.push_back(r.contaminated);
      testing::write_data_file(path, family_case(contaminated, "robust_p_c2_two_0").data);
      break;
    }
  }
  return path;
}

std::vector<std::string> lines_of(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The report with its date line and the folder it was written in masked.
std::vector<std::string> masked_report(const std::string& path, const std::string& dir) {
  static const std::regex date(
      " {19}(Mon|Tue|Wed|Thu|Fri|Sat|Sun) [A-Z][a-z]{2} [ 0-9]\\d "
      "\\d\\d:\\d\\d:\\d\\d \\d{4}");
  std::vector<std::string> lines = lines_of(path);
  for (std::string& line : lines) {
    if (std::regex_match(line, date)) line = std::string(19, ' ') + "<date>";
    for (size_t at; (at = line.find(dir)) != std::string::npos;)
      line.replace(at, dir.size(), "<folder>");
  }
  return lines;
}

// Empty when equal; otherwise the first differing lines, numbered, expected against got.
std::string difference(const std::vector<std::string>& expected,
                       const std::vector<std::string>& got) {
  std::ostringstream out;
  int shown = 0;
  for (size_t i = 0; i < std::max(expected.size(), got.size()) && shown < 8; ++i) {
    const std::string* e = i < expected.size() ? &expected[i] : nullptr;
    const std::string* g = i < got.size() ? &got[i] : nullptr;
    if (e && g && *e == *g) continue;
    out << "line " << i + 1 << "\n  expected: " << (e ? "|" + *e + "|" : "<end of report>")
        << "\n  got:      " << (g ? "|" + *g + "|" : "<end of report>") << "\n";
    ++shown;
  }
  if (shown > 0 && expected.size() != got.size()) {
    out << expected.size() << " lines expected, " << got.size() << " got\n";
  }
  return out.str();
}

std::vector<std::string> expected_report(const std::string& name) {
  return lines_of(std::string(VELMOR_SOURCE_DIR) + "/tests/golden/expected/" + name + ".out");
}

// Compares the report of `name` written in `dir` with the expected one (and keeps it in
// VELMOR_GOLDEN_OUT when that is set).
void expect_report(const std::string& name, const std::string& dir) {
  const auto got = masked_report((fs::path(dir) / (name + ".out")).string(), dir);
  if (const char* out = std::getenv("VELMOR_GOLDEN_OUT")) {
    std::ofstream keep(fs::path(out) / (name + ".out"));
    for (const auto& line : got) keep << line << '\n';
  }
  const auto expected = expected_report(name);
  ASSERT_FALSE(expected.empty()) << "no expected report " << name;
  const std::string differences = difference(expected, got);
  if (!differences.empty()) {
    ADD_FAILURE() << name << ".out differs from tests/golden/expected:\n" << differences;
  }
}

app::CommandLine command_line(std::array<int, 4> models, bool robust) {
  app::CommandLine cl;
  cl.mode = app::CommandLine::Mode::kBatch;
  cl.models = models;
  cl.robust = robust;
  return cl;
}

class GoldenReport : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenReport, IsUnchanged) {
  const GoldenCase& c = GetParam();
  const TempFolder folder;
  const std::string dir = folder.path().string();
  app::BatchFile file;
  file.data_file = write_data(c.data, dir, c.name);
  file.picture_stem = c.name;
  const app::FileResult result = app::run_data_file(file, command_line(c.models, c.robust));
  ASSERT_EQ(result.status, 0) << result.messages;
  expect_report(c.name, dir);
}

// Product data refuse models 3 and 4 alone, so they run on the basic substrate case.
const GoldenCase kCases[] = {
    {"example_model_1", Data::kExample, {1, 0, 0, 0}},
    {"example_model_2", Data::kExample, {0, 1, 0, 0}},
    {"example_models_1_2", Data::kExample, {1, 1, 0, 0}},
    {"example_models_1_4", Data::kExample, {1, 1, 1, 1}},
    {"example_models_1_4_robust", Data::kExample, {1, 1, 1, 1}, true},
    {"substrate_model_3", Data::kSubstrate, {0, 0, 1, 0}},
    {"substrate_model_4", Data::kSubstrate, {0, 0, 0, 1}},
    {"rows_1000_models_1_2", Data::kRows1000, {1, 1, 0, 0}},
    {"rows_1000_models_1_4", Data::kRows1000, {1, 1, 1, 1}},
    {"family_ten_curves_p", Data::kFamily, {1, 1, 0, 0}},
    {"units_basic_s_c1e-06_t3600", Data::kUnits, {0, 0, 1, 1}},
    {"robust_p_c2_two_0", Data::kRobust, {1, 1, 0, 0}, true},
};

INSTANTIATE_TEST_SUITE_P(Classic, GoldenReport, ::testing::ValuesIn(kCases), [](const auto& info) {
  std::string name = info.param.name;
  std::replace_if(
      name.begin(), name.end(), [](char ch) { return !std::isalnum(ch); }, '_');
  return name;
});

// Several files fitted at a time (-j 2) give the reports each gives alone.
TEST(GoldenReports, AreTheSameWhenFilesRunTwoAtATime) {
  const TempFolder folder;
  const std::string dir = folder.path().string();
  app::CommandLine cl = command_line({1, 1, 0, 0}, false);
  cl.jobs = 2;
  cl.inputs = {write_data(Data::kExample, dir, "example_models_1_2"),
               write_data(Data::kRows1000, dir, "rows_1000_models_1_2")};
  std::ostringstream out, err;
  ASSERT_EQ(app::run_batch(cl, out, err), 0) << err.str();
  expect_report("example_models_1_2", dir);
  expect_report("rows_1000_models_1_2", dir);
}

}  // namespace
}  // namespace velmor
