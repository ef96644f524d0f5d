// The terminal's settings, shared with the signal handlers that put them
// back when the process is ended or stopped.
#include "platform/terminal_posix.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <iterator>

namespace kestram {
namespace {

// A handler reads only these plain values and calls only async-signal-safe
// functions (tcsetattr, sigaction, sigprocmask, raise).

int g_terminal_fd = -1;
int g_terminal_users = 0;
termios g_settings[3];  // indexed by TerminalMode
volatile std::sig_atomic_t g_mode = kOriginalMode;

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr std::size_t kEndingSignalCount = sizeof(kEndingSignals) / sizeof(kEndingSignals[0]);
struct sigaction g_previous_ending[kEndingSignalCount];
bool g_ending_installed[kEndingSignalCount] = {};
struct sigaction g_stop_action;
struct sigaction g_previous_stop;
bool g_stop_installed = false;

void set_default_action(int signal_number) {
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(signal_number, &default_action, nullptr);
}

// Puts the first settings back, then lets the signal end the process as it
// would have without us.
void on_ending_signal(int signal_number) {
  if (g_terminal_fd >= 0) tcsetattr(g_terminal_fd, TCSANOW, &g_settings[kOriginalMode]);
  set_default_action(signal_number);
  // The signal is blocked while its handler runs; it is delivered, with the
  // default action, as soon as the handler returns.
  raise(signal_number);
}

// Ctrl-Z: the shell gets its terminal back while the process is stopped, and
// the process gets its own mode back when it goes on.
void on_stop_signal(int) {
  const int saved_errno = errno;
  if (g_terminal_fd >= 0) tcsetattr(g_terminal_fd, TCSANOW, &g_settings[kOriginalMode]);
  set_default_action(SIGTSTP);
  sigset_t stop_set;
  sigemptyset(&stop_set);
  sigaddset(&stop_set, SIGTSTP);
  raise(SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &stop_set, nullptr);  // the process stops here
  sigprocmask(SIG_BLOCK, &stop_set, nullptr);
  sigaction(SIGTSTP, &g_stop_action, nullptr);
  if (g_terminal_fd >= 0) tcsetattr(g_terminal_fd, TCSANOW, &g_settings[g_mode]);
  errno = saved_errno;
}

// Installs `handler` for the signal unless the process was told to ignore it
// (a job started in the background ignores SIGINT, nohup ignores SIGHUP).
bool install_handler(int signal_number, void (*handler)(int), struct sigaction& previous) {
  if (sigaction(signal_number, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) return false;
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  if (signal_number == SIGTSTP) g_stop_action = action;
  return sigaction(signal_number, &action, nullptr) == 0;
}

void install_handlers() {
  for (std::size_t i = 0; i < kEndingSignalCount; ++i)
    g_ending_installed[i] = install_handler(kEndingSignals[i], on_ending_signal, g_previous_ending[i]);
  g_stop_installed = install_handler(SIGTSTP, on_stop_signal, g_previous_stop);
}

void remove_handlers() {
  for (std::size_t i = 0; i < kEndingSignalCount; ++i)
    if (g_ending_installed[i]) sigaction(kEndingSignals[i], &g_previous_ending[i], nullptr);
  if (g_stop_installed) sigaction(SIGTSTP, &g_previous_stop, nullptr);
  std::fill(std::begin(g_ending_installed), std::end(g_ending_installed), false);
  g_stop_installed = false;
}

}  // namespace

void set_terminal_mode(TerminalMode mode) {
  // Set on every change of use, even when the mode seems unchanged: a program
  // run in between may have changed the terminal.
  g_mode = mode;
  tcsetattr(g_terminal_fd, TCSADRAIN, &g_settings[mode]);
}

bool acquire_terminal(int fd) {
  if (g_terminal_users > 0) {
    if (fd != g_terminal_fd) return false;
    ++g_terminal_users;
    return true;
  }
  termios original{};
  if (tcgetattr(fd, &original) != 0) return false;
  termios keys = original;
  keys.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHONL);
  keys.c_lflag |= ISIG;  // Ctrl-C still interrupts
  keys.c_cc[VMIN] = 1;
  keys.c_cc[VTIME] = 0;
  termios line = original;
  line.c_lflag |= ICANON | ECHO | ISIG;
  line.c_iflag |= ICRNL;  // Enter ends the line
  g_settings[kOriginalMode] = original;
  g_settings[kKeyMode] = keys;
  g_settings[kLineMode] = line;
  g_mode = kOriginalMode;
  g_terminal_fd = fd;
  g_terminal_users = 1;
  install_handlers();
  return true;
}

void release_terminal() {
  if (--g_terminal_users > 0) return;
  set_terminal_mode(kOriginalMode);
  remove_handlers();
  g_terminal_fd = -1;
}

void restore_original_terminal_mode() {
  if (g_terminal_fd >= 0) tcsetattr(g_terminal_fd, TCSADRAIN, &g_settings[kOriginalMode]);
}

}  // namespace kestram
