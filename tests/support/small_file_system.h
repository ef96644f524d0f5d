// A small file system of its own for a test: a tmpfs mounted in a private
// mount namespace of a child process, so that "the disk is full" can be
// tested for real without touching the machine's disks. POSIX (Linux) only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kestram::testing {

struct SmallFileSystemRun {
  bool available = false;  // false: no namespace or no mount here
  std::string why_not;     // the reason, when not available
  int exit_status = -1;    // what `body` returned
};

// Forks a child that mounts a tmpfs of `bytes` bytes on `mount_point` (an
// existing, empty directory), visible to that child and its children only,
// then runs `body` there and exits with its result. The mount goes with the
// child; `body` hands its findings out through files outside the mount
// point.
SmallFileSystemRun run_on_small_file_system(const std::string& mount_point, std::uint64_t bytes,
                                            const std::function<int()>& body);

// Fills the file system holding `directory` with a file named `name` in it
// until only about `bytes_left` bytes are free. False when that cannot be done.
bool fill_file_system(const std::string& directory, const std::string& name, std::uint64_t bytes_left);

}  // namespace kestram::testing
