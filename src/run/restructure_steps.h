// The restructuring steps of the run: chapter marks, chapter list and the
// indented text (or, with indentation step 0, the supplemented text).
#pragma once

#include "run/dialogue.h"
#include "run/run_state.h"

namespace kestram {

// Copies the input to its work copy (while the input is read), finds and
// renumbers the chapter marks,
// lists them on the console and writes the chapter list file. A file without
// a chapter mark ends the run.
Flow recognise_chapters(Platform& platform, RunState& state);

// Copies the input to its work copy once more and writes the indented text
// file. With indentation step 0 it supplements the chapter marks instead and
// ends the run.
Flow write_indented_text_file(Platform& platform, RunState& state);

}  // namespace kestram
