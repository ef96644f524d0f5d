// The run: ten steps in a fixed order, each run once; any step may end it.
#pragma once

#include "run/run_state.h"

namespace kestram {

// Runs the whole dialogue. Every end of the run, after success or failure,
// returns here; the exit status is always 0.
int run_program(Platform& platform, RunState& state);

}  // namespace kestram
