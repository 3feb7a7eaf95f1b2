// Starting the user's editor without a shell, and reaping it.
#include "app/editor_launcher.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>

#include "shell_test_support.h"

namespace velmor::app {
namespace {

struct CommandCase {
  const char* name;
  std::string visual;
  std::string file;
  std::vector<std::string> argv;
};

class EditorCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(EditorCommand, SplitsTheEditorAndKeepsTheFileWhole) {
  EXPECT_EQ(editor_command(GetParam().visual, GetParam().file), GetParam().argv);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, EditorCommand,
    ::testing::Values(CommandCase{"NoVisual", "", "/d/DATA.IN", {"xdg-open", "/d/DATA.IN"}},
                      CommandCase{"BlankVisual", " \t ", "a.in", {"xdg-open", "a.in"}},
                      CommandCase{"Editor", "gedit", "a.in", {"gedit", "a.in"}},
                      CommandCase{"EditorWithOptions",
                                  "  code  --wait\t-n ",
                                  "a.in",
                                  {"code", "--wait", "-n", "a.in"}},
                      CommandCase{"ShellCharactersInTheName",
                                  "kate",
                                  "/d/x; rm -rf ~ $(id) `id` 'q' \"w\".in",
                                  {"kate", "/d/x; rm -rf ~ $(id) `id` 'q' \"w\".in"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The state letter of a process in /proc, or 0 when there is no such process.
char process_state(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return 0;
  const std::size_t paren = text.rfind(')');
  return paren + 2 < text.size() ? text[paren + 2] : 0;
}

TEST(EditorLauncher, FinishedEditorIsReapedAndARunningOneLeftAlone) {
  EditorLauncher launcher;
  // start() reaps first, so the one that ends at once is started last.
  ASSERT_EQ(launcher.start({"sleep", "5"}), "");
  ASSERT_EQ(launcher.start({"true"}), "");
  ASSERT_EQ(launcher.running().size(), 2u);
  const pid_t sleeping = launcher.running()[0];
  const pid_t finished = launcher.running()[1];
  // Until reaped, the finished editor is a zombie.
  ASSERT_TRUE(testing::wait_for([&] { return process_state(finished) == 'Z'; }));
  launcher.reap();
  EXPECT_EQ(process_state(finished), 0);
  ASSERT_EQ(launcher.running().size(), 1u);
  EXPECT_EQ(launcher.running()[0], sleeping);
  EXPECT_NE(process_state(sleeping), 0);
  ::kill(sleeping, SIGTERM);
  ASSERT_TRUE(testing::wait_for([&] { return process_state(sleeping) == 'Z'; }));
  launcher.reap();
  EXPECT_TRUE(launcher.running().empty());
  EXPECT_EQ(process_state(sleeping), 0);
}

TEST(EditorLauncher, FileNameArrivesAsOneArgumentAndRunsNothing) {
  testing::TempFolder folder;
  const std::string record = folder / "args";
  const std::string script = folder / "editor.sh";
  std::ofstream(script) << "printf '%s|%s' \"$#\" \"$1\" > \"" << record << "\"\n";
  const std::string name = folder / "a $(touch made1) `touch made2`; touch made3 #.in";
  ::setenv("VISUAL", ("/bin/sh " + script).c_str(), 1);
  EditorLauncher launcher;
  const std::string error = launcher.open(name);
  ::unsetenv("VISUAL");
  ASSERT_EQ(error, "");
  ASSERT_TRUE(
      testing::wait_for([&] { return testing::read_file(record).find('|') != std::string::npos; }));
  EXPECT_EQ(testing::read_file(record), "1|" + name);
  for (const char* made : {"made1", "made2", "made3"}) {
    EXPECT_FALSE(std::filesystem::exists(made));
    EXPECT_FALSE(std::filesystem::exists(folder / made));
  }
}

TEST(EditorLauncher, MissingEditorGivesAMessageAndNoChild) {
  EditorLauncher launcher;
  const std::string error = launcher.start({"/no/such/editor", "file.in"});
  EXPECT_NE(error.find("Could not start the editor /no/such/editor"), std::string::npos) << error;
  EXPECT_TRUE(launcher.running().empty());
}

}  // namespace
}  // namespace velmor::app
