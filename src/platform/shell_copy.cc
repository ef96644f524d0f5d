// The copy command's file copy: through a temporary file, or in place over
// an old target where that is safe.
#include <cerrno>
#include <random>
#include <system_error>

#include "platform/file_copy.h"
#include "platform/shell_commands.h"

namespace kestram::shell_commands {
namespace fs = std::filesystem;
namespace {

std::string describe_write_error(int error) {
  if (error == ENOSPC) return "There is not enough space on the disk.";
  return std::string(kAccessDenied);
}

// A name for a new file in `dir` that nothing else uses; the file is created
// exclusively, so two copies can never share it.
std::FILE* create_temporary(const fs::path& dir, fs::path& temp) {
  static std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 64; ++attempt) {
    temp = dir / (".kestram-copy-" + std::to_string(random() % 1000000000) + ".tmp");
    errno = 0;
    if (std::FILE* file = std::fopen(temp.string().c_str(), "wbx")) return file;
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

// Copies `in` onto `out` and closes both: 0, or the errno value of the first
// failure.
int copy_and_close(std::FILE* in, std::FILE* out, std::uint64_t* copied = nullptr) {
  int error = copy_file_data(in, out, copied);
  std::fclose(in);
  errno = 0;
  if (std::fclose(out) != 0 && error == 0) error = errno ? errno : EIO;
  return error;
}

std::string copy_failure_message(int error) {
  return error == EIO ? std::string(kAccessDenied) : describe_write_error(error);
}

// Gives the copy the source's permissions (so a program stays executable) and
// time. A copy without them is still a copy.
void take_permissions_and_time(const fs::path& from, const fs::path& copy) {
  std::error_code ec;
  const fs::perms permissions = fs::status(from, ec).permissions();
  if (!ec) fs::permissions(copy, permissions, ec);
  const fs::file_time_type time = fs::last_write_time(from, ec);
  if (!ec) fs::last_write_time(copy, time, ec);
}

// Copies through a temporary file beside the target that replaces it only once
// it is complete: a failure leaves the old target as it was.
bool copy_through_temporary(const fs::path& from, const fs::path& to, std::string& message) {
  std::FILE* in = std::fopen(from.string().c_str(), "rb");
  if (in == nullptr) {
    message = kAccessDenied;
    return false;
  }
  fs::path temp;
  std::FILE* out = create_temporary(to.parent_path(), temp);
  if (out == nullptr) {
    message = describe_write_error(errno);
    std::fclose(in);
    return false;
  }
  int error = copy_and_close(in, out);
  std::error_code ec;
  if (error == 0) {
    take_permissions_and_time(from, temp);
    replace_file(temp, to, ec);
    if (ec) error = ec.value();
  }
  if (error != 0) {
    fs::remove(temp, ec);
    message = copy_failure_message(error);
    return false;
  }
  return true;
}

// Whether the copy may go over the old target in place: a plain file of its
// own (no link to it, no other name for it) at least as large as the source.
// Writing over such a file reuses its blocks and cached pages, which costs
// much less than filling a new file and then freeing the old one, and needs
// no new room on the disk.
bool may_copy_in_place(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (!fs::is_regular_file(fs::symlink_status(to, ec)) || ec) return false;
  if (fs::hard_link_count(to, ec) != 1 || ec) return false;
  const std::uintmax_t old_size = fs::file_size(to, ec);
  if (ec) return false;
  const std::uintmax_t new_size = fs::file_size(from, ec);
  return !ec && old_size >= new_size;
}

// Copies over the old target and cuts it to the copy's length. Only a source
// that fails to read midway can leave the target partly written over (as any
// copy command would); the caller has made sure that room cannot run out.
// kNotOpened, with nothing changed, when the target cannot be opened for
// writing (a read-only file is then replaced as a whole).
enum class InPlace { kCopied, kFailed, kNotOpened };
InPlace copy_in_place(const fs::path& from, const fs::path& to, std::string& message) {
  std::FILE* in = std::fopen(from.string().c_str(), "rb");
  if (in == nullptr) {
    message = kAccessDenied;
    return InPlace::kFailed;
  }
  std::FILE* out = std::fopen(to.string().c_str(), "r+b");
  if (out == nullptr) {
    std::fclose(in);
    return InPlace::kNotOpened;
  }
  std::uint64_t copied = 0;
  int error = copy_and_close(in, out, &copied);
  if (error == 0) {
    std::error_code ec;
    fs::resize_file(to, copied, ec);
    if (ec) error = ec.value();
  }
  if (error != 0) {
    message = copy_failure_message(error);
    return InPlace::kFailed;
  }
  take_permissions_and_time(from, to);
  return InPlace::kCopied;
}

}  // namespace

bool copy_file(const fs::path& from, const fs::path& to, std::string& message) {
  if (may_copy_in_place(from, to)) {
    const InPlace result = copy_in_place(from, to, message);
    if (result != InPlace::kNotOpened) return result == InPlace::kCopied;
  }
  return copy_through_temporary(from, to, message);
}

}  // namespace kestram::shell_commands
