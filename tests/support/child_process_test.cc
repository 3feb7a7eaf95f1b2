// SPDX-License-Identifier: MIT
// The child-process helper of the stop tests: waiting for a child's signal ends when the child
// does, so a child that dies on its way never leaves a test waiting without end.
#include "child_process.h"

#include <gtest/gtest.h>

#include <csignal>

namespace velmor::testing {
namespace {

TEST(ChildProcess, AwaitEndsWithTheChild) {
  const Pipe reached;
  // Ends before it sends anything: by exiting, or killed by a signal.
  for (const int how : {0, SIGKILL}) {
    SCOPED_TRACE(how);
    ChildProcess child([how] {
      if (how != 0) ::raise(how);
      return 3;
    });
    EXPECT_FALSE(child.await(reached));
    EXPECT_EQ(child.exit_status(), how == 0 ? 3 : -1);
  }
  // Sends, then ends at once: the byte still counts, and the next wait ends with the child.
  ChildProcess child([&reached] {
    reached.put();
    return 0;
  });
  EXPECT_TRUE(child.await(reached));
  EXPECT_FALSE(child.await(reached));
  EXPECT_EQ(child.exit_status(), 0);
}

}  // namespace
}  // namespace velmor::testing
