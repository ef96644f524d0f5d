#include "platform/file_copy.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace kestram {
namespace {

constexpr std::size_t kKernelSlice = std::size_t{1} << 30;

// Whether a kernel copy failed only because it cannot join these two files
// (another file system, a kind of file it does not handle, an old kernel):
// the next way of copying may still work.
bool unsupported(int error) {
  return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF;
}

// The copy through the kernel's page cache: no byte passes through this
// process, so a copy costs about what the cp command does.
enum class Outcome { kDone, kFailed, kUnsupported };

template <typename CopySome>
Outcome copy_in_kernel(CopySome copy_some, std::uint64_t& copied, int& error) {
  bool copied_any = false;
  for (;;) {
    const ssize_t n = copy_some();
    if (n > 0) {
      copied_any = true;
      copied += static_cast<std::uint64_t>(n);
      continue;
    }
    // Files that report no size (some of /proc) read as empty here; the
    // next way finds out whether they really are.
    if (n == 0) return copied_any ? Outcome::kDone : Outcome::kUnsupported;
    if (errno == EINTR) continue;
    // Only a refusal at the start can be made good by another way.
    if (!copied_any && unsupported(errno)) return Outcome::kUnsupported;
    error = errno ? errno : EIO;
    return Outcome::kFailed;
  }
}

int copy_through_buffer(int in, int out, std::uint64_t& copied) {
  std::vector<char> buffer(std::size_t{1} << 20);
  for (;;) {
    const ssize_t got = ::read(in, buffer.data(), buffer.size());
    if (got == 0) return 0;
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno ? errno : EIO;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(out, buffer.data() + done, static_cast<std::size_t>(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        return errno ? errno : EIO;
      }
      done += put;
      copied += static_cast<std::uint64_t>(put);
    }
  }
}

}  // namespace

int copy_file_data(std::FILE* from, std::FILE* to, std::uint64_t* copied) {
  const int in = ::fileno(from);
  const int out = ::fileno(to);
  int error = 0;
  std::uint64_t count = 0;
  // The kernel's copy between files, else its copy into a socket or pipe
  // (which takes files too on older kernels), else a buffer of our own.
  Outcome outcome = copy_in_kernel(
      [&] { return ::copy_file_range(in, nullptr, out, nullptr, kKernelSlice, 0); }, count, error);
  if (outcome == Outcome::kUnsupported)
    outcome = copy_in_kernel([&] { return ::sendfile(out, in, nullptr, kKernelSlice); }, count, error);
  int result = 0;
  switch (outcome) {
    case Outcome::kDone:
      break;
    case Outcome::kFailed:
      result = error;
      break;
    case Outcome::kUnsupported:
      result = copy_through_buffer(in, out, count);
      break;
  }
  if (copied != nullptr) *copied = count;
  return result;
}

void replace_file(const std::filesystem::path& finished, const std::filesystem::path& target,
                  std::error_code& ec) {
  ec.clear();
  std::error_code status_error;
  const std::filesystem::file_status old = std::filesystem::symlink_status(target, status_error);
  const bool old_is_file = std::filesystem::is_regular_file(old) || std::filesystem::is_symlink(old);
  // Renaming over an existing file makes some file systems (ext4) write the
  // new file's data to disk before the rename returns, which costs as much
  // as the copy itself. Swapping the two names and removing the old file
  // under the finished file's name is as atomic and skips that wait.
  if (old_is_file && ::renameat2(AT_FDCWD, finished.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
    std::filesystem::remove(finished, ec);
    // The new file is in place; an old one left behind under the temporary
    // name costs room, not data.
    ec.clear();
    return;
  }
  // No file under the target name (a directory there must make the rename
  // fail, not be swapped away), or a system or file system without the
  // swap: the plain rename does the same.
  std::filesystem::rename(finished, target, ec);
}

}  // namespace kestram
