#include "platform/process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace kestram {

std::filesystem::path program_directory(std::string_view started_path) {
  std::error_code ec;
  std::filesystem::path own = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || own.empty()) own = std::filesystem::absolute(std::filesystem::path(started_path), ec);
  return own.parent_path();
}

std::string_view native_line_end() { return "\n"; }

void write_standard_streams_unchanged() {}

std::string run_and_wait(const std::filesystem::path& dir, const std::string& program) {
  const std::string dir_text = dir.string();
  std::string exec_path = "./" + program;
  char* argv[] = {exec_path.data(), nullptr};
  // The child writes its errno here when chdir or exec fails; the pipe
  // closes on a successful exec.
  int report[2];
  if (pipe(report) != 0) return std::strerror(errno);
  fcntl(report[0], F_SETFD, FD_CLOEXEC);
  fcntl(report[1], F_SETFD, FD_CLOEXEC);
  const pid_t child = fork();
  if (child < 0) {
    const int error = errno;
    close(report[0]);
    close(report[1]);
    return std::strerror(error);
  }
  if (child == 0) {
    // Only async-signal-safe calls between fork and exec.
    int error = 0;
    const int null_fd = open("/dev/null", O_RDWR);
    if (chdir(dir_text.c_str()) != 0 || null_fd < 0 || dup2(null_fd, 0) < 0 || dup2(null_fd, 1) < 0)
      error = errno;
    else
      execv(argv[0], argv);
    if (error == 0) error = errno;
    ssize_t ignored = write(report[1], &error, sizeof error);
    (void)ignored;
    _exit(127);
  }
  close(report[1]);
  int child_error = 0;
  ssize_t got;
  do {
    got = read(report[0], &child_error, sizeof child_error);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (got > 0) return "cannot start " + program + ": " + std::strerror(child_error);
  if (WIFSIGNALED(status)) return program + " was ended by signal " + std::to_string(WTERMSIG(status));
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return program + " ended with status " + std::to_string(WEXITSTATUS(status));
  return "";
}

}  // namespace kestram
