// SPDX-License-Identifier: MIT
// The command line velmor-tarn as a whole process: it loads no Qt, and hands the window and the
// pictures of --plots to the window's program found in the installed layout, or, without it,
// still writes the reports.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/batch/batch_options.h"
#include "app/cli/window_program.h"
#include "temp_folder.h"

extern char** environ;

namespace velmor::app {
namespace {

namespace fs = std::filesystem;
using velmor::testing::read_file;
using velmor::testing::TempFolder;

struct Outcome {
  int status = -1;  // the exit status, -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Runs the program with the arguments; stdout and stderr are kept in files of `folder`.
Outcome run(const fs::path& program, const std::vector<std::string>& args,
            const TempFolder& folder) {
  std::vector<std::string> words = {program.string()};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const std::string out = folder.file("stdout.txt");
  const std::string err = folder.file("stderr.txt");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  Outcome outcome;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  outcome.out = read_file(out);
  outcome.err = read_file(err);
  return outcome;
}

// The standard output of a shell command, which must succeed.
std::string output_of(const std::string& command) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string text;
  char block[4096];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, pipe)) > 0;) {
    text.append(block, got);
  }
  EXPECT_EQ(::pclose(pipe), 0) << command;
  return text;
}

// A copy of the command line at `folder`/bin, as installed; the copy's own path is where it
// looks for the window's program.
fs::path installed_command_line(const TempFolder& folder) {
  fs::create_directories(folder.path() / "bin");
  fs::path copy = folder.path() / "bin" / "velmor-tarn";
  fs::copy_file(VELMOR_CLI_PROGRAM, copy);
  return copy;
}

fs::path example_copy(const TempFolder& folder, const std::string& subfolder) {
  fs::create_directories(folder.path() / subfolder);
  fs::path data = folder.path() / subfolder / "DATA.IN";
  fs::copy_file(std::string(VELMOR_EXAMPLES_DIR) + "/DATA.IN", data);
  return data;
}

TEST(CommandLine, LoadsNoQtAndAnswersVersionAndHelpItself) {
  // The libraries it needs, if any: a static build has no dynamic section to list.
  const std::string elf = output_of("readelf -h -d " + std::string(VELMOR_CLI_PROGRAM));
  EXPECT_NE(elf.find("ELF Header:"), std::string::npos) << elf;  // readelf did read it
  EXPECT_EQ(elf.find("libQt"), std::string::npos) << elf;

  const TempFolder folder;
  const fs::path program = installed_command_line(folder);  // no window's program beside it
  const Outcome version = run(program, {"--version"}, folder);
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, version_text("velmor-tarn"));
  const Outcome help = run(program, {"--help"}, folder);
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, usage_text("velmor-tarn"));
}

// The tests' seam of user actions (wintk::test_input) is for test programs only.
TEST(CommandLine, TheWindowProgramHoldsNoTestHooks) {
  const std::string symbols = output_of("nm -C " + std::string(VELMOR_WINDOW_PROGRAM));
  EXPECT_NE(symbols.find("wintk::run_application"), std::string::npos);
  EXPECT_EQ(symbols.find("wintk::test_input::"), std::string::npos);
  EXPECT_EQ(symbols.find("RecordingResponder"), std::string::npos);
}

// The window's program in libexec, as the package installs it, draws the pictures of the
// command line's run: the same bytes it writes when run itself.
TEST(CommandLine, HandsThePicturesToTheInstalledWindowProgram) {
  const TempFolder folder;
  const fs::path program = installed_command_line(folder);
  const fs::path libexec = folder.path() / "libexec" / "velmor-tarn";
  fs::create_directories(libexec);
  fs::create_symlink(VELMOR_WINDOW_PROGRAM, libexec / kWindowProgramName);

  const fs::path handed = example_copy(folder, "handed");
  const fs::path direct = example_copy(folder, "direct");
  for (const char* format : {"png", "svg"}) {
    const Outcome a = run(program,
                          {"--batch", handed.string(), "--method", "fast", "--plots",
                           (folder.path() / "handed" / format).string(), "--plot-format", format},
                          folder);
    ASSERT_EQ(a.status, 0) << a.err;
    const Outcome b = run(VELMOR_WINDOW_PROGRAM,
                          {"--batch", direct.string(), "--method", "fast", "--plots",
                           (folder.path() / "direct" / format).string(), "--plot-format", format},
                          folder);
    ASSERT_EQ(b.status, 0) << b.err;
    int pictures = 0;
    for (const auto& entry : fs::directory_iterator(folder.path() / "direct" / format)) {
      const fs::path name = entry.path().filename();
      EXPECT_EQ(read_file((folder.path() / "handed" / format / name).string()),
                read_file(entry.path().string()))
          << name;
      ++pictures;
    }
    EXPECT_EQ(pictures, 5) << format;  // four models and the residuals
  }
}

// Without the window's program (a broken installation) the window gives a message, and a run
// with --plots still fits its files and writes the reports; only the pictures fail.
TEST(CommandLine, WithoutTheWindowProgramTheReportsAreStillWritten) {
  const TempFolder folder;
  const fs::path program = installed_command_line(folder);
  const fs::path data = example_copy(folder, "data");
  const fs::path pictures = folder.path() / "pictures";
  const Outcome run_plots =
      run(program, {"--batch", data.string(), "--method", "fast", "--plots", pictures.string()},
          folder);
  EXPECT_EQ(run_plots.status, kExitOutputNotWritten);
  EXPECT_EQ(run_plots.err.find("velmor-tarn: the pictures cannot be drawn: velmor-tarn-gui is "
                               "not installed (looked in " +
                               (folder.path() / "libexec" / "velmor-tarn").string() + ", " +
                               (folder.path() / "bin").string() + ")\n"),
            0u)
      << run_plots.err;
  EXPECT_EQ(run_plots.err.find("files done"), std::string::npos);  // no progress line in a file
  EXPECT_EQ(run_plots.out, (folder.path() / "data" / "DATA.out").string() + "\n");
  EXPECT_TRUE(fs::is_regular_file(folder.path() / "data" / "DATA.out"));
  EXPECT_FALSE(fs::exists(pictures));

  const Outcome window = run(program, {}, folder);
  EXPECT_EQ(window.status, kExitUsage);
  EXPECT_EQ(window.err.find("velmor-tarn: the window cannot be opened: velmor-tarn-gui is not "
                            "installed"),
            0u)
      << window.err;

  // A window's program that cannot be run is the answer: the search stops there.
  const fs::path libexec = folder.path() / "libexec" / "velmor-tarn";
  fs::create_directories(libexec);
  std::ofstream(libexec / kWindowProgramName) << "not a program\n";
  fs::permissions(libexec / kWindowProgramName, fs::perms::owner_read | fs::perms::owner_write);
  const Outcome refused = run(program, {}, folder);
  EXPECT_EQ(refused.status, kExitUsage);
  EXPECT_EQ(refused.err, "velmor-tarn: the window cannot be opened: cannot run " +
                             (libexec / kWindowProgramName).string() + ": Permission denied\n");
}

}  // namespace
}  // namespace velmor::app
