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

// The state letter of a process in /proc, or 0 when there is no such process.
char process_state(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return 0;
  const std::size_t paren = text.rfind(')');
  return paren + 2 < text.size() ? text[paren + 2] : 0;
}

// A finished editor is reaped, a running one left alone; a missing one gives a message.
TEST(EditorLauncher, ReapsFinishedEditorsOnly) {
  EditorLauncher launcher;
  const std::string error = launcher.start({"/no/such/editor", "file.in"});
  EXPECT_NE(error.find("Could not start the editor /no/such/editor"), std::string::npos) << error;
  EXPECT_TRUE(launcher.running().empty());
  // start() reaps first, so the one that ends at once is started last.
  ASSERT_EQ(launcher.start({"sleep", "5"}), "");
  ASSERT_EQ(launcher.start({"true"}), "");
  ASSERT_EQ(launcher.running().size(), 2u);
  const pid_t sleeping = launcher.running()[0];
  const pid_t finished = launcher.running()[1];
  ASSERT_TRUE(testing::wait_for([&] { return process_state(finished) == 'Z'; }));
  launcher.reap();
  EXPECT_EQ(process_state(finished), 0);
  EXPECT_EQ(launcher.running(), std::vector<pid_t>{sleeping});
  ::kill(sleeping, SIGTERM);
  ASSERT_TRUE(testing::wait_for([&] { return process_state(sleeping) == 'Z'; }));
  launcher.reap();
  EXPECT_TRUE(launcher.running().empty() && process_state(sleeping) == 0);
}

}  // namespace
}  // namespace velmor::app
