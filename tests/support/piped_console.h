// This platform's console as a program sees it whose input is a pipe or a
// file: made, like the program's own, over an input holding given bytes (a
// pipe closed after them or, with `regular_file`, a file) and an output file
// (or, with `output_unread`, a pipe whose reading end is closed).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/console.h"
#include "support/temp_dir.h"

namespace kestram::testing {

struct PipedConsole {
  PipedConsole(const std::string& input, bool regular_file, bool output_unread = false);
  ~PipedConsole();  // ends the console first, then closes both ends
  // What a later reader of the input finds in it.
  std::string rest_of_input();
  std::string output() const { return read_file(dir.file("out")); }

  TempDir dir;
  std::intptr_t input_end = -1;  // this platform's descriptors or handles
  std::intptr_t output_end = -1;
  std::unique_ptr<Console> console;
};

}  // namespace kestram::testing
