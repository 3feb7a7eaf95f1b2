// SPDX-License-Identifier: MIT
// The toolkit's end of the process (the close box's grace over while a fit runs, a fault) leaves
// no lock or temporary file of a run behind, and the earlier report whole.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "child_process.h"
#include "gui/platform/gui_thread.h"
#include "temp_folder.h"
#include "util/atomic_file.h"
#include "util/file_lock.h"

namespace {

TEST(ProgramEnd, LeavesNoUnfinishedFileOfARun) {
  const velmor::testing::TempFolder folder;
  const std::string report = folder.write("DATA.out", "previous report\n");
  velmor::testing::ChildProcess child([&] {
    velmor::util::FileLock lock;
    velmor::util::AtomicFile file(report);
    if (lock.try_lock(report) != velmor::util::FileLock::Result::kLocked || !file.write("new")) {
      return 2;
    }
    wintk::platform::end_process(1);
  });
  EXPECT_EQ(child.exit_status(), 1);
  EXPECT_EQ(velmor::testing::file_names_in(folder.path()), std::set<std::string>{"DATA.out"});
  EXPECT_EQ(velmor::testing::read_file(report), "previous report\n");
}

}  // namespace
