#include "platform/file_copy.h"

#include <cerrno>
#include <vector>

namespace kestram {

int copy_file_data(std::FILE* from, std::FILE* to, std::uint64_t* copied) {
  std::vector<char> buffer(std::size_t{1} << 20);
  if (copied != nullptr) *copied = 0;
  for (;;) {
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), from);
    errno = 0;
    if (got > 0 && std::fwrite(buffer.data(), 1, got, to) != got) return errno ? errno : EIO;
    if (copied != nullptr) *copied += got;
    if (got < buffer.size()) return std::ferror(from) ? EIO : 0;
  }
}

void replace_file(const std::filesystem::path& finished, const std::filesystem::path& target,
                  std::error_code& ec) {
  std::filesystem::rename(finished, target, ec);
}

}  // namespace kestram
