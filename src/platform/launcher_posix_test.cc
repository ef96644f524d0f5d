#include "platform/launcher.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/shell_emulator.h"
#include "support/recording_console.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;

// Waits up to ten seconds for a file to hold a complete last line.
std::string wait_for(const std::string& path) {
  for (int i = 0; i < 200; ++i) {
    std::string text = testing::read_file(path);
    if (!text.empty() && text.back() == '\n') return text;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return {};
}

TEST(ProcessLauncher, StartsDetachedInItsDirectoryWithoutWaiting) {
  testing::TempDir dir;
  fs::create_directory(dir.path() / "lexpage");
  // The script first waits for a signal file, so a launcher that waited for
  // it would never return; then it reports where it runs and what it got.
  testing::write_file(dir.file("lexpage/lexpage_t.exe"),
                      "#!/bin/sh\n"
                      "while [ ! -f go ]; do sleep 0.05; done\n"
                      "out=$(readlink /proc/$$/fd/1)\n"
                      "{ echo $(pwd) $(readlink /proc/$$/fd/0) $out $(readlink /proc/$$/fd/2); cut -d' ' -f6 /proc/$$/stat; } > report.tmp\n"
                      "mv report.tmp report.txt\n");
  fs::permissions(dir.path() / "lexpage/lexpage_t.exe", fs::perms::owner_all);

  testing::RecordingConsole console;
  std::unique_ptr<Launcher> launcher = make_process_launcher();
  ShellEmulator shell(dir.path(), console, *launcher);
  // The program waits for a file written only after this returns: a
  // launcher that waited for it would never return.
  shell.run("start /D lexpage lexpage_t.exe");
  EXPECT_EQ("", console.transcript);
  // Nothing is left for us to reap: the program belongs to init.
  int status = 0;
  EXPECT_EQ(-1, waitpid(-1, &status, WNOHANG));
  EXPECT_EQ(ECHILD, errno);

  testing::write_file(dir.file("lexpage/go"), "");
  const std::string report = wait_for(dir.file("lexpage/report.txt"));
  ASSERT_FALSE(report.empty()) << "the program did not run";
  // In its directory, with no input and without our console, in a session
  // of its own.
  std::istringstream lines(report);
  std::string where, session;
  std::getline(lines, where);
  std::getline(lines, session);
  EXPECT_EQ(fs::canonical(dir.path() / "lexpage").string() + " /dev/null /dev/null /dev/null", where);
  EXPECT_NE(std::to_string(getsid(0)), session);
}

TEST(ProcessLauncher, ReportsWhatCannotStart) {
  testing::TempDir dir;
  testing::write_file(dir.file("not_executable.exe"), "#!/bin/sh\n");
  fs::permissions(dir.path() / "not_executable.exe", fs::perms::owner_read | fs::perms::owner_write);
  std::unique_ptr<Launcher> launcher = make_process_launcher();
  EXPECT_FALSE(launcher->start_detached(dir.path(), "not_executable.exe"));
  EXPECT_FALSE(launcher->start_detached(dir.path(), "missing.exe"));
  EXPECT_FALSE(launcher->start_detached(dir.path() / "no_such_dir", "x.exe"));
  EXPECT_FALSE(launcher->start_detached(dir.path(), std::string("a\0b", 3)));
  int status = 0;
  EXPECT_EQ(-1, waitpid(-1, &status, WNOHANG));
}

}  // namespace
}  // namespace kestram
