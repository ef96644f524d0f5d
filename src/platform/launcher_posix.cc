#include "platform/launcher.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace kestram {
namespace {

// Highest descriptor number the grandchild closes before exec; computed
// before fork, as sysconf is not safe to call after it.
int descriptor_limit() {
  long limit = sysconf(_SC_OPEN_MAX);
  if (limit < 0 || limit > 65536) limit = 65536;
  return static_cast<int>(limit);
}

// Between fork and exec only async-signal-safe calls are made.
[[noreturn]] void report_and_exit(int report_fd, int error) {
  ssize_t ignored = write(report_fd, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

// Runs in the grandchild: becomes the program or reports why it could not.
[[noreturn]] void become_program(const char* dir, char* const argv[], int report_fd, int fd_limit) {
  if (chdir(dir) != 0) report_and_exit(report_fd, errno);
  int null_fd = open("/dev/null", O_RDWR);
  if (null_fd < 0) report_and_exit(report_fd, errno);
  for (int fd = 0; fd <= 2; ++fd)
    if (dup2(null_fd, fd) < 0) report_and_exit(report_fd, errno);
  // Nothing of ours leaks into the program: no open files, no signal setup.
  for (int fd = 3; fd < fd_limit; ++fd)
    if (fd != report_fd) close(fd);
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGCHLD, SIGTSTP, SIGTTIN, SIGTTOU})
    sigaction(sig, &default_action, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execv(argv[0], argv);
  report_and_exit(report_fd, errno);
}

class PosixLauncher : public Launcher {
 public:
  bool start_detached(const std::filesystem::path& dir, const std::string& program) override {
    const std::string dir_text = dir.string();
    if (program.empty() || program.find('\0') != std::string::npos ||
        dir_text.find('\0') != std::string::npos)
      return false;
    std::string exec_path = "./" + program;
    char* argv[] = {exec_path.data(), nullptr};
    const int fd_limit = descriptor_limit();

    // The grandchild writes its errno here when chdir or exec fails; the
    // write end closes on a successful exec, so reading waits only until the
    // program has started.
    int report[2];
    if (pipe(report) != 0) return false;
    fcntl(report[0], F_SETFD, FD_CLOEXEC);
    fcntl(report[1], F_SETFD, FD_CLOEXEC);

    pid_t middle = fork();
    if (middle < 0) {
      close(report[0]);
      close(report[1]);
      return false;
    }
    if (middle == 0) {
      // A session of its own, and a parent that exits at once: the program is
      // adopted by init and never becomes our zombie.
      close(report[0]);
      if (setsid() < 0) report_and_exit(report[1], errno);
      pid_t child = fork();
      if (child < 0) report_and_exit(report[1], errno);
      if (child > 0) _exit(0);
      become_program(dir_text.c_str(), argv, report[1], fd_limit);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int child_error = 0;
    ssize_t got;
    do {
      got = read(report[0], &child_error, sizeof child_error);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    return got == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
};

}  // namespace

std::unique_ptr<Launcher> make_process_launcher() { return std::make_unique<PosixLauncher>(); }

}  // namespace kestram
