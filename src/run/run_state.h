// What one step of the run hands to a later one.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/shell.h"
#include "restructure/chapter_table.h"
#include "run/background_command.h"
#include "text/lines.h"

namespace kestram {

// The outside world of a run.
struct Platform {
  Console& console;
  Shell& shell;
  const Clock& clock;
};

// A file of a later step that an earlier pass has written on its way.
struct WrittenAhead {
  bool written = false;
  std::string error;  // why writing failed; empty when it did not
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
  // The page, its table work file and the companion text, when the
  // indentation pass wrote them (the later steps then only report).
  WrittenAhead page_ahead;
  WrittenAhead table_file_ahead;
  WrittenAhead companion_ahead;
  // The size of a table of contents to be written beside the body, when it
  // was counted ahead (see count_side_contents).
  std::optional<std::uint64_t> side_contents_size;
  // The copy of the input to its work copy, made while the input is read.
  BackgroundCommand work_copy;
  bool work_copy_made = false;
  // The reader of the chapter scan, kept for the indentation pass: rewound,
  // it reads the input again without reading from the file what it still
  // holds from the file's start (all of it, when the input is one long line).
  std::unique_ptr<LineReader> scanned_input;
};

}  // namespace kestram
