// The installed program on a real pseudo-terminal: a menu key acts without
// Enter and is not echoed, other keys show nothing, and Ctrl-C ends the
// program with the terminal in the mode it had before. (The console's
// terminal handling in detail: src/platform/console_posix_test.cc.)
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "support/program_run.h"
#include "support/pseudo_terminal.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

using namespace std::chrono_literals;

TEST(Terminal, MenuKeysActAtOnceAndCtrlCRestoresTheTerminal) {
  testing::TempDir dir;
  testing::install_into(dir.path().string());
  const std::string directory = dir.path().string();
  const std::string program = directory + "/kestram";
  testing::TerminalChild run(
      [&](int) {
        if (chdir(directory.c_str()) != 0) _exit(126);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
      },
      {120, true, true});
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.wait_for("Do you accept the terms of use?\r\n\r\n<1> yes, continue\r\n<2> no, end\r\n"));
  EXPECT_FALSE(run.settings_unchanged());
  // Ignored keys, an arrow among them, show nothing at all.
  run.type("x");
  run.type("\x1b[A");
  EXPECT_EQ("", run.unmatched_after(300ms));
  // "1" acts without Enter and is not echoed: the notes follow the menu.
  run.type("1");
  ASSERT_TRUE(run.wait_for("<1> continue\r\n<2> end\r\n")) << run.transcript();
  EXPECT_NE(std::string::npos, run.transcript().find("<2> no, end\n\n---------------------------\nFONT CONSOLAS"))
      << run.transcript();
  run.type("\x03");
  const int status = run.wait_status();
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
  EXPECT_TRUE(run.settings_unchanged());
}

}  // namespace
}  // namespace kestram
