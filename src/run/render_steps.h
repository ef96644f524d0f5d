// The HTML steps of the run: the page and its companion text for the indexer.
#pragma once

#include "run/dialogue.h"
#include "run/run_state.h"

namespace kestram {

// Prints the names of the outputs and writes the HTML page from the indented
// text file.
Flow render_html_page(Platform& platform, RunState& state);

// Writes the page without its frame lines, for the indexer.
Flow write_companion_text_file(Platform& platform, RunState& state);

}  // namespace kestram
