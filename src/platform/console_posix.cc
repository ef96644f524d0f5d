#include "platform/console_posix.h"

#include "platform/terminal_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kestram {
namespace {

constexpr std::size_t kOutputBufferBytes = 64 * 1024;
constexpr std::size_t kLineBlockBytes = 4096;
constexpr int kDefaultWidth = 80;
// How long the rest of an escape sequence may take to arrive. A terminal sends
// a whole sequence at once; an Escape followed by nothing is the Escape key.
constexpr int kSequenceWaitMs = 100;
// A control sequence longer than this is no key; reading it stops there.
constexpr std::size_t kMaxSequenceBytes = 32;

// ---- Descriptor helpers ----------------------------------------------------

// read(2) that goes on after a signal and waits while a non-blocking
// descriptor has nothing yet. Returns the bytes read, 0 at the end of input
// and -1 on an error (which the console treats as the end of input).
ssize_t read_some(int fd, void* buffer, std::size_t size) {
  for (;;) {
    ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    pollfd wait{fd, POLLIN, 0};
    if (poll(&wait, 1, -1) < 0 && errno != EINTR) return -1;
  }
}

// Whether a byte arrives on `fd` within `milliseconds`.
bool readable_within(int fd, int milliseconds) {
  pollfd wait{fd, POLLIN, 0};
  for (;;) {
    int ready = poll(&wait, 1, milliseconds);
    if (ready >= 0) return ready > 0;
    if (errno != EINTR) return false;
  }
}

// Writes all bytes. A closed pipe makes the write fail with EPIPE instead of
// ending the process by SIGPIPE: the signal is blocked for the write, and one
// raised by it is taken back before the mask is restored.
bool write_all(int fd, const char* data, std::size_t size) {
  sigset_t pipe_signal;
  sigset_t previous_mask;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_signal, &previous_mask);
  sigset_t pending;
  sigpending(&pending);
  const bool was_pending = sigismember(&pending, SIGPIPE) == 1;

  bool ok = true;
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n > 0) {
      data += n;
      size -= static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd wait{fd, POLLOUT, 0};
      if (poll(&wait, 1, -1) >= 0 || errno == EINTR) continue;
    }
    ok = false;
    break;
  }
  if (!ok && errno == EPIPE && !was_pending) {
    timespec no_wait{0, 0};
    sigtimedwait(&pipe_signal, nullptr, &no_wait);
  }
  pthread_sigmask(SIG_SETMASK, &previous_mask, nullptr);
  return ok;
}

// Number of continuation bytes announced by the first byte of a UTF-8
// character; 0 for a single-byte character or a byte that starts none.
int utf8_continuations(unsigned char first) {
  if (first >= 0xC2 && first <= 0xDF) return 1;
  if (first >= 0xE0 && first <= 0xEF) return 2;
  if (first >= 0xF0 && first <= 0xF4) return 3;
  return 0;
}

// ---- The console -----------------------------------------------------------

class PosixConsole;
PosixConsole* g_live_consoles = nullptr;  // flushed when the process exits
void at_process_exit();

class PosixConsole final : public Console {
 public:
  PosixConsole(int input_fd, int output_fd) : input_fd_(input_fd), output_fd_(output_fd) {
    static const bool exit_hook = std::atexit(at_process_exit) == 0;
    (void)exit_hook;
    if (isatty(input_fd) == 1 && acquire_terminal(input_fd)) {
      terminal_ = true;
      // Keys typed ahead of the first menu are neither echoed nor held back.
      set_terminal_mode(kKeyMode);
    } else {
      struct stat status {};
      block_reads_ = fstat(input_fd, &status) == 0 && S_ISREG(status.st_mode) &&
                     lseek(input_fd, 0, SEEK_CUR) >= 0;
    }
    next_live_ = g_live_consoles;
    g_live_consoles = this;
  }

  ~PosixConsole() override {
    write_out();
    if (terminal_) release_terminal();
    for (PosixConsole** link = &g_live_consoles; *link != nullptr; link = &(*link)->next_live_) {
      if (*link == this) {
        *link = next_live_;
        break;
      }
    }
  }

  PosixConsole(const PosixConsole&) = delete;
  PosixConsole& operator=(const PosixConsole&) = delete;

  void write(std::string_view text) override {
    if (output_failed_) return;
    output_.append(text.data(), text.size());
    if (output_.size() >= kOutputBufferBytes) write_out();
  }

  // Before another program uses the terminal it gets the user's settings;
  // the next read takes the console's own mode again.
  void flush() override {
    write_out();
    if (terminal_) set_terminal_mode(kOriginalMode);
  }

  std::optional<std::string> read_key() override {
    if (terminal_) set_terminal_mode(kKeyMode);
    write_out();
    unsigned char first = 0;
    if (read_input(&first, 1) != 1) return std::nullopt;
    if (!terminal_) return std::string(1, static_cast<char>(first));

    if (first == 0x1B) {
      skip_escape_sequence();
      return std::string();
    }
    std::string key(1, static_cast<char>(first));
    for (int more = utf8_continuations(first); more > 0; --more) {
      unsigned char next = 0;
      if (!next_byte_within(next)) break;
      if ((next & 0xC0) != 0x80) {
        pending_.insert(pending_.begin(), static_cast<char>(next));
        break;
      }
      key += static_cast<char>(next);
    }
    return key;
  }

  std::optional<std::string> read_line() override {
    // The mode changes before the prompt goes out, so that nothing typed
    // after the prompt can miss its echo.
    if (terminal_) set_terminal_mode(kLineMode);
    write_out();
    std::optional<std::string> line = read_input_line();
    if (terminal_) set_terminal_mode(kKeyMode);
    return line;
  }

  int width() const override {
    if (!terminal_) return kDefaultWidth;
    winsize size{};
    if (ioctl(output_fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    if (ioctl(input_fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return kDefaultWidth;
  }

 private:
  friend void at_process_exit();

  void write_out() {
    if (output_.empty()) return;
    if (!output_failed_ && !write_all(output_fd_, output_.data(), output_.size())) output_failed_ = true;
    output_.clear();
  }

  // Bytes given back by an earlier read come first.
  ssize_t read_input(void* buffer, std::size_t size) {
    if (pending_.empty()) return read_some(input_fd_, buffer, size);
    std::size_t n = std::min(size, pending_.size());
    std::memcpy(buffer, pending_.data(), n);
    pending_.erase(0, n);
    return static_cast<ssize_t>(n);
  }

  bool next_byte_within(unsigned char& byte) {
    if (pending_.empty() && !readable_within(input_fd_, kSequenceWaitMs)) return false;
    return read_input(&byte, 1) == 1;
  }

  // The bytes up to "\n", without it and without one "\r" before it; nullopt
  // only when the input ends before the first byte.
  std::optional<std::string> read_input_line() {
    // A pipe cannot take bytes back, so it is read one byte at a time and
    // never past the "\n": the keys after an answer stay in the input. A
    // regular file is read in blocks and the excess given back with lseek; a
    // terminal in line mode never returns more than one line per read.
    const std::size_t block = (block_reads_ || terminal_) ? kLineBlockBytes : 1;
    char buffer[kLineBlockBytes];
    std::string line;
    std::size_t length = 0;  // bytes of the line, those beyond the bound included
    bool any_byte = false;
    bool ended = false;
    while (!ended) {
      ssize_t n = read_input(buffer, block);
      if (n <= 0) break;
      any_byte = true;
      const auto count = static_cast<std::size_t>(n);
      const void* newline = std::memchr(buffer, '\n', count);
      const std::size_t used = newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - buffer) : count;
      if (line.size() < kMaxTypedLineBytes) line.append(buffer, std::min(used, kMaxTypedLineBytes - line.size()));
      length += used;
      if (newline != nullptr) {
        ended = true;
        give_back(buffer + used + 1, count - used - 1);
      }
    }
    if (!any_byte) return std::nullopt;
    if (ended && length == line.size() && !line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }

  // Returns bytes read past the end of a line to the input. Block reads are
  // made only while nothing is pending, so these bytes came from the file.
  void give_back(const char* bytes, std::size_t count) {
    if (count == 0) return;
    if (block_reads_ && lseek(input_fd_, -static_cast<off_t>(count), SEEK_CUR) >= 0) return;
    block_reads_ = false;
    pending_.insert(0, bytes, count);
  }

  // Consumes the rest of a key that began with Escape.
  void skip_escape_sequence() {
    unsigned char byte = 0;
    if (!next_byte_within(byte)) return;  // Escape alone
    if (byte == 0x1B) {                    // a second Escape is a key of its own
      pending_.insert(pending_.begin(), static_cast<char>(byte));
      return;
    }
    if (byte == 'O') {  // ESC O x: function keys and arrows in application mode
      next_byte_within(byte);
      return;
    }
    if (byte != '[') return;  // Escape with a character: Alt and that key
    // Control sequence: bytes 0x20-0x3F, then a final byte 0x40-0x7E.
    for (std::size_t count = 0; count < kMaxSequenceBytes; ++count) {
      if (!next_byte_within(byte)) return;
      if (count == 0 && byte == '[') {  // ESC [ [ A: function keys of the Linux console
        next_byte_within(byte);
        return;
      }
      if (byte >= 0x40 && byte <= 0x7E) return;
      if (byte < 0x20 || byte > 0x3F) {  // not part of a sequence: a key of its own
        pending_.insert(pending_.begin(), static_cast<char>(byte));
        return;
      }
    }
  }

  const int input_fd_;
  const int output_fd_;
  bool terminal_ = false;
  bool block_reads_ = false;
  std::string pending_;  // input bytes read but not yet used
  std::string output_;
  bool output_failed_ = false;
  PosixConsole* next_live_ = nullptr;
};

void at_process_exit() {
  for (PosixConsole* console = g_live_consoles; console != nullptr; console = console->next_live_)
    console->write_out();
  restore_original_terminal_mode();
}

}  // namespace

std::unique_ptr<Console> make_fd_console(int input_fd, int output_fd) {
  return std::make_unique<PosixConsole>(input_fd, output_fd);
}

std::unique_ptr<Console> make_process_console() { return make_fd_console(STDIN_FILENO, STDOUT_FILENO); }

}  // namespace kestram
