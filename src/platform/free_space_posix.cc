#include <sys/statvfs.h>

#include "platform/free_space.h"

namespace kestram {

std::optional<std::uint64_t> free_space(const std::string& directory) {
  struct statvfs info {};
  if (statvfs(directory.c_str(), &info) != 0) return std::nullopt;
  const unsigned __int128 bytes = static_cast<unsigned __int128>(info.f_bavail) * info.f_frsize;
  return bytes > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(bytes);
}

}  // namespace kestram
