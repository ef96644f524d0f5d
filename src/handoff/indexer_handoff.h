// Hands the HTML page to the indexing program in its own directory.
#pragma once

#include "run/dialogue.h"
#include "run/run_state.h"

namespace kestram {

// Asks whether to index the page; on "1" prepares lexpage/, copies the page,
// wget.exe and the indexing program into it, starts the program there without
// waiting for it, and tells where its results will appear. Always ends the run.
Flow hand_off_to_indexer(Platform& platform, RunState& state);

}  // namespace kestram
