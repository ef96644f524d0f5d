// A document converted without the dialogue: the outputs that a dialogue run
// with the same answers writes, with the same bytes, made through Staging so
// that each appears whole or not at all. Runs share no work file: the input
// itself stands in for the work copy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "run/run_state.h"

namespace kestram {

// The two answers of the supplementation (indentation step 0).
struct SupplementAnswers {
  std::string start_chapter;
  std::int64_t extra_lines = 0;
};

struct Conversion {
  std::string failure;               // why the document was not converted; "" when it was
  std::vector<std::string> outputs;  // the outputs put in place, as paths
  std::string page;                  // the page's path; "" when none was made
};

// Converts state.input_file_name (any path) with the answers in `state`
// (indent_increment, toc_flag, org_unit_code), writing the outputs in
// `output_dir`, or beside the input when it is "". Fills the chapter table
// and the base name of `state`. On a failure no output is put in place,
// except when the rename of one of them fails after others were placed.
Conversion convert_document(RunState& state, const SupplementAnswers& supplement, const std::string& output_dir,
                            const Clock& clock);

}  // namespace kestram
