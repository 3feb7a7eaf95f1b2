#include "app/batch/batch_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "engine/driver/fit_status.h"
#include "file_size_limit.h"
#include "temp_folder.h"
#include "util/file_lock.h"

namespace velmor::app {
namespace {

namespace fs = std::filesystem;

class BatchRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("velmor_batch_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::copy_file(fs::path(VELMOR_EXAMPLES_DIR) / "DATA.IN", dir_ / "DATA.IN");
  }
  void TearDown() override { fs::remove_all(dir_); }

  int run(std::array<int, 4> models) {
    CommandLine cl;
    cl.mode = CommandLine::Mode::kBatch;
    cl.inputs = {(dir_ / "DATA.IN").string()};
    cl.models = models;
    return run_batch(cl, out_, err_);
  }

  static std::string last_line(const fs::path& path) {
    std::ifstream in(path);
    std::string line, last;
    while (std::getline(in, line)) last = line;
    return last;
  }

  fs::path dir_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(BatchRun, CompletedRunPrintsTheReportAndAppendsTheClosingLine) {
  EXPECT_EQ(run({1, 0, 0, 0}), 0);
  const fs::path report = dir_ / "DATA.out";
  EXPECT_EQ(out_.str(), report.string() + "\n");
  EXPECT_EQ(err_.str(), "");
  EXPECT_EQ(last_line(report), "   Results written to " + report.string());
}

TEST_F(BatchRun, ProductDataRefuseASubstrateModelWithExitStatus4) {
  EXPECT_EQ(run({0, 0, 1, 1}), kExitWrongModelType);
  EXPECT_EQ(err_.str(),
            "Information: THE WRONG MODEL TYPE WAS SELECTED!\n"
            "THE DATA SUGGESTS A PRODUCT vs TIME MODEL INSTEAD.\n");
  EXPECT_EQ(out_.str(), "");
  EXPECT_FALSE(fs::exists(dir_ / "DATA.out"));
}

TEST_F(BatchRun, MissingFileAndBadDataGiveTheDriverStatus) {
  fs::remove(dir_ / "DATA.IN");
  EXPECT_EQ(run({1, 0, 0, 0}), 1);
  EXPECT_NE(err_.str().find("Warning: File does not exist: "), std::string::npos);
  EXPECT_NE(err_.str().find("Error: * * * OPEN ANOTHER DATA FILE * * *"), std::string::npos);

  std::ofstream(dir_ / "DATA.IN") << "1 2\n3 4\n5 6\n";
  err_.str("");
  EXPECT_EQ(run({1, 0, 0, 0}), 3);
  EXPECT_NE(err_.str().find("Warning: Data columns not equal to 3"), std::string::npos);
  EXPECT_EQ(out_.str(), "");
}

// One Y of 1e300 makes every fit fail: each section and a warning say so, nothing is ranked, the
// run ends with an error and status 9, and the report is complete, its path printed.
TEST_F(BatchRun, EveryFitFailedGivesStatus9AndTheReport) {
  std::ofstream(dir_ / "DATA.IN") << "0 50 0.5\n40 50 13.7\n120 50 1e300\n160 50 42.6\n"
                                     "200 50 45.4\n240 50 50.8\n";
  EXPECT_EQ(run({1, 1, 0, 0}), kStatusNoFiniteFit);
  const fs::path report = dir_ / "DATA.out";
  EXPECT_EQ(out_.str(), report.string() + "\n");
  EXPECT_EQ(last_line(report), "   Results written to " + report.string());
  std::ifstream in(report);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int failed_sections = 0;
  for (size_t at = 0; (at = text.find("\n          FIT FAILED: ", at + 1)) != std::string::npos;) {
    ++failed_sections;
  }
  EXPECT_EQ(failed_sections, 2);
  EXPECT_EQ(text.find("BEST-FIT MODEL SUMMARY"), std::string::npos);
  const std::string failed =
      "Warning: Fit failed (sum of squares or parameters not finite), left out of the ranking: "
      "model ";
  const std::string& err = err_.str();
  EXPECT_NE(err.find(failed + "1\n"), std::string::npos) << err;
  EXPECT_NE(err.find(failed + "2\n"), std::string::npos) << err;
  EXPECT_TRUE(err.ends_with("Error: No model could be fitted to these data: every fit failed\n"))
      << err;
}

// A report that cannot be written is an error, never a success, and the previous report stays:
// another run writing it, a write that fails half-way (a file size limit, as on a full disk).
TEST_F(BatchRun, FailedRunsKeepThePreviousReport) {
  const fs::path report = dir_ / "DATA.out";
  util::FileLock other_run;
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { ASSERT_EQ(other_run.try_lock(report.string()), util::FileLock::Result::kLocked); },
       "Warning: The file is in use by another run: " + report.string()},
      {[] {}, "Error: The output file could not be written (File too large): " + report.string()},
  };
  for (const auto& [arrange, message] : cases) {
    SCOPED_TRACE(message);
    std::ofstream(report) << "previous report\n";
    arrange();
    err_.str("");
    {
      const testing::FileSizeLimit limit(3000);
      ASSERT_TRUE(limit.ok());
      EXPECT_EQ(run({1, 0, 0, 0}), 3);
    }
    other_run.unlock();
    EXPECT_NE(err_.str().find(message), std::string::npos) << err_.str();
    EXPECT_EQ(testing::read_file(report.string()), "previous report\n");
  }
  EXPECT_EQ(out_.str(), "");
}

// No data rows: the data-error refusal, whichever kind of model was chosen.
TEST_F(BatchRun, FileWithoutDataRowsIsADataErrorForEveryModel) {
  std::ofstream(dir_ / "DATA.IN") << "# a comment first\n0 10 1\n1 10 2\n2 10 3\n3 10 4\n";
  for (const std::array<int, 4> models : {std::array<int, 4>{1, 0, 0, 0}, {0, 0, 1, 0}}) {
    err_.str("");
    EXPECT_EQ(run(models), 3);
    EXPECT_EQ(err_.str(),
              "Warning: Data rows exceeded limit of 1000\nError: * * * ERROR: RUN ABORTED * * *\n");
  }
}

}  // namespace
}  // namespace velmor::app
