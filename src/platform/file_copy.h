// Copying the contents of one open file into another.
#pragma once

#include <cstdio>

namespace kestram {

// Copies everything from the current position of `from` to its end onto
// `to`. Both must be freshly opened (nothing read or written through them
// yet), `from` for reading and `to` for writing. Returns 0, or the errno value
// of the first failure (EIO when the system gave none).
int copy_file_data(std::FILE* from, std::FILE* to);

}  // namespace kestram
