#include "engine/core/pending_report.h"

#include <gtest/gtest.h>

#include "temp_folder.h"
#include "util/file_lock.h"

namespace velmor {
namespace {

// The report file changes only on commit, which also lets other runs in; a discarded or
// reopened report starts empty and never touches the file.
TEST(PendingReport, FileChangesOnlyOnCommitWhichReleasesTheLock) {
  const testing::TempFolder folder;
  const std::string name = folder.write("run.out", "previous\n");
  PendingReport report;
  ASSERT_TRUE(report.open(name)) << report.error();
  report.stream() << "abandoned";
  ASSERT_TRUE(report.open(name)) << report.error();
  report.stream() << "new report\n";
  EXPECT_EQ(report.text(), "new report\n");
  EXPECT_EQ(testing::read_file(name), "previous\n");
  util::FileLock other_run;
  EXPECT_EQ(other_run.try_lock(name), util::FileLock::Result::kBusy);

  ASSERT_TRUE(report.commit()) << report.error();
  EXPECT_FALSE(report.is_open());
  EXPECT_EQ(testing::read_file(name), "new report\n");
  EXPECT_EQ(other_run.try_lock(name), util::FileLock::Result::kLocked);
  EXPECT_FALSE(report.open(name));
  EXPECT_EQ(report.error(), util::kMsgFileInUse + name);
  other_run.unlock();

  ASSERT_TRUE(report.open(name));
  report.stream() << "discarded";
  report.discard();
  EXPECT_FALSE(report.is_open());
  EXPECT_EQ(testing::read_file(name), "new report\n");
}

}  // namespace
}  // namespace velmor
