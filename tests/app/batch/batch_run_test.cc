#include "app/batch/batch_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>

#include "engine/driver/fit_status.h"
#include "file_size_limit.h"
#include "temp_folder.h"
#include "util/file_lock.h"

namespace velmor::app {
namespace {

using testing::read_file;

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

  // A completed report names itself on its last line, and its path is what the run prints.
  void expect_report_written() {
    EXPECT_EQ(out_.str(), report_ + "\n");
    EXPECT_TRUE(read_file(report_).ends_with("\n   Results written to " + report_ + "\n"));
  }

  testing::TempFolder folder_;
  std::string data_;
  std::string report_;
  std::ostringstream out_;
  std::ostringstream err_;
};

// A completed run prints its report's path. Refused runs write no report and give the driver's
// status: only substrate models for product data (4), no data rows whichever the model (3), a
// missing file (1).
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

// One Y of 1e300 makes every fit fail: sections and warnings say so, nothing is ranked, the run
// ends with an error and status 9, and the report is complete.
TEST_F(BatchRun, EveryFitFailedGivesStatus9AndTheReport) {
  folder_.write("DATA.IN",
                "0 50 0.5\n40 50 13.7\n120 50 1e300\n160 50 42.6\n200 50 45.4\n"
                "240 50 50.8\n");
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

// A report that cannot be written is an error, never a success, and the previous report stays:
// another run writing it, a write that fails half-way (a file size limit, as on a full disk).
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
