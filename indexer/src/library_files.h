// The two things the library needs from the system beyond the C++ library:
// replacing a directory in one step, and one run at a time.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace kestram::lexpage {

// Swaps the two directories `a` and `b` in one step: at every moment each
// name holds one of the two complete directories. False, with `ec` set,
// when it failed or the system has no such step (ec is then
// std::errc::function_not_supported, and nothing changed).
bool exchange_directories(const std::filesystem::path& a, const std::filesystem::path& b,
                          std::error_code& ec);

// Holds the lock file `path` (created when missing) for this process alone
// while it lives; the constructor waits while another process holds it. The
// system lets go of it when the process ends in any way, so a killed run
// never blocks the next one.
class RunLock {
 public:
  explicit RunLock(const std::filesystem::path& path);
  ~RunLock();
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }

 private:
  long long handle_ = -1;
  std::string error_;
};

}  // namespace kestram::lexpage
