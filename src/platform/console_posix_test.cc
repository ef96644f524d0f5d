#include "platform/console_posix.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/pseudo_terminal.h"

namespace kestram {
namespace {

using namespace std::chrono_literals;

// Input that is not there yet, on a descriptor that does not block: the
// key is waited for, not taken as the end.
TEST(StreamConsole, NonBlockingInputWaitsForTheKey) {
  int fds[2];
  ASSERT_EQ(0, ::pipe(fds));
  ASSERT_EQ(0, ::fcntl(fds[0], F_SETFL, O_NONBLOCK));
  std::thread typist([&] {
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(1, ::write(fds[1], "k", 1));
    ::close(fds[1]);
  });
  std::unique_ptr<Console> console = make_fd_console(fds[0], fds[0]);
  EXPECT_EQ("k", console->read_key());
  typist.join();
  EXPECT_EQ(std::nullopt, console->read_key());
  ::close(fds[0]);
}

// ---- Terminals ---------------------------------------------------------------

using testing::report;
using testing::same_settings;
using testing::TerminalChild;

constexpr bool kControlling = true;
constexpr bool kJob = false;

TEST(TerminalConsole, RawKeysEchoedLinesAndSettingsRestored) {
  // What the test types at each prompt, and the key or line it gives.
  struct Step {
    const char* typed;
    std::string expected;
    bool line;
  };
  const std::vector<Step> steps = {
      {"a", "a", false},                 // no Enter needed
      {"\x1b[A", "", false},             // arrow
      {"\x1bOP", "", false},             // F1, ESC O x
      {"\x1b[15~", "", false},           // F5
      {"\x1b[[A", "", false},            // F1 of the Linux console
      {"\x1b[1;5C", "", false},          // Ctrl-Right, with parameters
      {"\xc3\xa9", "\xc3\xa9", false},   // one UTF-8 character
      {"\x04", "\x04", false},           // Ctrl-D is a key, not the end
      {"\r", "\n", false},               // Enter
      {"\x1b", "", false},               // Escape alone, known after the wait
      {"y", "y", false},
      {"hello, world\r", "hello, world", true},
      {"\x1b\x1b[B", "", false},         // Escape, then an arrow: two keys
      {"", "", false},
      {"2", "2", false}};
  TerminalChild child(
      [&](int report_fd) {
        const termios before = testing::settings_of(STDIN_FILENO);
        {
          std::unique_ptr<Console> console = make_process_console();
          const termios keys = testing::settings_of(STDIN_FILENO);
          report(report_fd, (keys.c_lflag & (ICANON | ECHO | ISIG)) == ISIG ? "raw" : "not raw");
          report(report_fd, std::to_string(console->width()));
          console->flush();
          const termios flushed = testing::settings_of(STDIN_FILENO);
          report(report_fd, same_settings(before, flushed) ? "user's" : "console's");
          for (std::size_t i = 0; i < steps.size(); ++i) {
            console->write((steps[i].line ? "L" : "K") + std::to_string(i) + ">");
            std::optional<std::string> got = steps[i].line ? console->read_line() : console->read_key();
            report(report_fd, got ? *got : "<end>");
          }
        }
        const termios after = testing::settings_of(STDIN_FILENO);
        report(report_fd, same_settings(before, after) ? "restored" : "not restored");
      },
      kControlling);

  std::string expected_transcript;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const std::string prompt = (steps[i].line ? "L" : "K") + std::to_string(i) + ">";
    ASSERT_TRUE(child.wait_for(prompt)) << prompt << " in " << child.transcript();
    if (*steps[i].typed != '\0') child.type(steps[i].typed);
    expected_transcript += prompt;
    if (steps[i].line) expected_transcript += "hello, world\r\n";  // the echo
  }
  int status = child.wait_status();
  ASSERT_TRUE(WIFEXITED(status)) << status;
  std::vector<std::string> expected = {"raw", "123", "user's"};
  for (const Step& step : steps) expected.push_back(step.expected);
  expected.push_back("restored");
  EXPECT_EQ(expected, child.reports());
  // Keys are never echoed; the typed line is.
  EXPECT_EQ(expected_transcript, child.transcript());
  EXPECT_TRUE(child.settings_unchanged());
}

// A signal that ends the run, and an exit with the console still alive: the
// terminal's settings are restored, and the exit's output is written.
TEST(TerminalConsole, SettingsRestoredWhenASignalOrAnExitEndsTheRun) {
  struct Case {
    int signal;         // 0: the program exits after the key
    const char* typed;  // the key that raises it, or nullptr to send it
    bool at_line;
  };
  for (const Case& c : std::vector<Case>{{SIGINT, "\x03", false},
                                         {SIGQUIT, "\x1c", false},
                                         {SIGINT, "\x03", true},
                                         {SIGTERM, nullptr, false},
                                         {SIGHUP, nullptr, true},
                                         {0, "x", false}}) {
    const std::string label = std::string(strsignal(c.signal)) + (c.at_line ? " at a line" : " at a key");
    TerminalChild child(
        [&](int report_fd) {
          Console* console = make_process_console().release();
          console->write("wait>");
          c.at_line ? console->read_line() : console->read_key();
          report(report_fd, "went on");
          console->write("bye");
          std::exit(0);
        },
        kControlling);
    ASSERT_TRUE(child.wait_for("wait>")) << label;
    // The wait happens in the console's own mode, not in the first settings.
    const tcflag_t waiting_flags = child.settings().c_lflag & (ICANON | ECHO | ISIG);
    EXPECT_EQ(c.at_line ? (ICANON | ECHO | ISIG) : ISIG, waiting_flags) << label;
    if (c.typed != nullptr) {
      child.type(c.typed);
    } else {
      kill(child.pid(), c.signal);
    }
    int status = child.wait_status();
    EXPECT_TRUE(child.settings_unchanged()) << label;
    if (c.signal == 0) {
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
      EXPECT_TRUE(child.wait_for("bye"));
      continue;
    }
    ASSERT_TRUE(WIFSIGNALED(status)) << label << " status " << status;
    EXPECT_EQ(c.signal, WTERMSIG(status)) << label;
    EXPECT_TRUE(child.reports().empty()) << label;
  }
}

TEST(TerminalConsole, StopGivesTheTerminalBackAndContinueTakesItAgain) {
  TerminalChild child(
      [](int report_fd) {
        std::unique_ptr<Console> console = make_process_console();
        console->write("wait>");
        std::optional<std::string> key = console->read_key();
        report(report_fd, key ? *key : "<end>");
      },
      kJob);
  ASSERT_TRUE(child.wait_for("wait>"));
  EXPECT_FALSE(child.settings_unchanged());
  kill(child.pid(), SIGTSTP);
  int status = child.wait_status(WUNTRACED);
  ASSERT_TRUE(WIFSTOPPED(status)) << status;
  EXPECT_TRUE(child.settings_unchanged());

  kill(child.pid(), SIGCONT);
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while ((child.settings().c_lflag & ICANON) != 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(5ms);
  child.type("k");
  status = child.wait_status();
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(std::vector<std::string>{"k"}, child.reports());
  EXPECT_EQ("wait>", child.transcript());  // still no echo after the stop
}

}  // namespace
}  // namespace kestram
