// The steps of the run that read the document and write its outputs. They
// open every file of the run and connect the stages that fill them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "run/dialogue.h"
#include "run/run_state.h"
#include "text/lines.h"

namespace kestram {

// Copies the input to its work copy, finds the chapter marks and renumbers
// them. A file without a chapter mark ends the run.
Flow recognise_chapters(Platform& platform, RunState& state);

// The chapter scan of the input file into an empty table, with the
// renumbering following it on a thread of its own; sets the table's number
// of candidate marks and returns it.
std::uint64_t scan_and_renumber(const std::string& input_file_name, ChapterTable& table,
                                std::int64_t indent_increment);

// Ends the run for a document it cannot go on with: the message after an
// empty line, then any key.
Flow end_for(Console& console, std::string_view message);

// The line that says the indented text, with `extra_bytes` more than the
// pass writes without hooks (identification lines), does not fit on the
// file system of the file `name`; empty when it fits.
std::string indented_text_refusal(const RunState& state, const std::string& name, std::uint64_t extra_bytes);

// Ends the run, as end_for() does, when the indented text of `extra_bytes`
// more than the pass writes without hooks (identification lines) does not
// fit on its file system; nothing is written then. Otherwise goes on.
Flow check_indented_text_fits(Console& console, const RunState& state, std::uint64_t extra_bytes = 0);

// The chapter list on the console and in the chapters file (which the caller
// closes and reports): written and new chapter numbers.
void list_chapters(Console& console, const RunState& state, LineWriter& chapters_file);

// The supplemented text in `out_name`: the indentation pass over the input
// with identification lines from the start chapter on, `work_copy_name`
// read beside it (a copy of the input, or the input itself). Returns why the
// text could not be fully written, or "".
std::string write_supplemented_text(const RunState& state, std::string start_chapter, std::int64_t extra_lines,
                                    const std::string& work_copy_name, const std::string& out_name,
                                    const Clock& clock);

// With indentation step 0 only: lists the chapters, asks for the start
// chapter and the number of extra lines, writes the supplemented text in
// place of the indented text (when it fits) and ends the run.
Flow supplement_chapter_marks(Platform& platform, RunState& state);

// When the indented text fits: lists the chapters, copies the input to its
// work copy again (when the first copy was made), writes the indented text,
// the HTML page (and the work file of its last table block) and the
// companion text, and prints the names of the outputs.
Flow write_outputs(Platform& platform, RunState& state);

}  // namespace kestram
