// SPDX-License-Identifier: MIT
// Starting the user's editor without a shell, and reaping it.
#include "app/editor_launcher.h"

#include <csignal>

#include "shell_test_support.h"

namespace velmor::app {
namespace {

TEST(EditorCommand, SplitsTheEditorAtBlanksAndKeepsTheFileNameWhole) {
  const std::string name = "/d/x; rm -rf ~ $(id) `id` 'q' \"w\".in";
  EXPECT_EQ(editor_command(" \t ", name), (std::vector<std::string>{"xdg-open", name}));
  EXPECT_EQ(editor_command("  code  --wait\t-n ", name),
            (std::vector<std::string>{"code", "--wait", "-n", name}));
}

// A finished editor is reaped (no zombie stays), a running one left alone; a missing one fails.
TEST(EditorLauncher, ReapsFinishedEditorsOnly) {
  EditorLauncher launcher;
  const std::string error = launcher.start({"/no/such/editor", "file.in"});
  EXPECT_NE(error.find("Could not start the editor /no/such/editor"), std::string::npos) << error;
  EXPECT_TRUE(launcher.running().empty());
  ASSERT_EQ(launcher.start({"sleep", "5"}), "");
  ASSERT_EQ(launcher.start({"true"}), "");
  ASSERT_EQ(launcher.running().size(), 2u);
  const pid_t sleeping = launcher.running()[0], finished = launcher.running()[1];
  ASSERT_TRUE(testing::wait_for([&] { return launcher.reap(), launcher.running().size() == 1; }));
  EXPECT_EQ(launcher.running(), std::vector<pid_t>{sleeping});
  EXPECT_NE(::kill(finished, 0), 0);  // gone, not a zombie
  ::kill(sleeping, SIGTERM);
}

}  // namespace
}  // namespace velmor::app
