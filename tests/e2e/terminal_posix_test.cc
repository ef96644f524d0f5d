// The installed program on a real pseudo-terminal: keys act without Enter
// and are not echoed at menus, a whole escape sequence is one ignored key,
// typed answers echo, and Ctrl-C ends the program with the terminal in the
// mode it had before.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "support/program_run.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The terminal's settings as "stty -g" prints them.
std::string stty_settings(const std::string& terminal) {
  std::string command = "stty -g -F '" + terminal + "' 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return "popen failed";
  std::string text;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
  pclose(pipe);
  return text;
}

// The installed program started on the slave side of a fresh pseudo-terminal,
// as the controlling terminal of its own session; the test types on the
// master side and reads there what the program printed and the terminal
// echoed.
class TerminalRun {
 public:
  explicit TerminalRun(const std::string& directory) {
    winsize size{};
    size.ws_row = 40;
    size.ws_col = 120;
    char name[128] = {};
    if (openpty(&master_, &slave_, name, nullptr, &size) != 0) return;
    name_ = name;
    settings_before_ = stty_settings(name_);
    const std::string program = directory + "/kestram";
    pid_ = fork();
    if (pid_ == 0) {
      ::close(master_);
      setsid();
      ioctl(slave_, TIOCSCTTY, 0);
      dup2(slave_, STDIN_FILENO);
      dup2(slave_, STDOUT_FILENO);
      dup2(slave_, STDERR_FILENO);
      if (slave_ > STDERR_FILENO) ::close(slave_);
      if (chdir(directory.c_str()) != 0) _exit(126);
      execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }

  ~TerminalRun() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
  }

  bool started() const { return pid_ > 0; }
  const std::string& settings_before() const { return settings_before_; }
  std::string settings_now() const { return stty_settings(name_); }

  // Reads until the transcript holds `text` after the last match; false after
  // ten seconds without it. Carriage returns are left out on both sides: the
  // terminal turns every line end the program writes, CR LF, into CR CR LF.
  bool wait_for(const std::string& with_returns) {
    const std::string text = without_returns(with_returns);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    for (;;) {
      const std::size_t found = transcript_.find(text, matched_);
      if (found != std::string::npos) {
        matched_ = found + text.size();
        return true;
      }
      if (std::chrono::steady_clock::now() > deadline) return false;
      read_some(100);
    }
  }

  // Everything that arrives within `wait` and was not matched yet.
  std::string unmatched_after(std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < deadline) read_some(20);
    return transcript_.substr(matched_);
  }

  void type(const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
      const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) return;
      done += static_cast<std::size_t>(n);
    }
  }

  // The wait status once the program ended, or -1 when it did not within ten
  // seconds.
  int wait_status() {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        reaped_ = true;
        read_some(0);
        return status;
      }
      read_some(10);
    }
    return -1;
  }

  // What the terminal showed, without carriage returns.
  const std::string& transcript() const { return transcript_; }

 private:
  static std::string without_returns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
  }

  void read_some(int milliseconds) {
    pollfd ready{master_, POLLIN, 0};
    if (poll(&ready, 1, milliseconds) <= 0) return;
    char buffer[4096];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n > 0) transcript_ += without_returns(std::string(buffer, static_cast<std::size_t>(n)));
  }

  int master_ = -1;
  int slave_ = -1;  // kept open, so the terminal outlives the program
  std::string name_;
  std::string settings_before_;
  pid_t pid_ = -1;
  bool reaped_ = false;
  std::string transcript_;
  std::size_t matched_ = 0;
};

class Terminal : public ::testing::Test {
 protected:
  void SetUp() override { testing::install_into(dir_.path().string()); }

  // Takes the run through the terms, the notes, the checks and the choice of
  // the sample document, up to the index question.
  void answer_up_to_index_question(TerminalRun& run) {
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

  void SetNumber() {
    const testing::ProgramResult listing = testing::run_kestram(dir_.path().string(), "11");
    const std::size_t at = listing.output.find(" Report.txt\r\n");
    ASSERT_NE(std::string::npos, at) << listing.output;
    const std::size_t start = listing.output.rfind("\r\n", at) + 3;
    number_ = listing.output.substr(start, at - start);
  }

  testing::TempDir dir_;
  std::string number_;
};

TEST_F(Terminal, MenuKeysActAtOnceWithoutEcho) {
  TerminalRun run(dir_.path().string());
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
  EXPECT_EQ(run.settings_before(), run.settings_now());
}

TEST_F(Terminal, ArrowAndFunctionKeysAreSingleIgnoredKeys) {
  SetNumber();
  TerminalRun run(dir_.path().string());
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
  EXPECT_EQ(run.settings_before(), run.settings_now());
}

TEST_F(Terminal, TypedAnswersEcho) {
  SetNumber();
  TerminalRun run(dir_.path().string());
  ASSERT_TRUE(run.started());
  answer_up_to_index_question(run);
  // The terminal echoed every typed answer, Enter included, after its prompt.
  const std::string& transcript = run.transcript();
  EXPECT_NE(std::string::npos, transcript.find("select file with line number = ? " + number_ + "\n")) << transcript;
  EXPECT_NE(std::string::npos, transcript.find("includes TOC = ? y\n")) << transcript;
  run.type("2");
  EXPECT_TRUE(WIFEXITED(run.wait_status()));
  EXPECT_EQ(run.settings_before(), run.settings_now());
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
    TerminalRun run(dir_.path().string());
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
      EXPECT_NE(run.settings_before(), run.settings_now());
    }
    run.type("\x03");
    const int status = run.wait_status();
    ASSERT_NE(-1, status) << c.where << ": still running";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << c.where << ": " << status;
    EXPECT_EQ(run.settings_before(), run.settings_now()) << c.where;
  }
}

}  // namespace
}  // namespace kestram
