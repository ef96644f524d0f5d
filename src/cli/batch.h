// A run without the dialogue: the documents named on the command line, one
// after another.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"

namespace kestram {

// Parses the arguments after the program's name and acts on them: the usage
// text or the version line on `out`; a usage error as one line on `err`; or
// each FILE converted in turn, with one line on `out` per document converted
// (and its chapter list first with --verbose) and one line on `err` per
// document that was not. Returns the exit status: 0 when every document was
// converted, 1 when any was not, 2 for a usage error. `started_path` is the
// program's own path as it was started.
int run_command_line(const std::vector<std::string>& args, std::string_view started_path, std::ostream& out,
                     std::ostream& err, const Clock& clock);

}  // namespace kestram
