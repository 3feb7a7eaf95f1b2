// SPDX-License-Identifier: MIT
// The safe writer under every output file, file identity, the run lock and printable names.
#include "util/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>

#include "child_process.h"
#include "file_size_limit.h"
#include "temp_folder.h"
#include "util/file_identity.h"
#include "util/file_lock.h"
#include "util/printable_name.h"
#include "util/stop_signals.h"

namespace velmor::util {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::TempFolder;

// Runs `act` with descriptor 0 free, as in a program started with stdin closed.
template <typename Act>
auto with_stdin_closed(Act act) {
  const int saved = ::dup(0);
  ::close(0);
  const auto result = act();
  ::dup2(saved, 0);
  ::close(saved);
  return result;
}

// Destinations that must be refused; each is left exactly as it was, and nothing else appears.
TEST(AtomicFile, RefusedDestinationsAreLeftAlone) {
  const TempFolder folder;
  const std::string target = folder.write("target.txt", "target's own text\n");
  const std::string link = folder.file("link.out");
  fs::create_symlink(target, link);
  const std::string dangling = folder.file("dangling.out");
  fs::create_symlink(folder.file("nowhere.txt"), dangling);
  const std::string empty_folder = folder.file("empty.out");
  fs::create_directory(empty_folder);
  const std::string read_only = folder.write("read-only.out", "protected\n");
  fs::permissions(read_only, fs::perms::owner_read | fs::perms::group_read);
  const std::string pipe = folder.file("pipe.out");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::set<std::string> before = testing::file_names_in(folder.path());

  const std::pair<std::string, std::string> cases[] = {
      {link, kMsgOutputIsLink},           {dangling, kMsgOutputIsLink},
      {empty_folder, kMsgOutputIsFolder}, {read_only, kMsgOutputReadOnly},
      {pipe, kMsgOutputNotRegular},       {folder.file(""), kMsgOutputIsFolder},
  };
  for (const auto& [destination, message] : cases) {
    std::string error;
    EXPECT_FALSE(write_file_atomically(destination, "new text\n", &error)) << destination;
    EXPECT_EQ(error, message + destination);
  }
  EXPECT_EQ(testing::file_names_in(folder.path()), before);
  EXPECT_EQ(read_file(target), "target's own text\n");
  EXPECT_EQ(read_file(read_only), "protected\n");
}

TEST(AtomicFile, ReplacesWholeKeepingPermissionsOrCreates) {
  const TempFolder folder;
  const std::string old_file =
      folder.write("report.out", "an old report, longer than the new one\n");
  fs::permissions(old_file, fs::perms::owner_read | fs::perms::owner_write);
  // The superuser replacing another user's file leaves it that user's.
  const bool may_give_away = ::geteuid() == 0 && ::chown(old_file.c_str(), 4321, 4321) == 0;
  ASSERT_TRUE(write_file_atomically(old_file, "new\n"));
  EXPECT_EQ(read_file(old_file), "new\n");
  EXPECT_EQ(fs::status(old_file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  struct stat status {};
  EXPECT_TRUE(!may_give_away || (::stat(old_file.c_str(), &status) == 0 && status.st_uid == 4321u));

  const std::string fresh = folder.file("fresh.out");
  {
    AtomicFile file(fresh);
    ASSERT_TRUE(file.write("part one, "));
    EXPECT_FALSE(fs::exists(fresh));  // nothing under the name before the commit
    ASSERT_TRUE(file.write("part two\n"));
    ASSERT_TRUE(file.commit()) << file.error();
    EXPECT_TRUE(file.commit()) << file.error();  // done already: nothing more to do
  }
  EXPECT_EQ(read_file(fresh), "part one, part two\n");
  {
    AtomicFile abandoned(folder.file("abandoned.out"));
    ASSERT_TRUE(abandoned.write("never committed"));
  }
  EXPECT_EQ(testing::file_names_in(folder.path()),
            (std::set<std::string>{"report.out", "fresh.out"}));
}

// A write failing half-way names the file, keeps the old one and gives its descriptor up once.
TEST(AtomicFile, FailedWriteKeepsThePreviousFile) {
  const TempFolder folder;
  const std::string report = folder.write("report.out", "previous report\n");
  std::string error;
  int opened_later = -1;
  {
    AtomicFile file(report);
    {
      const testing::FileSizeLimit limit(4096);
      ASSERT_TRUE(limit.ok());
      EXPECT_FALSE(file.write(std::string(10000, 'x')));
    }
    EXPECT_FALSE(file.commit());
    error = file.error();
    opened_later = ::open("/dev/null", O_RDONLY);  // most likely the number the writer gave up
  }
  EXPECT_NE(::fcntl(opened_later, F_GETFD), -1);
  ::close(opened_later);
  EXPECT_EQ(error, std::string(kMsgOutputNotWritten) + " (File too large): " + report);
  EXPECT_EQ(read_file(report), "previous report\n");
  EXPECT_EQ(testing::file_names_in(folder.path()), std::set<std::string>{"report.out"});

  const std::string lost = folder.file("no such folder/report.out");
  EXPECT_FALSE(write_file_atomically(lost, "text", &error));
  EXPECT_EQ(error, std::string(kMsgOutputNotWritten) + " (No such file or directory): " + lost);
  EXPECT_FALSE(with_stdin_closed([&] {  // a writer given descriptor 0 gives it up too
    { AtomicFile abandoned(folder.file("zero.out")); }
    return ::fcntl(0, F_GETFD) != -1;
  }));
}

TEST(FileLock, SecondHolderIsRefusedUntilTheFirstLetsGo) {
  const TempFolder folder;
  const std::string report = folder.file("DATA.out");
  FileLock first;
  ASSERT_EQ(first.try_lock(report), FileLock::Result::kLocked) << first.error();
  ASSERT_EQ(first.try_lock(report), FileLock::Result::kLocked);  // taken again, not by another
  FileLock second;
  EXPECT_EQ(second.try_lock(report), FileLock::Result::kBusy);
  EXPECT_EQ(second.error(), kMsgFileInUse + report);
  first.unlock();
  EXPECT_TRUE(testing::file_names_in(folder.path()).empty());  // the lock file made for it is gone
  ASSERT_EQ(second.try_lock(report), FileLock::Result::kLocked);
  FileLock moved;
  moved = std::move(second);
  second.unlock();  // NOLINT(bugprone-use-after-move): a moved-from lock holds nothing
  EXPECT_EQ(first.try_lock(report), FileLock::Result::kBusy);

  // A lock file this holder did not make stays, also one that replaced the holder's own meanwhile.
  fs::remove(folder.file(".DATA.out.lock"));
  folder.write(".DATA.out.lock", "someone else's");
  moved.unlock();
  EXPECT_EQ(read_file(folder.file(".DATA.out.lock")), "someone else's");
  // An empty lock file nobody holds is a killed run's leftover: its next holder removes it.
  const std::string other = folder.file("other.out");
  folder.write(".other.out.lock", "");
  ASSERT_EQ(first.try_lock(other), FileLock::Result::kLocked);
  first.unlock();
  EXPECT_FALSE(fs::exists(folder.file(".other.out.lock")));

  // Descriptor 0 free and a stale errno: the new lock file is still the holder's own.
  EXPECT_EQ(with_stdin_closed([&] {
              errno = EEXIST;
              const FileLock::Result result = first.try_lock(folder.file("zero.out"));
              first.unlock();
              return result;
            }),
            FileLock::Result::kLocked);
  EXPECT_FALSE(fs::exists(folder.file(".zero.out.lock")));
  EXPECT_EQ(first.try_lock(folder.file("no such folder/x.out")), FileLock::Result::kFailed);
  EXPECT_NE(first.error().find("no such folder/x.out"), std::string::npos);
}

// A stop signal while a report is half written and locked: the process ends with the signal's
// status and says so, the temporary and lock files are gone, the earlier report is whole.
TEST(StopSignals, EndTheProcessLeavingNoUnfinishedFile) {
  const TempFolder folder;
  const std::string report = folder.write("DATA.out", "previous report\n");
  testing::Pipe reached, hold, err;
  testing::ChildProcess child([&] {
    ::dup2(err.write, STDERR_FILENO);
    const StopSignals stop(
        "prog", [](int signal) { end_process(stop_status(signal), "prog: stopped\n"); },
        std::chrono::seconds(10));
    FileLock lock;
    AtomicFile file(report);
    if (lock.try_lock(report) != FileLock::Result::kLocked || !file.write("a new report\n"))
      return 1;
    reached.put();
    return hold.get() ? 2 : 3;  // waits: the test never writes
  });
  err.close_write();
  ASSERT_TRUE(child.await(reached));  // fails, not hangs, if the child dies first
  EXPECT_EQ(testing::file_names_in(folder.path()).size(), 3u);  // report, lock, temporary
  child.signal(SIGTERM);
  EXPECT_EQ(child.exit_status(), 143);
  EXPECT_EQ(err.rest(), "prog: stopped\n");
  EXPECT_EQ(testing::file_names_in(folder.path()), std::set<std::string>{"DATA.out"});
  EXPECT_EQ(read_file(report), "previous report\n");
  { const StopSignals gone("prog", {}, std::chrono::seconds(1)); }  // the handlers go with it
  struct sigaction action {};
  ::sigaction(SIGPIPE, nullptr, &action);
  EXPECT_EQ(action.sa_handler, SIG_DFL);
}

// A pipe, a folder or a link at the lock's name is refused at once and named; nothing waits
// for a writer that never comes (the alarm ends a test that would hang).
TEST(FileLock, OnlyARegularLockFileIsUsed) {
  const TempFolder folder;
  ASSERT_EQ(::mkfifo(folder.file(".pipe.out.lock").c_str(), 0600), 0);
  fs::create_directory(folder.file(".folder.out.lock"));
  folder.write("target", "");
  fs::create_symlink(folder.file("target"), folder.file(".link.out.lock"));
  ::alarm(20);
  for (const char* name : {"pipe.out", "folder.out", "link.out"}) {
    FileLock lock;
    EXPECT_EQ(lock.try_lock(folder.file(name)), FileLock::Result::kFailed) << name;
    EXPECT_EQ(lock.error(), kMsgLockNotRegular + folder.file(std::string(".") + name + ".lock"));
  }
  ::alarm(0);
  EXPECT_TRUE(fs::is_fifo(folder.file(".pipe.out.lock")));
}

// Names up to the system's 255 bytes get a lock that fits, the same for every holder, and their
// own even when two long names share their first 240 bytes.
TEST(FileLock, LongNamesGetALockThatFits) {
  const TempFolder folder;
  const std::string stem = folder.file(std::string(246, 'x'));
  const std::string one = stem + "1.run.out", two = stem + "2.run.out";  // 255 bytes each
  FileLock first, second;
  ASSERT_EQ(first.try_lock(one), FileLock::Result::kLocked) << first.error();
  EXPECT_EQ(second.try_lock(one), FileLock::Result::kBusy);
  ASSERT_EQ(second.try_lock(two), FileLock::Result::kLocked) << second.error();
  EXPECT_EQ(testing::file_names_in(folder.path()).size(), 2u);
  for (const std::string& name : testing::file_names_in(folder.path())) {
    EXPECT_LE(name.size(), 255u);
    EXPECT_TRUE(name.starts_with(".x") && name.ends_with(".lock")) << name;
  }
  first.unlock();
  second.unlock();
  EXPECT_TRUE(testing::file_names_in(folder.path()).empty());
  EXPECT_EQ(lock_file_name("a/DATA.out"), "a/.DATA.out.lock");
}

// Every spelling of one name is one file, whether it exists yet or not; ".." is taken as the
// system takes it, through links; other names are other files.
TEST(FileIdentity, SpellingsOfOneFileAgree) {
  const TempFolder folder;
  fs::create_directories(folder.file("sub"));
  fs::create_directories(folder.file("far/deep"));
  fs::create_directory_symlink(folder.file("far/deep"), folder.file("jump"));
  const testing::WorkingFolder here(folder.path());
  const std::string spellings[] = {"DATA.out", "./DATA.out", "sub/../DATA.out",
                                   folder.file("DATA.out"), "sub//./../DATA.out"};
  for (const bool exists : {false, true}) {
    SCOPED_TRACE(exists);
    if (exists) folder.write("DATA.out", "report");
    for (const std::string& name : spellings) EXPECT_TRUE(same_file("DATA.out", name)) << name;
    EXPECT_FALSE(same_file("DATA.out", "sub/DATA.out"));
    EXPECT_FALSE(same_file("DATA.out", "DATA.out2"));
    EXPECT_FALSE(same_file("DATA.out", "jump/../DATA.out"));  // far/DATA.out
    EXPECT_TRUE(same_file("jump/../DATA.out", "far/DATA.out"));
  }
  EXPECT_TRUE(same_file("jump/new.csv", "far/deep/new.csv"));
  EXPECT_TRUE(same_file("new/a/../b.png", folder.file("new/b.png")));  // "new" does not exist
  EXPECT_FALSE(same_file("new/b.png", "sub/b.png"));
  fs::create_hard_link(folder.file("DATA.out"), folder.file("sub/other.name"));
  EXPECT_TRUE(same_file("DATA.out", "sub/other.name"));
}

TEST(PrintableName, ControlCharactersAreQuotedAndEscaped) {
  EXPECT_EQ(printable_name("plain name.in"), "plain name.in");
  EXPECT_EQ(printable_name("two\nlines\r\t\"q\"\\\x01.in"),
            "\"two\\nlines\\r\\t\\\"q\\\"\\\\\\x01.in\"");
  EXPECT_FALSE(has_control_character("a \"b\" \\c"));
  EXPECT_TRUE(has_control_character(std::string("a\x7F")));
  EXPECT_EQ(printable_line("Warning: \"\x1B[2J\" is not a number\r"),
            "Warning: \"\\x1B[2J\" is not a number\\r");
}

}  // namespace
}  // namespace velmor::util
