// The free space of a file system, asked before an output whose size is
// known is written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestram {

// Bytes that this user may still write on the file system that holds the
// directory `directory`, or nothing when the system cannot tell.
std::optional<std::uint64_t> free_space(const std::string& directory);

}  // namespace kestram
