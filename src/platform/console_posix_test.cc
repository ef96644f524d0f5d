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
#include "support/temp_dir.h"

namespace kestram {
namespace {

using namespace std::chrono_literals;

// ---- Pipes and files -------------------------------------------------------

struct Pipe {
  Pipe() { EXPECT_EQ(0, ::pipe(fds)); }
  ~Pipe() {
    close_read();
    close_write();
  }
  void close_read() {
    if (fds[0] >= 0) ::close(fds[0]);
    fds[0] = -1;
  }
  void close_write() {
    if (fds[1] >= 0) ::close(fds[1]);
    fds[1] = -1;
  }
  int fds[2] = {-1, -1};
};

void put(int fd, const std::string& bytes) {
  ASSERT_EQ(static_cast<ssize_t>(bytes.size()), ::write(fd, bytes.data(), bytes.size()));
}

std::string rest_of(int fd) {
  std::string rest;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) rest.append(buffer, static_cast<std::size_t>(n));
  return rest;
}

// An input descriptor holding `bytes`: a pipe (closed after the bytes) or a
// regular file, the two kinds a stream console reads differently.
class StreamInput {
 public:
  StreamInput(const std::string& bytes, bool regular_file) {
    if (regular_file) {
      testing::write_file(dir_.file("in"), bytes);
      fd_ = ::open(dir_.file("in").c_str(), O_RDONLY);
    } else {
      put(pipe_.fds[1], bytes);
      pipe_.close_write();
      fd_ = pipe_.fds[0];
    }
  }
  ~StreamInput() {
    if (fd_ != pipe_.fds[0]) ::close(fd_);
  }
  int fd() const { return fd_; }

 private:
  testing::TempDir dir_;
  Pipe pipe_;
  int fd_ = -1;
};

TEST(StreamConsole, OneByteKeysAndLinesUpToNewline) {
  // A stream has no key sequences: every byte is a key, Escape and UTF-8 alike.
  const std::string input = std::string("1\x1b[\xc3\xa9" "2abc\r\nx\ry\r\r\n\nn\0l\n", 22) + "3last";
  using Read = std::optional<std::string>;
  struct Step {
    bool key;
    Read expected;
  };
  const std::vector<Step> steps = {
      {true, "1"},     {true, "\x1b"}, {true, "["}, {true, "\xc3"}, {true, "\xa9"},
      {true, "2"},     {false, "abc"},  {false, "x\ry\r"},  // only the "\r" before "\n" goes
      {false, ""},     {false, std::string("n\0l", 3)},    {true, "3"},
      {false, "last"},  // the last line needs no "\n"
      {false, std::nullopt}, {true, std::nullopt}, {false, std::nullopt}};
  for (bool regular_file : {false, true}) {
    StreamInput in(input, regular_file);
    std::unique_ptr<Console> console = make_fd_console(in.fd(), in.fd());
    EXPECT_EQ(80, console->width());
    for (std::size_t i = 0; i < steps.size(); ++i) {
      Read got = steps[i].key ? console->read_key() : console->read_line();
      EXPECT_EQ(steps[i].expected, got) << "step " << i << (regular_file ? " from a file" : " from a pipe");
    }
  }
}

TEST(StreamConsole, LineLeavesTheFollowingBytesInTheInput) {
  for (bool regular_file : {false, true}) {
    StreamInput in("answer\r\n12 rest", regular_file);
    {
      std::unique_ptr<Console> console = make_fd_console(in.fd(), in.fd());
      EXPECT_EQ("answer", console->read_line());
    }
    // Another reader of the same input (a program started later) sees the keys.
    EXPECT_EQ("12 rest", rest_of(in.fd())) << (regular_file ? "file" : "pipe");
  }
}

TEST(StreamConsole, OverlongLineIsCutAndTheNextLineIsIntact) {
  const std::size_t cap = kMaxTypedLineBytes;
  const std::string fill(cap - 1, 'a');
  struct Case {
    std::string line;  // followed by "\r\n"
    std::string expected;
  };
  for (const Case& c : std::vector<Case>{{fill, fill},
                                         {fill + "b", fill + "b"},
                                         {fill + "bcdef", fill + "b"},
                                         // the kept part ends in "\r", yet not right before the "\n"
                                         {fill + "\rcd", fill + "\r"}}) {
    StreamInput in(c.line + "\r\nnext\n", true);
    std::unique_ptr<Console> console = make_fd_console(in.fd(), in.fd());
    EXPECT_TRUE(c.expected == console->read_line()) << c.line.size();
    EXPECT_EQ("next", console->read_line()) << c.line.size();
  }
}

TEST(StreamConsole, OutputIsCompleteAndWrittenBeforeEveryRead) {
  testing::TempDir dir;
  const std::string out_path = dir.file("out");
  int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(out, 0);
  StreamInput in("k", false);
  std::string expected;
  {
    std::unique_ptr<Console> console = make_fd_console(in.fd(), out);
    console->write("prompt ");
    ASSERT_EQ("k", console->read_key());
    EXPECT_EQ("prompt ", testing::read_file(out_path));  // seen before the wait for a key
    expected = "prompt ";
    for (int i = 0; i < 200000; ++i) {
      std::string line = "line " + std::to_string(i) + std::string("\0\r\n", 3);
      console->write(line);
      expected += line;
    }
  }
  ::close(out);
  EXPECT_TRUE(expected == testing::read_file(out_path));
}

TEST(StreamConsole, ClosedOutputNeitherKillsNorStopsTheRun) {
  // In a child with the default action for SIGPIPE, which would end it.
  pid_t child = fork();
  if (child == 0) {
    signal(SIGPIPE, SIG_DFL);
    Pipe out;
    out.close_read();
    StreamInput in("x\n", false);
    std::unique_ptr<Console> console = make_fd_console(in.fd(), out.fds[1]);
    console->write("lost");
    console->flush();
    console->write(std::string(1 << 20, 'z'));
    bool read_on = console->read_line() == "x";
    sigset_t pending;
    sigpending(&pending);
    _exit(read_on && sigismember(&pending, SIGPIPE) == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(StreamConsole, NonBlockingInputWaitsForTheKey) {
  Pipe in;
  ASSERT_EQ(0, ::fcntl(in.fds[0], F_SETFL, O_NONBLOCK));
  std::thread typist([&] {
    std::this_thread::sleep_for(50ms);
    put(in.fds[1], "k");
    in.close_write();
  });
  std::unique_ptr<Console> console = make_fd_console(in.fds[0], in.fds[0]);
  EXPECT_EQ("k", console->read_key());
  typist.join();
  EXPECT_EQ(std::nullopt, console->read_key());
}

// ---- Terminals ---------------------------------------------------------------

using testing::report;
using testing::same_settings;
using testing::TerminalChild;

// A terminal of 123 columns.
constexpr testing::TerminalSetup kControlling{123, true};
constexpr testing::TerminalSetup kJob{123, false};

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

TEST(TerminalConsole, SettingsRestoredWhenASignalEndsTheRun) {
  struct Case {
    int signal;
    const char* typed;  // the key that raises it, or nullptr to send it
    bool at_line;
  };
  for (const Case& c : std::vector<Case>{{SIGINT, "\x03", false},
                                         {SIGQUIT, "\x1c", false},
                                         {SIGINT, "\x03", true},
                                         {SIGTERM, nullptr, false},
                                         {SIGHUP, nullptr, true}}) {
    const std::string label = std::string(strsignal(c.signal)) + (c.at_line ? " at a line" : " at a key");
    TerminalChild child(
        [&](int report_fd) {
          std::unique_ptr<Console> console = make_process_console();
          console->write("wait>");
          c.at_line ? console->read_line() : console->read_key();
          report(report_fd, "went on");
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
    ASSERT_TRUE(WIFSIGNALED(status)) << label << " status " << status;
    EXPECT_EQ(c.signal, WTERMSIG(status)) << label;
    EXPECT_TRUE(child.settings_unchanged()) << label;
    EXPECT_TRUE(child.reports().empty()) << label;
  }
}

TEST(TerminalConsole, ExitWithALiveConsoleFlushesAndRestores) {
  TerminalChild child(
      [](int) {
        Console* console = make_process_console().release();
        console->write("wait>");
        console->read_key();
        console->write("bye");
        std::exit(0);
      },
      kControlling);
  ASSERT_TRUE(child.wait_for("wait>"));
  child.type("x");
  int status = child.wait_status();
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_TRUE(child.wait_for("bye"));
  EXPECT_TRUE(child.settings_unchanged());
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
