#include "support/small_file_system.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace kestram::testing {
namespace {

bool write_text(const char* path, const std::string& text) {
  const int fd = open(path, O_WRONLY);
  if (fd < 0) return false;
  const bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  return ok;
}

// A private mount namespace: directly when the process may mount, otherwise
// inside a new user namespace in which it is root. Empty on success, else why.
std::string enter_private_mount_namespace() {
  if (unshare(CLONE_NEWNS) != 0) {
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return std::string("unshare: ") + std::strerror(errno);
    write_text("/proc/self/setgroups", "deny");
    if (!write_text("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !write_text("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
      return "cannot map the user into the new namespace";
  }
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    return std::string("making mounts private: ") + std::strerror(errno);
  return {};
}

}  // namespace

SmallFileSystemRun run_on_small_file_system(const std::string& mount_point, std::uint64_t bytes,
                                            const std::function<int()>& body) {
  SmallFileSystemRun run;
  int report[2];
  if (pipe(report) != 0) {
    run.why_not = "pipe failed";
    return run;
  }
  const pid_t pid = fork();
  if (pid < 0) {
    run.why_not = "fork failed";
    return run;
  }
  if (pid == 0) {
    close(report[0]);
    std::string why = enter_private_mount_namespace();
    const std::string options = "size=" + std::to_string(bytes);
    if (why.empty() && mount("tmpfs", mount_point.c_str(), "tmpfs", 0, options.c_str()) != 0)
      why = std::string("mount tmpfs: ") + std::strerror(errno);
    // One byte tells the parent that the mount stands; a message, that not.
    const std::string message = why.empty() ? "+" : "-" + why;
    if (write(report[1], message.data(), message.size()) < 0) _exit(125);
    close(report[1]);
    if (!why.empty()) _exit(125);
    _exit(body());
  }
  close(report[1]);
  std::string message;
  char buffer[256];
  for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;) message.append(buffer, static_cast<std::size_t>(n));
  close(report[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (message.empty() || message[0] != '+') {
    run.why_not = message.empty() ? "the child reported nothing" : message.substr(1);
    return run;
  }
  run.available = true;
  run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

bool fill_file_system(const std::string& directory, const std::string& name, std::uint64_t bytes_left) {
  struct statvfs info;
  if (statvfs(directory.c_str(), &info) != 0) return false;
  const std::uint64_t free_bytes = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
  if (free_bytes <= bytes_left) return true;
  const int fd = open((directory + "/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  // Blocks taken for the file, as its writes would take them.
  const bool filled = posix_fallocate(fd, 0, static_cast<off_t>(free_bytes - bytes_left)) == 0;
  close(fd);
  return filled;
}

}  // namespace kestram::testing
