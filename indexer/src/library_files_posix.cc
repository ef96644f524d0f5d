#include "library_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kestram::lexpage {

bool exchange_directories(const std::filesystem::path& a, const std::filesystem::path& b,
                          std::error_code& ec) {
  if (renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) {
    ec.clear();
    return true;
  }
  // Older kernels and some file systems (network ones) have no exchange.
  if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP)
    ec = std::make_error_code(std::errc::function_not_supported);
  else
    ec = std::error_code(errno, std::generic_category());
  return false;
}

RunLock::RunLock(const std::filesystem::path& path) {
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error_ = "cannot open " + path.string() + ": " + std::strerror(errno);
    return;
  }
  int result;
  do {
    result = flock(fd, LOCK_EX);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    error_ = "cannot lock " + path.string() + ": " + std::strerror(errno);
    close(fd);
    return;
  }
  handle_ = fd;
}

RunLock::~RunLock() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

}  // namespace kestram::lexpage
