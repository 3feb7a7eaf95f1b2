// SPDX-License-Identifier: MIT

#include "engine/core/file_units.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "engine/core/pending_report.h"
#include "temp_folder.h"
#include "util/file_lock.h"

namespace velmor {
namespace {

using testing::read_file;

TEST(FileUnits, WriteAppendReplaceAndCloseOnDestruction) {
  const testing::TempFolder folder;
  const std::string name = folder.file("report.out");
  {
    FileUnits units;
    ASSERT_TRUE(units.open(15, name, FileMode::kWrite));
    *units.stream(15) << "first\n";
    ASSERT_TRUE(units.open(15, name, FileMode::kAppend));  // reopening closes (flushes) first
    *units.stream(15) << "second\n";
  }  // the table flushes and closes unit 15 here
  EXPECT_EQ(read_file(name), "first\nsecond\n");
  FileUnits units;
  ASSERT_TRUE(units.open(20, name, FileMode::kWrite));
  units.close_all();
  EXPECT_EQ(read_file(name), "");
  EXPECT_EQ(units.connected_count(), 0);
}

// Missing files, folders, unit 0, pipes (which would block) and devices in any mode: refused.
TEST(FileUnits, RefusedOpensLeaveTheUnitFreeWithoutBlocking) {
  const testing::TempFolder folder;
  const std::string dir = folder.path().string(), pipe = folder.file("pipe.in");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  std::filesystem::create_symlink(pipe, folder.file("link.in"));
  FileUnits units;
  EXPECT_FALSE(units.open(20, folder.file("missing.in"), FileMode::kRead));
  EXPECT_FALSE(units.open(20, folder.file("no/such/folder/x.out"), FileMode::kWrite));
  EXPECT_FALSE(units.open(0, folder.file("zero.out"), FileMode::kWrite));
  EXPECT_FALSE(units.open(20, folder.file("link.in"), FileMode::kRead));
  for (const FileMode mode : {FileMode::kRead, FileMode::kWrite, FileMode::kAppend}) {
    EXPECT_FALSE(units.open(20, dir, mode));
    EXPECT_FALSE(units.open(20, pipe, mode));
    EXPECT_FALSE(units.open(21, "/dev/null", mode));
  }
  EXPECT_EQ(units.stream(20), nullptr);
  EXPECT_EQ(units.connected_count(), 0);
  EXPECT_FALSE(std::filesystem::exists(folder.file("zero.out")));
}

TEST(FileUnits, NamesAreComparedAsPaths) {
  const testing::TempFolder folder;
  FileUnits units;
  ASSERT_TRUE(units.open(40, folder.file("data.in"), FileMode::kWrite));
  const std::string roundabout = (folder.path() / "sub" / ".." / "." / "data.in").string();
  EXPECT_EQ(units.unit_of(roundabout), 40);
  EXPECT_FALSE(file_open_by_name(folder.file("data.out"), units));
  file_close_by_name(40, folder.file("other.in"), units);  // not connected: nothing closes
  EXPECT_TRUE(units.is_connected(40));
  file_close_by_name(40, roundabout, units);
  EXPECT_FALSE(units.is_connected(40));
}

// get_unit searches up from its start (below 9 raised by 100; 5, 6, 9 as given); nuunit down
// from 100 to 10.
TEST(FileUnits, FreeUnitSearches) {
  const testing::TempFolder folder;
  FileUnits units;
  const auto fill = [&](int first, int last) {
    for (int unit = first; unit <= last; ++unit) {
      ASSERT_TRUE(units.open(unit, folder.file("u" + std::to_string(unit)), FileMode::kWrite));
    }
  };
  EXPECT_EQ(get_unit(20, units), 20);
  for (int console : {5, 6, 9}) EXPECT_EQ(get_unit(console, units), console);
  EXPECT_EQ(get_unit(3, units), 103);
  EXPECT_EQ(nuunit(100, units), 99);
  fill(20, 21);
  EXPECT_EQ(get_unit(20, units), 22);
  fill(10, 99);
  EXPECT_EQ(nuunit(0, units), 100);
  EXPECT_EQ(nuunit(100, units), -1);
  fill(100, 109);
  EXPECT_EQ(get_unit(10, units), 10);  // all hundred taken: the start comes back
  EXPECT_EQ(get_unit(11, units), 110);
}

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
