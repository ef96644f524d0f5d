// What one step of the run hands to a later one.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/shell.h"
#include "restructure/chapter_table.h"

namespace kestram {

// The outside world of a run.
struct Platform {
  Console& console;
  Shell& shell;
  const Clock& clock;
};

struct RunState {
  std::string started_path;      // the program's path as it was started
  std::string input_file_name;   // the chosen *.txt file, exactly as listed
  std::int64_t indent_increment = 2;
  int toc_flag = 0;
  std::string org_unit_code;
  std::string indexer_exe;
  std::string base_name;
  std::string html_file_name;
  ChapterTable chapter_table;
  // Whether the input could be copied to its work copy (it is copied again
  // for the outputs only then).
  bool work_copy_made = false;
};

}  // namespace kestram
