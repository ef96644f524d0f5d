// The HTML steps of the run: the page and its companion text for the indexer.
#pragma once

#include <string>

#include "run/dialogue.h"
#include "run/run_state.h"
#include "text/lines.h"

namespace kestram {

// The indentation pass of a normal run (see write_indented_text), closing and
// reporting `indented`. Where that provably gives the same files, the pass
// also writes the page, its table work file and the companion text from the
// lines as they go to the indented text, instead of leaving them to the
// later steps, which would read the indented text and then the page again;
// state.*_ahead tell what was written. Waits for state.work_copy before it
// reports.
void write_indented_text_and_page(Platform& platform, RunState& state, LineReader& input,
                                  const std::string& indented_name, LineWriter& indented);

// Counts, for write_indented_text_and_page, the size of a table of contents
// that it will write beside the body (one of thousands of chapters), into
// state.side_contents_size: for a step that waits for something else anyway.
// The table must be renumbered.
void count_side_contents(RunState& state);

// Prints the names of the outputs and writes the HTML page from the indented
// text file.
Flow render_html_page(Platform& platform, RunState& state);

// Writes the page without its frame lines, for the indexer.
Flow write_companion_text_file(Platform& platform, RunState& state);

}  // namespace kestram
