// SPDX-License-Identifier: MIT
// Whole reports against tests/golden/expected, byte for byte but for the date and the folder,
// each file run as the batch mode runs it (run_data_file). VELMOR_GOLDEN_OUT=folder keeps the
// reports produced there (masked), to write the expected ones anew after an intended change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
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
using testing::lines_of;

enum class Data { kExample, kRows1000, kFamily, kSubstrate, kUnits, kRobust };

ProgressCurveData named_case(const std::vector<FamilyCase>& family, const std::string& name) {
  const auto it = std::find_if(family.begin(), family.end(),
                               [&](const FamilyCase& c) { return c.name == name; });
  if (it == family.end()) throw std::logic_error("no family case " + name);
  return it->data;
}

std::string write_data(Data data, const std::string& dir, const std::string& name) {
  std::string path = (fs::path(dir) / (name + ".in")).string();
  std::vector<FamilyCase> contaminated;
  switch (data) {
    case Data::kExample:
      fs::copy_file(fs::path(VELMOR_EXAMPLES_DIR) / "DATA.IN", path);
      break;
    case Data::kRows1000:
      bench::write_data_file(path, bench::generated_1000_rows());
      break;
    case Data::kFamily:
      testing::write_data_file(path, named_case(testing::generated_family(), "ten_curves_p"));
      break;
    case Data::kSubstrate:
      testing::write_data_file(path, testing::basic_substrate_case().data);
      break;
    case Data::kUnits:
      testing::write_data_file(path,
                               testing::rescaled(testing::basic_substrate_case(), 1e-6, 3600).data);
      break;
    case Data::kRobust:
      for (const auto& r : testing::robust_family(1)) contaminated.push_back(r.contaminated);
      testing::write_data_file(path, named_case(contaminated, "robust_p_c2_two_0"));
      break;
  }
  return path;
}

// The report of `name` in `dir`, date and folder masked, against the expected one.
void expect_report(const std::string& name, const std::string& dir) {
  static const std::regex date(
      R"( {19}(Mon|Tue|Wed|Thu|Fri|Sat|Sun) [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4})");
  std::vector<std::string> got = lines_of(std::ifstream(fs::path(dir) / (name + ".out")));
  for (std::string& line : got) {
    if (std::regex_match(line, date)) line = std::string(19, ' ') + "<date>";
    for (size_t at; (at = line.find(dir)) != std::string::npos;)
      line.replace(at, dir.size(), "<folder>");
  }
  if (const char* out = std::getenv("VELMOR_GOLDEN_OUT")) {
    std::ofstream keep(fs::path(out) / (name + ".out"));
    for (const auto& line : got) keep << line << '\n';
  }
  const fs::path expected_file =
      fs::path(VELMOR_SOURCE_DIR) / "tests/golden/expected" / (name + ".out");
  const auto expected = lines_of(std::ifstream(expected_file));
  ASSERT_FALSE(expected.empty()) << "no expected report " << name;
  const auto [e, g] = std::mismatch(expected.begin(), expected.end(), got.begin(), got.end());
  EXPECT_TRUE(e == expected.end() && g == got.end())
      << name << ".out differs from tests/golden/expected at line " << e - expected.begin() + 1
      << "\n  expected: " << (e == expected.end() ? "<end of report>" : "|" + *e + "|")
      << "\n  got:      " << (g == got.end() ? "<end of report>" : "|" + *g + "|");
}

// Product data refuse models 3 and 4 alone, so they run on the basic substrate case.
TEST(GoldenReports, AreUnchanged) {
  const struct {
    const char* name;  // the expected report is <name>.out
    Data data;
    std::array<int, kModelCount> models;
    bool robust = false;
    bool fast = false;
  } kCases[] = {
      {"example_model_1", Data::kExample, {1, 0, 0, 0}},
      {"example_model_2", Data::kExample, {0, 1, 0, 0}},
      {"example_models_1_2", Data::kExample, {1, 1, 0, 0}},
      {"example_models_1_4", Data::kExample, {1, 1, 1, 1}},
      {"example_models_1_4_robust", Data::kExample, {1, 1, 1, 1}, true},
      {"example_models_1_4_fast", Data::kExample, {1, 1, 1, 1}, false, true},
      {"substrate_model_3", Data::kSubstrate, {0, 0, 1, 0}},
      {"substrate_model_4", Data::kSubstrate, {0, 0, 0, 1}},
      {"rows_1000_models_1_2", Data::kRows1000, {1, 1, 0, 0}},
      {"rows_1000_models_1_4", Data::kRows1000, {1, 1, 1, 1}},
      {"rows_1000_models_1_4_fast", Data::kRows1000, {1, 1, 1, 1}, false, true},
      {"family_ten_curves_p", Data::kFamily, {1, 1, 0, 0}},
      {"units_basic_s_c1e-06_t3600", Data::kUnits, {0, 0, 1, 1}},
      {"robust_p_c2_two_0", Data::kRobust, {1, 1, 0, 0}, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const testing::TempFolder folder;
    const std::string dir = folder.path().string();
    app::BatchFile file;
    file.data_file = write_data(c.data, dir, c.name);
    file.picture_stem = c.name;
    app::CommandLine cl;
    cl.mode = app::CommandLine::Mode::kBatch;
    std::tie(cl.models, cl.robust, cl.fast) = std::tie(c.models, c.robust, c.fast);
    const app::FileResult result = app::run_data_file(file, cl);
    ASSERT_EQ(result.status, 0) << result.messages;
    expect_report(c.name, dir);
  }
}

}  // namespace
}  // namespace velmor
