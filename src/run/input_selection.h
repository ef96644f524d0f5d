// Choice of the input file from the listed *.txt files, and the run options.
#pragma once

#include "run/dialogue.h"
#include "run/run_state.h"

namespace kestram {

// Lists the candidate files, asks for the file number, the indentation step,
// the table of contents and the organisational-unit code, and sets them in
// the run state. A line number out of range ends the run.
Flow select_input(Platform& platform, RunState& state);

}  // namespace kestram
