// Tests that the outside programs the run needs are there, each by running a
// command into a work file and counting what arrived.
#pragma once

#include "run/dialogue.h"
#include "run/run_state.h"

namespace kestram {

// Runs the tests in their fixed order. The first failure prints its lines
// and ends the run through offer_end; when all pass, state.indexer_exe holds
// the name of the indexing program.
Flow run_tool_checks(Platform& platform, RunState& state);

}  // namespace kestram
