// Copying the contents of one open file into another, and putting a finished
// copy in place.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace kestram {

// Copies everything from the current position of `from` to its end onto
// `to`. Both must be freshly opened (nothing read or written through them
// yet), `from` for reading and `to` for writing. Returns 0, or the errno value
// of the first failure (EIO when the system gave none). `copied`, when
// given, receives the number of bytes copied.
int copy_file_data(std::FILE* from, std::FILE* to, std::uint64_t* copied = nullptr);

// Gives the complete file `finished` the name `target` in one step: at every
// moment `target` names either its old file or the new one. An old file under
// that name is removed. The two names must be in the same directory.
void replace_file(const std::filesystem::path& finished, const std::filesystem::path& target,
                  std::error_code& ec);

}  // namespace kestram
