#include <windows.h>

#include "platform/free_space.h"

namespace kestram {

std::optional<std::uint64_t> free_space(const std::string& directory) {
  // Names are in the code page that the C library opens files with.
  const int size = MultiByteToWideChar(CP_ACP, 0, directory.c_str(), -1, nullptr, 0);
  if (size <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, directory.c_str(), -1, wide.data(), size);
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExW(wide.c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

}  // namespace kestram
