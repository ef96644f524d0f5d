// The outputs of a normal run and how their stages are connected.
//
// The indented text feeds the page, and the page feeds the companion text.
// A run reads the input once more after the chapter scan and feeds every
// output from that one read:
//
//   input -> Indenter -> Tee -> indented text file
//                            -> ThreadedSink -> Page -> Tee -> page file
//                                                           -> CompanionFilter -> companion file
//
// Where that could give other bytes than making each output from the file
// before it, the same stages are connected that other way: each is fed by a
// reader over the file before it, once that file is closed (the companion
// text still follows the page as it is written, unless its name leads to
// another file of the run).
#pragma once

#include <string>
#include <string_view>

#include "run/run_state.h"

namespace kestram {

struct OutputNames {
  std::string chapters;
  std::string indented;
  std::string page;
  std::string table;  // the work file of the page's last table block
  std::string companion;
};

OutputNames output_names(std::string_view base_name);

// What became of each output: the reason it could not be fully written, or
// empty.
struct Failures {
  std::string indented;
  std::string page;
  std::string table;
  std::string companion;
};

// Whether the outputs can come from one read of the input with the bytes that
// making each from the file before it would give. Not when an output's name
// is a link or another name of another file of the run, whose writing would
// then show in it; nor when a line of the indented text would read back as other
// lines (a CR or LF in the unit code); nor, with a table of contents, when a
// chapter-mark line was too long for the table to keep (the contents come
// from the table).
bool one_read_serves(const RunState& state, const OutputNames& names);

// Every output from one read of the input (state.input_file_name). An
// output that could not be fully written is the source of the ones behind
// it: those are made again from it as it is.
void write_from_one_read(const RunState& state, const OutputNames& names, Failures& failures);

// Each output from the file before it (the companion text, unless its name
// leads to another file of the run, as the page is written).
void write_file_by_file(const RunState& state, const OutputNames& names, Failures& failures);

}  // namespace kestram
