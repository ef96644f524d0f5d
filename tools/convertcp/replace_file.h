// Puts a finished file in the place of another in one step.
#pragma once

#include <string>

namespace kestram {

// Renames the file `from` to `to`, replacing a file already named `to`.
// Returns the empty text on success, otherwise the reason it failed; `to` is
// then left as it was.
std::string replace_file(const std::string& from, const std::string& to);

}  // namespace kestram
