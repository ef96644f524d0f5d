// A child process on the slave side of a fresh pseudo-terminal of 24 rows.
// The test types on the master side and reads there what the child printed
// and what the terminal echoed. POSIX only.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace kestram::testing {

// The settings of the terminal on `fd`.
inline termios settings_of(int fd) {
  termios settings{};
  tcgetattr(fd, &settings);
  return settings;
}

// Whether two terminal settings agree in every flag and control character.
inline bool same_settings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
         std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

// Child side: one item for TerminalChild::reports(), length first so that
// any bytes survive.
inline void report(int fd, const std::string& item) {
  std::string record = std::to_string(item.size()) + ":" + item;
  (void)!::write(fd, record.data(), record.size());
}

class TerminalChild {
 public:
  // Runs `body` in the child, with standard input, output and error on a
  // terminal of 123 columns and a descriptor for report(); the child ends
  // when it returns. With `controlling`, the terminal is the controlling
  // terminal of the child's own session, so typed Ctrl-C and Ctrl-\ reach it
  // as signals. Without, the child is a job of the test's session, where a
  // stop signal stops it.
  TerminalChild(const std::function<void(int report_fd)>& body, bool controlling) {
    winsize size{24, 123, 0, 0};
    int reports[2];
    if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0 || tcgetattr(slave_, &initial_) != 0 ||
        ::pipe2(reports, O_CLOEXEC) != 0) {
      ADD_FAILURE() << "no pseudo-terminal: " << std::strerror(errno);
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      ::close(master_);
      ::close(reports[0]);
      if (!controlling) setpgid(0, 0);
      if (controlling && setsid() >= 0) ioctl(slave_, TIOCSCTTY, 0);
      for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) dup2(slave_, fd);
      if (slave_ > STDERR_FILENO) ::close(slave_);
      rlimit no_core{0, 0};
      setrlimit(RLIMIT_CORE, &no_core);
      body(reports[1]);
      _exit(0);
    }
    ::close(reports[1]);
    reports_ = reports[0];
  }

  ~TerminalChild() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    for (int fd : {master_, slave_, reports_})
      if (fd >= 0) ::close(fd);
  }

  TerminalChild(const TerminalChild&) = delete;
  TerminalChild& operator=(const TerminalChild&) = delete;

  pid_t pid() const { return pid_; }
  const std::string& transcript() const { return transcript_; }

  // Reads until the transcript holds `text` after the previous match; false
  // after ten seconds without it.
  bool wait_for(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      std::size_t found = transcript_.find(text, matched_);
      if (found != std::string::npos) {
        matched_ = found + text.size();
        return true;
      }
      if (std::chrono::steady_clock::now() > deadline) return false;
      read_master(100);
    }
  }

  void type(const std::string& bytes) {
    EXPECT_EQ(static_cast<ssize_t>(bytes.size()), ::write(master_, bytes.data(), bytes.size()));
  }

  termios settings() const { return settings_of(slave_); }
  bool settings_unchanged() const { return same_settings(initial_, settings()); }

  // Waits up to ten seconds for the child to end (or stop, with WUNTRACED);
  // -1 when it does not.
  int wait_status(int options = 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
      if (waitpid(pid_, &status, WNOHANG | options) == pid_) {
        reaped_ = !WIFSTOPPED(status);
        while (read_master(0)) {
        }
        return status;
      }
      read_master(10);
    }
    return -1;
  }

  // The items the child reported; call after it has ended.
  std::vector<std::string> reports() {
    std::string all;
    char buffer[4096];
    for (ssize_t n; (n = ::read(reports_, buffer, sizeof buffer)) > 0;) all.append(buffer, static_cast<std::size_t>(n));
    std::vector<std::string> items;
    for (std::size_t at = 0, colon; (colon = all.find(':', at)) != std::string::npos;) {
      std::size_t length = std::strtoul(all.c_str() + at, nullptr, 10);
      items.push_back(all.substr(colon + 1, length));
      at = colon + 1 + length;
    }
    return items;
  }

 private:
  bool read_master(int milliseconds) {
    pollfd ready{master_, POLLIN, 0};
    if (poll(&ready, 1, milliseconds) <= 0) return false;
    char buffer[4096];
    ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) return false;
    transcript_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  int master_ = -1;
  int slave_ = -1;  // kept open, so the terminal outlives the child
  int reports_ = -1;
  pid_t pid_ = -1;
  bool reaped_ = false;
  termios initial_{};
  std::string transcript_;
  std::size_t matched_ = 0;
};

}  // namespace kestram::testing
