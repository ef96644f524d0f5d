#include "run/tool_checks.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/shell_emulator.h"
#include "support/fake_launcher.h"
#include "support/scripted_console.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;

// The built-in interpreter without one of its programs: a command line that
// calls the missing program leaves its redirect file empty, as a command the
// interpreter cannot find does.
class ShellWithout : public Shell {
 public:
  ShellWithout(Shell& shell, std::string missing_word) : shell_(shell), missing_(std::move(missing_word)) {}
  void run(std::string_view line) override {
    lines.emplace_back(line);
    if (!missing_.empty() && std::string(line).find(missing_) != std::string::npos) {
      std::size_t redirect = line.rfind('>');
      std::string target(line.substr(redirect + 1));
      target.erase(0, target.find_first_not_of(' '));
      testing::write_file(target, "");
      return;
    }
    shell_.run(line);
  }
  std::vector<std::string> lines;

 private:
  Shell& shell_;
  std::string missing_;
};

// Runs the checks in a fresh installation-like directory.
class ToolChecks : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    fs::current_path(dir_.path());
    for (const char* name : {"kestram.exe", "convertcp.exe", "wget.exe", "lexpage_1_0.exe", "Report.txt"})
      testing::write_file(name, "x\n");
  }
  void TearDown() override { fs::current_path(previous_); }

  // Runs the checks with `missing` absent and returns the transcript.
  std::string check(const std::string& missing, Flow expected_flow, std::vector<std::string> keys = {}) {
    testing::ScriptedConsole console(std::move(keys), {});
    ShellEmulator emulator(dir_.path(), console, launcher_);
    ShellWithout shell(emulator, missing);
    SystemClock clock;
    Platform platform{console, shell, clock};
    RunState state;
    EXPECT_EQ(expected_flow, run_tool_checks(platform, state)) << missing;
    lines_run_ = shell.lines;
    indexer_ = state.indexer_exe;
    return console.transcript();
  }

  testing::TempDir dir_;
  fs::path previous_;
  testing::FakeLauncher launcher_;
  std::vector<std::string> lines_run_;
  std::string indexer_;
};

TEST_F(ToolChecks, AllPresentPassAndNameTheIndexer) {
  std::string transcript = check("", Flow::kGoOn);
  EXPECT_EQ("lexpage_1_0.exe", indexer_);
  EXPECT_EQ(
      "----------------------------\r\n"
      "Checking the accessibility of some urgently needed programs:\r\n"
      "cmd.exe, find.exe, findstr.exe, sort.exe, convertcp.exe, wget.exe, lexpage*.exe\r\n\r\n"
      "cmd\r\n\r\nfind\r\n\r\nfindstr\r\n\r\nsort\r\n\r\nconvertcp\r\ninfo: https://kestram.example/convertcp\r\n\r\n"
      "lexpage*.exe\r\n",
      transcript);
  // The work files the checks leave behind.
  for (const char* name : {"check_01.txt", "check_02.txt", "out_null.txt", "exe_files.txt"})
    EXPECT_TRUE(fs::exists(name)) << name;
  EXPECT_EQ("dir /b /o  lexpage_*.exe > exe_files.txt", lines_run_.back());
}

TEST_F(ToolChecks, EachMissingProgramStopsAtItsOwnCheck) {
  struct Case {
    const char* missing;
    const char* failure;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"cmd /c dir *.", "--------------------\r\nChecking for cmd.exe\r\n"
                             "The system path to the program is most likely to be configured.\r\n"},
           {"find /i \".exe\"", "---------------------\r\nChecking for find.exe\r\n"
                                "The system path to the program is most likely to be configured.\r\n"},
           {"findstr", "------------------------\r\nChecking for findstr.exe\r\n"
                       "The system path to the program is most likely to be configured.\r\n"},
           {"sort", "---------------------\r\nChecking for sort.exe\r\n"
                    "It is probably necessary to set the system path to the program.\r\n"},
       }) {
    // Every key but "1" is ignored at the stop.
    std::string transcript = check(c.missing, Flow::kEndRun, {"2", "", "x", "1", "1"});
    const std::string tail = std::string(c.failure) + "<1> = continue and end\r\n";
    ASSERT_GE(transcript.size(), tail.size()) << c.missing;
    EXPECT_EQ(tail, transcript.substr(transcript.size() - tail.size())) << c.missing;
  }
}

TEST_F(ToolChecks, CompanionProgramsMustLieInTheDirectory) {
  fs::remove("convertcp.exe");
  std::string transcript = check("", Flow::kEndRun, {"1"});
  EXPECT_NE(std::string::npos, transcript.find("Checking for convertcp.exe!\r\nCheck the contents of the kestram.7z file.\r\n"
                                               "<1> = continue and end\r\n"));
  testing::write_file("convertcp.exe", "x\n");
  fs::remove("lexpage_1_0.exe");
  testing::write_file("lexpage.exe", "no underscore\n");
  transcript = check("", Flow::kEndRun, {"1"});
  EXPECT_NE(std::string::npos, transcript.find("-------------------------\r\nChecking for lexpage*.exe\r\n")) << transcript;
}

TEST_F(ToolChecks, TheLastIndexerInOrderIsChosenInLowerCase) {
  testing::write_file("LEXPAGE_B.EXE", "x\n");
  testing::write_file("lexpage_a.exe", "x\n");
  check("", Flow::kGoOn);
  EXPECT_EQ("lexpage_b.exe", indexer_);
}

}  // namespace
}  // namespace kestram
