// The check that an output whose size is known before it is written fits
// where it goes. The indented (or supplemented) text has no bound on its
// indentation or its empty lines, so it is checked before anything of it is
// written, and not written at all when it does not fit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestram {

// The free space of the file system that a file of this name goes to (its
// link's target's, for a link), or nothing when that cannot be told.
std::optional<std::uint64_t> space_for(const std::string& file_name);

// The one line that says a file of `needed` bytes does not fit in `space`
// bytes, or empty when it fits or the space is unknown. A size of UINT64_MAX
// stands for that much or more.
std::string space_refusal(std::string_view file_name, std::uint64_t needed, std::optional<std::uint64_t> space);

}  // namespace kestram
