#include "library_files.h"

#include <windows.h>

namespace kestram::lexpage {

// Windows has no exchange of two directories; the caller replaces htm_out
// in two renames it can finish after a break.
bool exchange_directories(const std::filesystem::path&, const std::filesystem::path&,
                          std::error_code& ec) {
  ec = std::make_error_code(std::errc::function_not_supported);
  return false;
}

RunLock::RunLock(const std::filesystem::path& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error_ = "cannot open " + path.string() + ": " +
             std::system_category().message(static_cast<int>(GetLastError()));
    return;
  }
  OVERLAPPED whole{};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
    error_ = "cannot lock " + path.string() + ": " +
             std::system_category().message(static_cast<int>(GetLastError()));
    CloseHandle(file);
    return;
  }
  handle_ = reinterpret_cast<long long>(file);
}

RunLock::~RunLock() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace kestram::lexpage
