// The installed program on a real pseudo-terminal: keys act without Enter
// and are not echoed at menus, a whole escape sequence is one ignored key,
// typed answers echo, and Ctrl-C ends the program with the terminal in the
// mode it had before.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "support/program_run.h"
#include "support/pseudo_terminal.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class Terminal : public ::testing::Test {
 protected:
  void SetUp() override { testing::install_into(dir_.path().string()); }

  // The installed program in its own session on a terminal of 120 columns;
  // the transcript leaves out carriage returns.
  testing::TerminalChild start() {
    const std::string directory = dir_.path().string();
    const std::string program = directory + "/kestram";
    return testing::TerminalChild(
        [&](int) {
          if (chdir(directory.c_str()) != 0) _exit(126);
          execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
          _exit(127);
        },
        {120, true, true});
  }

  // Takes the run through the terms, the notes, the checks and the choice of
  // the sample document, up to the index question.
  void answer_up_to_index_question(testing::TerminalChild& run) {
    ASSERT_TRUE(run.wait_for("<2> no, end\r\n"));
    run.type("1");
    ASSERT_TRUE(run.wait_for("<2> end\r\n"));
    run.type("1");
    ASSERT_TRUE(run.wait_for("select file with line number = ? "));
    run.type(number_ + "\r");
    ASSERT_TRUE(run.wait_for("indent increment (<enter> default = 2) = ? "));
    run.type("\r");
    ASSERT_TRUE(run.wait_for("includes TOC = ? "));
    run.type("y\r");
    ASSERT_TRUE(run.wait_for("organizational unit = ? "));
    run.type("\r");
    ASSERT_TRUE(run.wait_for("<1> yes, continue\r\n<2> no, end of program\r\n"));
  }

  void SetNumber() { number_ = testing::list_number_in(dir_.path().string(), "Report.txt"); }

  testing::TempDir dir_;
  std::string number_;
};

TEST_F(Terminal, MenuKeysActAtOnceWithoutEcho) {
  testing::TerminalChild run = start();
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.wait_for("Do you accept the terms of use?\r\n\r\n<1> yes, continue\r\n<2> no, end\r\n"));
  // Ignored keys show nothing at all: no echo, no new menu lines.
  run.type("x");
  run.type("9");
  EXPECT_EQ("", run.unmatched_after(300ms));
  // "1" acts without Enter and is not echoed either: the notes follow the
  // menu directly.
  run.type("1");
  ASSERT_TRUE(run.wait_for("<1> continue\r\n<2> end\r\n")) << run.transcript();
  EXPECT_NE(std::string::npos, run.transcript().find("<2> no, end\n\n---------------------------\nFONT CONSOLAS"))
      << run.transcript();
  run.type("2");
  const int status = run.wait_status();
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_TRUE(run.settings_unchanged());
}

TEST_F(Terminal, ArrowAndFunctionKeysAreSingleIgnoredKeys) {
  SetNumber();
  testing::TerminalChild run = start();
  ASSERT_TRUE(run.started());
  answer_up_to_index_question(run);
  // Every sequence below holds a "1" or "2"; read byte by byte, it would
  // answer the question. Each is one key without a character, and ignored.
  for (const char* key : {"\x1b[A", "\x1b[B", "\x1bOP", "\x1b[15~", "\x1b[21~", "\x1b[1;5C", "\x1b[1;2D"}) {
    run.type(key);
    std::this_thread::sleep_for(150ms);
  }
  EXPECT_EQ("", run.unmatched_after(300ms));
  EXPECT_FALSE(fs::exists(dir_.path() / "lexpage"));
  run.type("2");
  const int status = run.wait_status();
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_FALSE(fs::exists(dir_.path() / "lexpage")) << "no hand-off";
  EXPECT_TRUE(run.settings_unchanged());
}

TEST_F(Terminal, TypedAnswersEcho) {
  SetNumber();
  testing::TerminalChild run = start();
  ASSERT_TRUE(run.started());
  answer_up_to_index_question(run);
  // The terminal echoed every typed answer, Enter included, after its prompt.
  const std::string& transcript = run.transcript();
  EXPECT_NE(std::string::npos, transcript.find("select file with line number = ? " + number_ + "\n")) << transcript;
  EXPECT_NE(std::string::npos, transcript.find("includes TOC = ? y\n")) << transcript;
  run.type("2");
  EXPECT_TRUE(WIFEXITED(run.wait_status()));
  EXPECT_TRUE(run.settings_unchanged());
}

TEST_F(Terminal, CtrlCEndsTheProgramAndRestoresTheTerminal) {
  SetNumber();
  struct Case {
    const char* where;
    bool past_menus;       // the terms and the notes accepted first
    const char* wait_for;  // the prompt or menu at which Ctrl-C comes
    const char* typed;     // typed after it, before Ctrl-C
  };
  for (const Case& c : {Case{"at a menu", false, "<2> no, end\r\n", ""},
                        Case{"at a typed answer", true, "select file with line number = ? ", ""},
                        Case{"in the middle of a typed answer", true, "select file with line number = ? ", "12"}}) {
    testing::TerminalChild run = start();
    ASSERT_TRUE(run.started());
    if (c.past_menus) {
      ASSERT_TRUE(run.wait_for("<2> no, end\r\n"));
      run.type("1");
      ASSERT_TRUE(run.wait_for("<2> end\r\n"));
      run.type("1");
    }
    ASSERT_TRUE(run.wait_for(c.wait_for)) << c.where << "\n" << run.transcript();
    run.type(c.typed);
    std::this_thread::sleep_for(100ms);
    // At a menu the terminal is in key mode, so the comparison below has
    // something to catch.
    if (!c.past_menus) {
      EXPECT_FALSE(run.settings_unchanged());
    }
    run.type("\x03");
    const int status = run.wait_status();
    ASSERT_NE(-1, status) << c.where << ": still running";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << c.where << ": " << status;
    EXPECT_TRUE(run.settings_unchanged()) << c.where;
  }
}

}  // namespace
}  // namespace kestram
