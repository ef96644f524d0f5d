#include "program_search.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/shell_run.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

using testing::ShellOutcome;
using testing::TempDir;
using testing::write_file;

TEST(PathCandidates, OneCandidatePerNonEmptyEntry) {
  struct Case {
    const char* path_list;
    std::vector<std::string> expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"/usr/bin:/bin", {"/usr/bin/wget", "/bin/wget"}},
           {"/opt/tools/", {"/opt/tools/wget"}},
           {"", {}},                   // an emptied path finds nothing, not the current directory
           {":/bin::", {"/bin/wget"}},
           {"relative:/x", {"relative/wget", "/x/wget"}}})
    EXPECT_EQ(c.expected, path_candidates(c.path_list, ':', "wget")) << c.path_list;
}

// Runs wget.exe with the given search path (an unquoted shell word) and
// arguments, under a time limit so that a loop fails instead of hanging.
ShellOutcome run_wget(const TempDir& dir, const std::string& path_list, const std::string& arguments) {
  return testing::run_in_shell(dir, "env -u KESTRAM_WGET_FORWARDED PATH='" + path_list + "' /usr/bin/timeout 10 '" +
                                        WGET_EXE + "' " + arguments);
}

void make_script(const std::string& path, const std::string& body) {
  write_file(path, "#!/bin/sh\n" + body);
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

constexpr const char* kNoWget = "wget.exe: no wget program is installed on this system\n";

TEST(WgetProgram, EmptiedPathReportsMissingWget) {
  TempDir dir;
  ShellOutcome outcome = run_wget(dir, "", "-q http://example.invalid/");
  EXPECT_EQ(127, outcome.status);
  EXPECT_EQ("", outcome.out);
  EXPECT_EQ(kNoWget, outcome.err);
}

TEST(WgetProgram, ForwardsEveryArgumentAndTheExitStatus) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("bin"));
  make_script(dir.file("bin/wget"), "for a in \"$@\"; do echo \"[$a]\"; done\nexit 4\n");
  std::filesystem::create_directory(dir.file("empty"));
  ShellOutcome outcome = run_wget(dir, dir.file("empty") + ":" + dir.file("bin"),
                                  "-O 'a file.htm' '' http://example.invalid/x");
  EXPECT_EQ(4, outcome.status);
  EXPECT_EQ("[-O]\n[a file.htm]\n[]\n[http://example.invalid/x]\n", outcome.out);
}

TEST(WgetProgram, NeverRunsItselfAgain) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("self"));
  std::filesystem::create_symlink(WGET_EXE, dir.file("self/wget"));
  // Only itself on the path: reported as missing.
  ShellOutcome alone = run_wget(dir, dir.file("self"), "x");
  EXPECT_EQ(127, alone.status);
  EXPECT_EQ(kNoWget, alone.err);

  // Itself first, a real one after it: the real one runs.
  std::filesystem::create_directory(dir.file("bin"));
  make_script(dir.file("bin/wget"), "echo real \"$@\"\n");
  ShellOutcome skipped = run_wget(dir, dir.file("self") + ":" + dir.file("bin"), "y");
  EXPECT_EQ(0, skipped.status);
  EXPECT_EQ("real y\n", skipped.out);

  // A wget that calls wget.exe back is stopped at the second call.
  std::filesystem::create_directory(dir.file("loop"));
  make_script(dir.file("loop/wget"), std::string("exec '") + WGET_EXE + "' \"$@\"\n");
  ShellOutcome loop = run_wget(dir, dir.file("loop"), "z");
  EXPECT_EQ(127, loop.status);
  EXPECT_NE(std::string::npos, loop.err.find("calls wget.exe again")) << loop.err;
}

}  // namespace
}  // namespace kestram
