// The copy of the input to its work copy, sour_in.txt, made by the shell's
// copy command beside the pass that reads the input: the copying is the
// system's, and the pass need not wait for it.
#pragma once

#include <string>

#include "pipeline/beside.h"
#include "platform/console.h"
#include "platform/shell.h"

namespace kestram {

constexpr char kWorkCopyName[] = "sour_in.txt";

// Starts the copy beside the caller. A name in the way that is no plain file
// is reported instead, and false returned. Until `beside` has been waited
// for, nothing else may use the shell, the console or the work copy's files.
bool start_work_copy(Beside& beside, Console& console, Shell& shell, const std::string& input_file_name);

}  // namespace kestram
