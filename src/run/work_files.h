// The work files: what commands wrote into the files their output was
// redirected to, and the clean-up of f_*.txt at every start.
#pragma once

#include <cstdint>
#include <string>

#include "platform/shell.h"

namespace kestram {

// Number of lines that hold more than blanks. A file that is missing, or is
// no plain file, counts 0 lines.
std::uint64_t count_nonblank_lines(const std::string& path);

// The last line of the file, in lower case (ASCII letters), without blanks at
// either end. A file without lines, a missing file or one that is no plain
// file gives "".
std::string last_listed_name(const std::string& path);

// Runs "dir > f_01.txt" and then "del /q f_*.txt": every f_*.txt in the
// current directory is gone afterwards, and as f_01.txt always exists at the
// deletion, it never reports that it found nothing.
void start_up_clean_up(Shell& shell);

}  // namespace kestram
